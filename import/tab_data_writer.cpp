#include "import/tab_data_writer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace s2v {
namespace {

// The longest fixed notation of a double: 309 digits before the point, or a
// point and 1074 digits after it, and a sign.
constexpr std::size_t kNumberBufferSize = 1100;

// Whole numbers up to this size are written through the integer conversion,
// which is several times faster than the shortest-digits search.
constexpr double kWholeLimit = 9007199254740992.0;  // 2^53

constexpr double kPowersOfTen[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
constexpr auto kWholePowersOfTen = [] {
  std::array<std::uint64_t, 17> powers{1};
  for (std::size_t i = 1; i < powers.size(); ++i) powers[i] = powers[i - 1] * 10;
  return powers;
}();
constexpr int kMostQuickDecimals = 9;

// "00" to "99", the first digit in the lower byte.
constexpr auto kDigitPairs = [] {
  std::array<std::uint64_t, 100> pairs{};
  for (unsigned i = 0; i < 100; ++i) pairs[i] = ('0' + i / 10) | ('0' + i % 10) << 8;
  return pairs;
}();

// The eight decimal digits of n < 10^8 as characters, the first digit in the
// lowest byte, so that storing the word puts them in reading order. The four
// pairs are found side by side, which keeps the chain of multiplications that
// stand for the divisions short.
std::uint64_t EightDigits(std::uint32_t n) {
  const std::uint32_t high = n / 10000;
  const std::uint32_t low = n % 10000;
  return kDigitPairs[high / 100] | kDigitPairs[high % 100] << 16 | kDigitPairs[low / 100] << 32 |
         kDigitPairs[low % 100] << 48;
}

// The number of decimal digits of n (1 for 0).
int DigitCount(std::uint64_t n) {
  // bit_width * log10(2) is the count or one less.
  const int estimate = static_cast<int>((std::bit_width(n) * 1233) >> 12);
  return std::max(1, estimate + (n >= kWholePowersOfTen[estimate] ? 1 : 0));
}

// Stores the last count (1 to 8) of the eight digits, eight bytes in all.
char* PutLastDigits(std::uint64_t digits, int count, char* out) {
  digits >>= 8 * (8 - count);
  std::memcpy(out, &digits, 8);
  return out + count;
}

// Writes n < 10^16 without leading zeros; out must have room for 16 bytes.
char* PutWhole(std::uint64_t n, char* out) {
  const int count = DigitCount(n);
  if (count <= 8) return PutLastDigits(EightDigits(static_cast<std::uint32_t>(n)), count, out);
  out = PutLastDigits(EightDigits(static_cast<std::uint32_t>(n / 100000000)), count - 8, out);
  return PutLastDigits(EightDigits(static_cast<std::uint32_t>(n % 100000000)), 8, out);
}

// Writes the whole part, a point and the fraction of decimals (1 to 9)
// digits with leading zeros; out must have room for 34 bytes.
char* PutScaled(char* out, bool negative, std::uint64_t whole, std::uint64_t fraction, int decimals) {
  if (negative) *out++ = '-';
  out = PutWhole(whole, out);
  *out++ = '.';
  if (decimals == 9) {
    *out++ = static_cast<char>('0' + fraction / 100000000);
    fraction %= 100000000;
    decimals = 8;
  }
  return PutLastDigits(EightDigits(static_cast<std::uint32_t>(fraction)), decimals, out);
}

// Writes size = n / 10^k, n whole and not a multiple of 10^k, with k
// decimals. Doubles near size are closer together than 10^-k, so size has
// the whole part of n / 10^k and the rest of n is the fraction.
char* PutDecimals(char* out, bool negative, double size, std::uint64_t n, int k) {
  const auto whole = static_cast<std::uint64_t>(size);
  return PutScaled(out, negative, whole, n - whole * kWholePowersOfTen[k], k);
}

constexpr double kTwoToThe52 = 4503599627370496.0;

// round(size * 10^k) when size * 10^k < 2^52: adding and taking away 2^52
// rounds to the nearest whole number (a library call for std::nearbyint).
double ScaledUp(double size, int k) { return (size * kPowersOfTen[k] + kTwoToThe52) - kTwoToThe52; }

// The data hold mostly numbers of a few decimals, for which the shortest
// fixed notation is found far faster than by the general search: the fewest
// decimals k for which n = round(|value| * 10^k) gives the value back as
// n / 10^k. The division is correctly rounded, so it gives the double that
// the text reads as. While n < 2^52 the spacing of doubles near the value is
// below 10^-k, so no other text of k decimals reads as the value: the text is
// the one std::to_chars gives. Once some k gives the value back, the fewest
// decimals are k less n's trailing zeros, and no count below k gives it back
// when k does not.
//
// The values of a variable mostly have the same number of decimals, so the
// search starts from hint, the decimals that the variable's values needed
// before, and updates it; it gives nullptr when no k up to 9 will do.
char* PutFewDecimals(double value, char* out, signed char& hint) {
  const double size = std::fabs(value);
  int k = 1;
  if (hint > 0 && size * kPowersOfTen[hint] < kTwoToThe52) {
    const double scaled = ScaledUp(size, hint);
    if (scaled / kPowersOfTen[hint] == size) {
      auto n = static_cast<std::uint64_t>(scaled);
      for (k = hint; n % 10 == 0; --k) n /= 10;
      return PutDecimals(out, value < 0, size, n, k);
    }
    k = hint + 1;
  }
  for (; k <= kMostQuickDecimals && size * kPowersOfTen[k] < kTwoToThe52; ++k) {
    const double scaled = ScaledUp(size, k);
    if (scaled / kPowersOfTen[k] == size) {
      hint = static_cast<signed char>(k);
      return PutDecimals(out, value < 0, size, static_cast<std::uint64_t>(scaled), k);
    }
  }
  return nullptr;
}

// Writes the number at out, which has room for kNumberBufferSize bytes, and
// gives the end. hint holds the decimals that the variable's values needed
// before (0 for none yet) and is updated.
char* PutPlain(double value, char* out, signed char& hint) {
  if (!std::isfinite(value)) return out;
  const double size = std::fabs(value);
  // The conversion to a whole number and back is exact only for a whole size.
  if (size < kWholeLimit && static_cast<double>(static_cast<std::uint64_t>(size)) == size) {
    if (value < 0) *out++ = '-';
    return PutWhole(static_cast<std::uint64_t>(size), out);
  }
  if (char* end = PutFewDecimals(value, out, hint)) return end;
  return std::to_chars(out, out + kNumberBufferSize, value, std::chars_format::fixed).ptr;
}

bool BreaksRecord(char c) { return c == '\t' || c == '\r' || c == '\n' || c == 26; }

}  // namespace

std::string PlainNumber(double value) {
  char buffer[kNumberBufferSize];
  signed char hint = 0;
  return std::string(buffer, PutPlain(value, buffer, hint));
}

void TabDataWriter::WriteNames(const std::vector<std::string>& names) {
  for (const std::string& name : names) String(name);
  EndCase();
}

void TabDataWriter::Number(double value) {
  char* at = StartField(kNumberBufferSize);
  if (decimals_.size() < field_) decimals_.resize(field_, 0);
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
