#include "transfer/data_text.h"

#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>

#include "support/io_error.h"

namespace s2v {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// True when field is a well-formed number (see ParseField).
bool WellFormed(std::string_view field) {
  const char* p = field.data();
  const char* const end = p + field.size();
  if (p < end && (*p == '+' || *p == '-')) ++p;
  const char* digitsStart = p;
  while (p < end && IsDigit(*p)) ++p;
  std::size_t digits = static_cast<std::size_t>(p - digitsStart);
  if (p < end && *p == '.') {
    ++p;
    const char* fractionStart = p;
    while (p < end && IsDigit(*p)) ++p;
    digits += static_cast<std::size_t>(p - fractionStart);
  }
  if (digits == 0) return false;
  if (p < end && (*p == 'e' || *p == 'E')) {
    ++p;
    if (p < end && (*p == '+' || *p == '-')) ++p;
    const char* exponentStart = p;
    while (p < end && IsDigit(*p)) ++p;
    if (p == exponentStart) return false;
  }
  return p == end;
}

}  // namespace

namespace data_text {

int SideOfDouble(const char* whole, unsigned wholeDigits, const char* fraction, unsigned decimals) {
  constexpr std::uint64_t kScales[] = {1, 10, 100, 1000, 10000, 100000, 1000000};
  std::uint64_t digits = 0;
  for (unsigned i = 0; i < wholeDigits; ++i) digits = digits * 10 + static_cast<std::uint64_t>(whole[i] - '0');
  for (unsigned i = 0; i < decimals; ++i) digits = digits * 10 + static_cast<std::uint64_t>(fraction[i] - '0');
  // Both below 2^53, so exact: their quotient is rounded once, as
  // from_chars rounds the text.
  const std::uint64_t scale = kScales[decimals];
  const double x = static_cast<double>(digits) / static_cast<double>(scale);
  // x is m * 2^-shift exactly (a normal double: 53 bits with the leading
  // one); it lies above digits / scale when m * scale > digits * 2^shift. x
  // is between 5e-4 and 1e9, so the shift is 23 to 63 and both products fit
  // in 128 bits.
  const auto bits = std::bit_cast<std::uint64_t>(x);
  const std::uint64_t m = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
  const int shift = 1075 - static_cast<int>(bits >> 52);
  __extension__ using Wide = unsigned __int128;
  const Wide above = static_cast<Wide>(m) * scale;
  const Wide on = static_cast<Wide>(digits) << shift;
  return above < on ? -1 : above > on ? 1 : 0;
}

}  // namespace data_text

double ParseField(std::string_view field) {
  if (!WellFormed(field)) throw IoError(kInvalidNumericInput);
  if (field.front() == '+') field.remove_prefix(1);
  double value = 0;
  auto result = std::from_chars(field.data(), field.data() + field.size(), value);
  if (result.ec != std::errc() || result.ptr != field.data() + field.size()) throw IoError(kInvalidNumericInput);
  return value;
}

}  // namespace s2v
