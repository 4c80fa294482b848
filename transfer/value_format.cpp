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

void PutSixDecimals(BufferedWriter& out, double x) {
  // Below 2^30 the product is less than 2^-23 off x * 10^6: when it lies
  // further than that from a half, it rounds to the millionths of x.
  const double scaled = x * 1e6;
  const double millionths = std::nearbyint(scaled);
  if (!(std::fabs(scaled) < 1e9 && std::fabs(scaled - millionths) < 0.4999 && millionths != 0)) {
    // Near a rounding step, large, or a zero whose sign to_chars keeps.
    PutFixed(out, x, 6, 10);
    return;
  }
  const bool negative = millionths < 0;
  auto rest = static_cast<std::uint64_t>(negative ? -millionths : millionths);
  char text[24];
  char* begin = text + sizeof text;
  for (int i = 0; i < 6; ++i, rest /= 10) *--begin = static_cast<char>('0' + rest % 10);
  *--begin = '.';
  do {
    *--begin = static_cast<char>('0' + rest % 10);
    rest /= 10;
  } while (rest != 0);
  if (negative) *--begin = '-';
  const auto length = static_cast<std::size_t>(text + sizeof text - begin);
  char* p = out.Reserve(10 + length).data();
  if (length < 10) {
    std::memset(p, ' ', 10 - length);
    p += 10 - length;
  }
  std::memcpy(p, begin, length);
  out.CommitTo(p + length);
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

}  // namespace s2v
