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

// Writes n / 10^decimals, n whole. The digits are few: they are moved one by
// one rather than through a library call.
char* PutScaled(char* out, bool negative, std::int64_t n, int decimals) {
  if (negative) *out++ = '-';
  char digits[24];
  const int length = static_cast<int>(std::to_chars(digits, digits + sizeof digits, n).ptr - digits);
  const char* digit = digits;
  if (length <= decimals) {
    *out++ = '0';
    *out++ = '.';
    for (int i = length; i < decimals; ++i) *out++ = '0';
  } else {
    for (int i = decimals; i < length; ++i) *out++ = *digit++;
    *out++ = '.';
  }
  while (digit != digits + length) *out++ = *digit++;
  return out;
}

// The data hold mostly numbers of a few decimals, for which the shortest
// fixed notation is found far faster than by the general search: the fewest
// decimals k for which round(value * 10^k) / 10^k gives the value back. The
// division is correctly rounded, so it gives the double that the text reads
// as. While |value| * 10^k < 2^52 the spacing of doubles near the value is
// below 10^-k, so no other text of k decimals reads as the value: the text is
// the one std::to_chars gives.
char* PutFewDecimals(double value, char* out, signed char& decimals) {
  const double size = std::fabs(value);
  for (int k = 1; k <= kMostQuickDecimals && size * kPowersOfTen[k] < 4503599627370496.0; ++k) {
    // Below 2^52, adding and taking away 2^52 rounds to the nearest whole
    // number (a library call for std::nearbyint).
    const double scaled = (size * kPowersOfTen[k] + 0x1p52) - 0x1p52;
    if (scaled / kPowersOfTen[k] == size) {
      decimals = static_cast<signed char>(k);
      return PutScaled(out, value < 0, static_cast<std::int64_t>(scaled), k);
    }
  }
  return nullptr;
}

// The values of a variable mostly have the same number of decimals, so the
// count that served its last value is tried first. If round(value * 10^k) /
// 10^k gives the value back and its last digit is not 0, k is the fewest: a
// text of fewer decimals that reads as the value would, padded with zeros, be
// a second text of k decimals reading as it, which cannot be (see above).
char* PutHintedDecimals(double value, int k, char* out) {
  const double size = std::fabs(value);
  if (size * kPowersOfTen[k] >= 4503599627370496.0) return nullptr;
  const double scaled = (size * kPowersOfTen[k] + 0x1p52) - 0x1p52;
  if (scaled / kPowersOfTen[k] != size) return nullptr;
  const auto n = static_cast<std::int64_t>(scaled);
  if (n % 10 == 0) return nullptr;
  return PutScaled(out, value < 0, n, k);
}

// Writes the number at out, which has room for kNumberBufferSize bytes, and
// gives the end. decimals holds the decimals the last value of the variable
// was written with (0 for a whole number, -1 for none) and is updated.
char* PutPlain(double value, char* out, signed char& decimals) {
  if (!std::isfinite(value)) return out;
  if (std::fabs(value) < kWholeLimit && value == std::trunc(value)) {
    decimals = 0;
    return std::to_chars(out, out + kNumberBufferSize, static_cast<std::int64_t>(value)).ptr;
  }
  if (decimals > 0)
    if (char* end = PutHintedDecimals(value, decimals, out)) return end;
  if (char* end = PutFewDecimals(value, out, decimals)) return end;
  decimals = -1;
  return std::to_chars(out, out + kNumberBufferSize, value, std::chars_format::fixed).ptr;
}

bool BreaksRecord(char c) { return c == '\t' || c == '\r' || c == '\n' || c == 26; }

}  // namespace

std::string PlainNumber(double value) {
  char buffer[kNumberBufferSize];
  signed char decimals = -1;
  return std::string(buffer, PutPlain(value, buffer, decimals));
}

void TabDataWriter::WriteNames(const std::vector<std::string>& names) {
  for (const std::string& name : names) String(name);
  EndCase();
}

void TabDataWriter::Number(double value) {
  char* at = StartField(kNumberBufferSize);
  if (decimals_.size() < field_) decimals_.resize(field_, -1);
  out_.CommitTo(PutPlain(value, at, decimals_[field_ - 1]));
}

void TabDataWriter::SystemMissing() { out_.CommitTo(StartField(0)); }

void TabDataWriter::String(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  char* at = StartField(text.size());
  for (char c : text) *at++ = BreaksRecord(c) ? ' ' : c;
  out_.CommitTo(at);
}

void TabDataWriter::EndCase() {
  out_.EndLine();
  field_ = 0;
}

// Makes room in the output for a tab and size bytes, puts the tab before
// every field but the first, and gives where the field's bytes go.
char* TabDataWriter::StartField(std::size_t size) {
  char* at = out_.Reserve(size + 1).data();
  if (field_ > 0) *at++ = '\t';
  ++field_;
  return at;
}

}  // namespace s2v
