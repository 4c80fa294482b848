// The rules of an export's fields, each in its plain form and, beside it, the
// vector form that the quick scan of plain fields (support/plain_field_scan.h)
// applies to 64 bytes at a time:
//   - a "," counts as a decimal point, in numbers and in names alike;
//   - a field is a number when it holds, between blanks, an optional sign,
//     digits with at most one point, and at least one digit;
//   - a field of blanks only is missing, and so is any other field.
// The vector forms take only fields without blanks; the plain forms decide the
// rest.
#pragma once

#include <bit>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "support/simd.h"

namespace s2v {

// The longest field of a case that can still be a number; a longer one is
// missing, and only this much of it is kept while it is read.
constexpr std::size_t kMaxNumberField = 2048;

enum class FieldKind : unsigned char {
  Number,  // the copy writes its text
  Blank,   // empty or blanks only: the copy writes missing
  Other,   // not a number: the copy writes missing
};

struct ScannedField {
  FieldKind Kind = FieldKind::Blank;
  std::string_view Text;  // a number's text without the blanks around it
  bool HasComma = false;  // the text holds the decimal point as a ","
};

// Whether c is a decimal point: a "." or a ",". Every "," of the export is
// read as a ".": the label file and the data file hold a "." for it.
constexpr bool IsDecimalPoint(char c) { return c == '.' || c == ','; }

// Gives put the pieces of text with each "," as a ".", copying nothing.
template <typename Put>
void PutWithPoints(std::string_view text, Put&& put) {
  for (std::size_t at; (at = text.find(',')) != std::string_view::npos; text.remove_prefix(at + 1)) {
    put(text.substr(0, at));
    put(std::string_view("."));
  }
  put(text);
}

// Whether a field of a case is a number, in one pass over the field as read,
// its commas unconverted: going through ClassifyWord on a converted copy
// makes the whole copy a third slower.
inline ScannedField ScanField(std::string_view field) {
  if (field.size() > kMaxNumberField) return {FieldKind::Other, {}, false};
  std::size_t first = 0;
  std::size_t last = field.size();
  while (first < last && field[first] == ' ') ++first;
  while (last > first && field[last - 1] == ' ') --last;
  if (first == last) return {};
  std::size_t i = first;
  if (field[i] == '+' || field[i] == '-') ++i;
  int digits = 0;
  int points = 0;
  bool comma = false;
  for (; i < last; ++i) {
    char c = field[i];
    if (c >= '0' && c <= '9') {
      ++digits;
    } else if (IsDecimalPoint(c)) {
      ++points;
      comma |= c == ',';
    } else {
      return {FieldKind::Other, {}, false};
    }
  }
  if (digits == 0 || points > 1) return {FieldKind::Other, {}, false};
  return {FieldKind::Number, field.substr(first, last - first), comma};
}

// A field's number as the copy writes it.
struct FieldNumber {
  double Value = 0;
  int Decimals = 0;   // the digits after the point, as written
  bool Whole = true;  // every digit after the point is 0
};

// The number of a field's text as ScanField gives it.
inline FieldNumber NumberOfText(std::string_view text) {
  std::string clean;
  clean.reserve(text.size());
  FieldNumber number;
  bool afterPoint = false;
  for (char c : text) {
    if (c == '+') continue;
    if (IsDecimalPoint(c)) {
      afterPoint = true;
      clean += '.';
      continue;
    }
    if (afterPoint) {
      ++number.Decimals;
      number.Whole &= c == '0';
    }
    clean += c;
  }
  auto [end, error] = std::from_chars(clean.data(), clean.data() + clean.size(), number.Value);
  (void)end;
  if (error == std::errc::result_out_of_range) number.Value = clean.front() == '-' ? -HUGE_VAL : HUGE_VAL;
  return number;
}

#if defined(S2V_SIMD)

// The classes of up to 64 bytes, bit 0 for the first.
struct ByteClasses {
  // Codes 0 to 26: every field end (tab, CR, LF, code 26) and the other
  // control codes, which the plain forms sort out.
  std::uint64_t stops = 0;
  std::uint64_t tabs = 0;
  std::uint64_t digits = 0;
  std::uint64_t points = 0;  // "." (a "," is one too)
  std::uint64_t signs = 0;   // "+" or "-"
};

// The classes of the 64 bytes from p on, a vector of Lanes at a time. Their
// commas become points on the way (IsDecimalPoint), so that a copy of them has
// no comma left to change.
template <typename Lanes>
[[gnu::always_inline]] inline ByteClasses ClassifyBlock(char* p) {
  using Bytes = typename Lanes::Bytes;
  ByteClasses c;
  for (int i = 0; i < 64; i += Lanes::kWidth) {
    Bytes v;
    std::memcpy(&v, p + i, sizeof v);
    v += __builtin_convertvector(v == ',', Bytes) & ('.' - ',');
    std::memcpy(p + i, &v, sizeof v);
    c.tabs |= Lanes::Mask(v == '\t') << i;
    c.stops |= Lanes::Mask(v <= 26) << i;
    c.digits |= Lanes::Mask((v - '0') <= 9) << i;
    c.points |= Lanes::Mask(v == '.') << i;
    c.signs |= Lanes::Mask((v == '-') | (v == '+')) << i;
  }
  return c;
}

// The highest set bit of x != 0.
inline std::uint64_t HighestBit(std::uint64_t x) { return std::uint64_t{1} << (63 - std::countl_zero(x)); }

// ScanField's number rule for a run of fields that starts at bit 0 and ends
// before the last tab of tabs: the first byte that makes its field other than
// a plain number (digits, at most one point, a sign only in front, at least
// one digit); 0 when there is none. Bits are set for the byte, so a field
// without a digit is marked at its end.
[[gnu::always_inline]] inline std::uint64_t FirstFault(const ByteClasses& w, std::uint64_t tabs) {
  std::uint64_t before = HighestBit(tabs) - 1;
  std::uint64_t innerTabs = tabs & before;
  std::uint64_t content = before & ~innerTabs;
  std::uint64_t starts = (innerTabs << 1) | 1;
  std::uint64_t digits = w.digits & content;
  std::uint64_t points = w.points & content;
  std::uint64_t signs = w.signs & content;
  std::uint64_t faults = content & ~(digits | points | signs);
  faults |= signs & ~starts;
  // Past a field's leading points and signs, the first byte must be a digit:
  // an addition carries each start over them.
  std::uint64_t lead = points | signs;
  std::uint64_t firstOther = (((starts & lead) + lead) & ~lead) | (starts & ~lead);
  faults |= firstOther & ~digits;
  // Past a point and its following digits, no second point.
  std::uint64_t afterPoints = points << 1;
  std::uint64_t pastDigits = (((afterPoints & digits) + digits) & ~digits) | (afterPoints & ~digits);
  faults |= pastDigits & points;
  return faults & (0 - faults);
}

// ScanField's number rule for the one field whose bytes inField marks, from
// bit 0 on (the field's points are w.points & inField).
[[gnu::always_inline]] inline bool IsPlainNumber(const ByteClasses& w, std::uint64_t inField) {
  const std::uint64_t points = w.points & inField;
  const std::uint64_t allowed = w.digits | w.points | (w.signs & 1);
  return ((inField & ~allowed) == 0) & ((w.digits & inField) != 0) & ((points & (points - 1)) == 0);
}

#endif

}  // namespace s2v
