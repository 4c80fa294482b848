#include "transfer/value_format.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace s2v {

void PutFixed(BufferedWriter& out, double x, int decimals, int width) {
  // Room for the largest double in fixed notation with its decimals.
  char buffer[320 + 20];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::fixed, decimals);
  int length = static_cast<int>(result.ptr - buffer);
  for (int i = length; i < width; ++i) out.Put(' ');
  out.Put(std::string_view(buffer, static_cast<std::size_t>(length)));
}

char* WriteDataValue(char* p, double x, WholeTolerance tolerance) {
  double r = std::nearbyint(x);
  if (r >= -2147483648.0 && r <= 2147483647.0 && std::fabs(x - r) < tolerance.distance)
    return std::to_chars(p, p + kDataValueRoom, static_cast<std::int32_t>(r)).ptr;
  char buffer[kDataValueRoom];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::fixed, 3);
  std::size_t length = static_cast<std::size_t>(result.ptr - buffer);
  if (length < 10) {
    std::memset(p, ' ', 10 - length);
    p += 10 - length;
  }
  std::memcpy(p, buffer, length);
  return p + length;
}

void PutDataValue(BufferedWriter& out, double x, WholeTolerance tolerance) {
  out.CommitTo(WriteDataValue(out.Reserve(kDataValueRoom).data(), x, tolerance));
}

}  // namespace s2v
