#include "transfer/value_format.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace s2v {

void PutFixed(BufferedWriter& out, double x, int decimals, int width) {
  // Room for the largest double in fixed notation with its decimals.
  char buffer[320 + 20];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::fixed, decimals);
  int length = static_cast<int>(result.ptr - buffer);
  for (int i = length; i < width; ++i) out.Put(' ');
  out.Put(std::string_view(buffer, static_cast<std::size_t>(length)));
}

void PutDataValue(BufferedWriter& out, double x, double tolerance) {
  double r = std::nearbyint(x);
  if (r >= -2147483648.0 && r <= 2147483647.0 && std::fabs(x - r) < tolerance) {
    char buffer[16];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<std::int32_t>(r));
    out.Put(std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer)));
  } else {
    PutFixed(out, x, 3, 10);
  }
}

}  // namespace s2v
