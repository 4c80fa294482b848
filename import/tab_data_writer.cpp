#include "import/tab_data_writer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace s2v {
namespace {

// The longest fixed notation of a double: 309 digits before the point, or a
// point and 1074 digits after it, and a sign.
constexpr std::size_t kNumberBufferSize = 1100;

// Whole numbers up to this size are written through the integer conversion,
// which is several times faster than the shortest-digits search.
constexpr double kWholeLimit = 9007199254740992.0;  // 2^53

constexpr double kPowersOfTen[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
constexpr int kMostQuickDecimals = 9;

// Writes n / 10^decimals, n whole.
char* PutScaled(char* out, bool negative, std::int64_t n, int decimals) {
  char digits[24];
  const int length = static_cast<int>(std::to_chars(digits, digits + sizeof digits, n).ptr - digits);
  if (negative) *out++ = '-';
  if (length <= decimals) {
    *out++ = '0';
    *out++ = '.';
    out = std::fill_n(out, decimals - length, '0');
    return std::copy_n(digits, length, out);
  }
  out = std::copy_n(digits, length - decimals, out);
  *out++ = '.';
  return std::copy_n(digits + length - decimals, decimals, out);
}

// The data hold mostly numbers of a few decimals, for which the shortest
// fixed notation is found far faster than by the general search: the fewest
// decimals k for which round(value * 10^k) / 10^k gives the value back. The
// division is correctly rounded, so it gives the double that the text reads
// as. While |value| * 10^k < 2^52 the spacing of doubles near the value is
// below 10^-k, so no other text of k decimals reads as the value: the text is
// the one std::to_chars gives.
char* PutFewDecimals(double value, char* out) {
  const double size = std::fabs(value);
  for (int k = 1; k <= kMostQuickDecimals && size * kPowersOfTen[k] < 4503599627370496.0; ++k) {
    // Below 2^52, adding and taking away 2^52 rounds to the nearest whole
    // number (a library call for std::nearbyint).
    const double scaled = (size * kPowersOfTen[k] + 0x1p52) - 0x1p52;
    if (scaled / kPowersOfTen[k] == size) return PutScaled(out, value < 0, static_cast<std::int64_t>(scaled), k);
  }
  return nullptr;
}

// Writes the number at out, which has room for kNumberBufferSize bytes, and
// gives the end.
char* PutPlain(double value, char* out) {
  if (!std::isfinite(value)) return out;
  if (std::fabs(value) < kWholeLimit && value == std::trunc(value))
    return std::to_chars(out, out + kNumberBufferSize, static_cast<std::int64_t>(value)).ptr;
  if (char* end = PutFewDecimals(value, out)) return end;
  return std::to_chars(out, out + kNumberBufferSize, value, std::chars_format::fixed).ptr;
}

bool BreaksRecord(char c) { return c == '\t' || c == '\r' || c == '\n' || c == 26; }

}  // namespace

std::string PlainNumber(double value) {
  char buffer[kNumberBufferSize];
  return std::string(buffer, PutPlain(value, buffer));
}

void TabDataWriter::WriteNames(const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    StartField(name.size());
    PutText(name);
  }
  EndCase();
}

void TabDataWriter::Number(double value) {
  StartField(kNumberBufferSize);
  used_ = static_cast<std::size_t>(PutPlain(value, record_.data() + used_) - record_.data());
}

void TabDataWriter::SystemMissing() { StartField(0); }

void TabDataWriter::String(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  StartField(text.size());
  PutText(text);
}

void TabDataWriter::EndCase() {
  out_.Put(std::string_view(record_.data(), used_));
  out_.EndLine();
  used_ = 0;
  firstField_ = true;
}

// Makes room for a tab and size bytes, and puts the tab before every field
// but the first.
void TabDataWriter::StartField(std::size_t size) {
  if (record_.size() - used_ < size + 1) record_.resize(std::max(2 * record_.size(), used_ + size + 1));
  if (!firstField_) record_[used_++] = '\t';
  firstField_ = false;
}

void TabDataWriter::PutText(std::string_view text) {
  for (char c : text) record_[used_++] = BreaksRecord(c) ? ' ' : c;
}

}  // namespace s2v
