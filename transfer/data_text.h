// A field of the VORNEX data file written in the Mplus and MLwiN data files'
// form. The data copy writes nearly every field as the text of a number with a
// few decimals; the output text of such a field follows from its digits,
// without converting it to a double and back. Inline: the transfers call it
// for every field.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "support/simd.h"

#if defined(S2V_SIMD)
#include <emmintrin.h>
#endif

#include "support/byte_stream.h"
#include "transfer/value_format.h"

namespace s2v {

// The value of a field of the VORNEX data file: an optional sign, digits with
// at most one point, at least one digit, an optional exponent. Throws
// IoError(kInvalidNumericInput) for anything else.
double ParseField(std::string_view field);

// The 32 bytes from a field's start on may be read by WriteDataText, also
// past the field: a reader's buffer keeps at least this much after its data.
constexpr std::size_t kDataTextReadAhead = 32;

namespace data_text {

// Where the 16 bytes at p hold digits, points and zeros, one bit a byte.
struct Marks {
  unsigned digits = 0;
  unsigned points = 0;
  unsigned zeros = 0;
};

inline Marks Mark(const char* p) {
  Marks marks;
#if defined(S2V_SIMD)
  const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i digit = _mm_and_si128(_mm_cmpeq_epi8(_mm_max_epu8(block, _mm_set1_epi8('0')), block),
                                      _mm_cmpeq_epi8(_mm_min_epu8(block, _mm_set1_epi8('9')), block));
  marks.digits = static_cast<unsigned>(_mm_movemask_epi8(digit));
  marks.points = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_set1_epi8('.'))));
  marks.zeros = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_set1_epi8('0'))));
#else
  for (unsigned i = 0; i < 16; ++i) {
    if (p[i] >= '0' && p[i] <= '9') marks.digits |= 1u << i;
    if (p[i] == '.') marks.points |= 1u << i;
    if (p[i] == '0') marks.zeros |= 1u << i;
  }
#endif
  return marks;
}

// The lowest n bits set, for n = 0 to 16.
inline constexpr std::array<unsigned, 17> kLowBits = [] {
  std::array<unsigned, 17> bits{};
  for (unsigned n = 0; n <= 16; ++n) bits[n] = (1u << n) - 1;
  return bits;
}();

// "000" to "999", four bytes apart.
inline constexpr std::array<char, 4000> kThreeDigits = [] {
  std::array<char, 4000> digits{};
  for (int i = 0; i < 1000; ++i) {
    digits[4 * i] = static_cast<char>('0' + i / 100);
    digits[4 * i + 1] = static_cast<char>('0' + i / 10 % 10);
    digits[4 * i + 2] = static_cast<char>('0' + i % 10);
  }
  return digits;
}();

// Writes "-" when signed, then the count digits at digits, "0" for none; the
// copy takes 16 bytes whatever the count.
inline char* PutWhole(char* q, const char* digits, unsigned count, bool sign) {
  *q = '-';
  q += sign ? 1 : 0;
  std::memcpy(q, digits, 16);
  if (count == 0) *q = '0';
  return q + (count == 0 ? 1 : count);
}

// The same, then room for a point and 3 decimals, right-aligned in 10.
inline char* PutPaddedWhole(char* p, const char* digits, unsigned count, bool negative) {
  const unsigned length = (negative ? 1 : 0) + (count == 0 ? 1 : count) + 4;
  std::memcpy(p, "                ", 16);
  return PutWhole(p + (length < 10 ? 10 - length : 0), digits, count, negative);
}

// The point and the 0 to 3 decimals at point, padded with zeros to 3.
inline char* PutThreeDecimals(char* q, const char* point, unsigned decimals) {
  if constexpr (std::endian::native == std::endian::little) {
    std::uint32_t chunk;
    std::memcpy(&chunk, point, 4);
    const auto keep = static_cast<std::uint32_t>((std::uint64_t{1} << (8 * (decimals + 1))) - 1);
    chunk = (chunk & keep) | (0x30303030u & ~keep);
    std::memcpy(q, &chunk, 4);
  } else {
    for (unsigned i = 0; i < 4; ++i) q[i] = i <= decimals ? point[i] : '0';
  }
  return q + 4;
}

// Where the double of a decimal lies: -1 below it, 0 on it, 1 above it. The
// decimal has the given whole digits (at most 9) and 4 to 6 decimals.
int SideOfDouble(const char* whole, unsigned wholeDigits, const char* fraction, unsigned decimals);

// Writes the text of n characters (at most 16) when it has one of the forms
// the data copy writes most, whose output is the same for every tolerance
// below half a thousandth, and returns its end; nullptr for any other text.
// Reads 32 bytes from text on.
[[gnu::always_inline]] inline char* WriteCommonForm(char* p, const char* text, unsigned n) {
  const Marks marks = Mark(text);
  const unsigned inText = kLowBits[n];
  const unsigned minus = text[0] == '-' ? 1u : 0u;
  const unsigned digits = marks.digits & inText;
  const unsigned points = marks.points & inText;
  // A whole number of 1 to 9 digits without leading zeros stays as it is. A
  // number with such a whole part (or a lone 0) and 1 to 3 decimals, not all
  // zeros, is padded with zeros to 3 decimals and with blanks to 10
  // characters.
  if ((inText & ~digits) == (minus | points) && (points & (points - 1)) == 0) {
    if (points == 0) {
      if (n - minus - 1 < 9 && (text[minus] != '0' || n == 1)) {
        std::memcpy(p, text, 16);
        return p + n;
      }
    } else {
      const auto point = static_cast<unsigned>(std::countr_zero(points));
      if (point - minus - 1 < 9 && (text[minus] != '0' || point == minus + 1)) {
        const unsigned pad = point < 6 ? 6 - point : 0;
        if (n - point - 2 < 3 && ((digits & ~marks.zeros) >> (point + 1)) != 0) {
          std::memcpy(p, "                ", 16);
          std::memcpy(p + pad, text, 16);
          std::memcpy(p + pad + n, "000", 4);
          return p + pad + point + 4;
        }
        // With 4 to 6 decimals, the first three neither 000 (a whole number
        // may lie within the tolerance) nor 999 (rounding may carry into the
        // whole part), it is rounded half up by the fourth decimal and those
        // after it, unless right on the half.
        const char* const fraction = text + point + 1;
        if (n - point - 5 < 3 && (fraction[3] != '5' || ((digits & ~marks.zeros) >> (point + 5)) != 0)) {
          const unsigned thousandths = static_cast<unsigned>(fraction[0] - '0') * 100 +
                                       static_cast<unsigned>(fraction[1] - '0') * 10 +
                                       static_cast<unsigned>(fraction[2] - '0');
          if (thousandths - 1 < 998) {
            std::memcpy(p, "                ", 16);
            std::memcpy(p + pad, text, 16);
            std::memcpy(p + pad + point + 1, &kThreeDigits[4 * (thousandths + (fraction[3] >= '5' ? 1 : 0))], 4);
            return p + pad + point + 4;
          }
        }
      }
    }
  }

  return nullptr;
}

// Writes the plain decimal text of n characters (an optional sign, digits with
// at most one point) when its digits decide the output: at most 9 digits
// before the point and at most 6 decimals, or a zero fraction and at most 15
// digits before the point. Then the double of the text lies within 6e-8 of
// the text's value (on it, for a whole number), while the text's fraction
// lies at least a millionth from every step where the output changes, unless
// right on it: on half a thousandth the exact place of the double decides,
// and on the tolerance above a whole number, on a half that the double hits
// exactly, or where rounding carries into the whole part, and for any other
// text, it writes nothing and returns nullptr: the double decides. Reads 32
// bytes from text on.
[[gnu::always_inline]] inline char* WritePlain(char* p, const char* text, unsigned n, WholeTolerance tolerance) {
  if (n > 16) return nullptr;
  const Marks marks = Mark(text);
  const unsigned inText = kLowBits[n];
  const unsigned minus = text[0] == '-' ? 1u : 0u;
  const unsigned digits = marks.digits & inText;
  const unsigned points = marks.points & inText;
  const unsigned point = points != 0 ? static_cast<unsigned>(std::countr_zero(points)) : n;
  const unsigned sign = (minus != 0 || text[0] == '+') ? 1u : 0u;
  if ((digits | points | sign) != inText || (points & (points - 1)) != 0 || digits == 0) return nullptr;
  const bool negative = minus != 0;
  const unsigned significant = digits & ~marks.zeros & ((1u << point) - 1);
  const unsigned wholeBegin = significant != 0 ? static_cast<unsigned>(std::countr_zero(significant)) : point;
  const unsigned wholeDigits = point - wholeBegin;
  const char* const whole = text + wholeBegin;
  const unsigned decimals = points != 0 ? n - point - 1 : 0;
  // One bit a decimal, the first lowest: set for a zero and for every
  // decimal past the text's.
  const unsigned decimalZeros = ((marks.zeros & inText) >> (point + 1)) | (~0u << decimals);

  if (decimalZeros == ~0u) {
    // A whole number, exact in the double.
    if (wholeDigits <= 9) return PutWhole(p, whole, wholeDigits, negative && wholeDigits != 0);
    if (wholeDigits > 15) return nullptr;
    char* q = PutWhole(p, whole, wholeDigits, negative);
    if (wholeDigits > 10 || std::memcmp(whole, negative ? "2147483648" : "2147483647", 10) > 0) {
      std::memcpy(q, ".000", 4);
      q += 4;
    }
    return q;
  }
  if (wholeDigits > 9 || decimals > 6) return nullptr;
  if (decimals <= 3) return PutThreeDecimals(PutPaddedWhole(p, whole, wholeDigits, negative), text + point, decimals);
  const char* const fraction = text + point + 1;
  if ((decimalZeros & 7) == 7) {
    // Less than a thousandth above the whole part: whole within the
    // tolerance, the double's when right on it.
    const unsigned below = (1u << tolerance.decimals) - 1;
    if ((decimalZeros & below) == below) return PutWhole(p, whole, wholeDigits, negative && wholeDigits != 0);
    const unsigned before = below >> 1;
    if ((decimalZeros & before) == before && fraction[tolerance.decimals - 1] == '1' &&
        (decimalZeros >> tolerance.decimals) == (~0u >> tolerance.decimals))
      return nullptr;
  }
  // 3 decimals, rounded half up by the fourth and those after it; right on
  // the half, by where the double lies.
  bool up = fraction[3] >= '5';
  if (fraction[3] == '5' && (decimalZeros >> 4) == (~0u >> 4)) {
    const int side = SideOfDouble(whole, wholeDigits, fraction, decimals);
    if (side == 0) return nullptr;
    up = side > 0;
  }
  const unsigned thousandths = static_cast<unsigned>(fraction[0] - '0') * 100 +
                               static_cast<unsigned>(fraction[1] - '0') * 10 +
                               static_cast<unsigned>(fraction[2] - '0') + (up ? 1 : 0);
  if (thousandths == 1000) return nullptr;
  char* q = PutPaddedWhole(p, whole, wholeDigits, negative);
  *q = '.';
  std::memcpy(q + 1, &kThreeDigits[4 * thousandths], 3);
  return q + 4;
}

static_assert(kMplusWholeTolerance.decimals >= 4 && kMplusWholeTolerance.decimals <= 6 &&
                  kMLwinWholeTolerance.decimals >= 4 && kMLwinWholeTolerance.decimals <= 6,
              "WritePlain decides whole numbers within a thousandth, from 6 decimals");

}  // namespace data_text

// WriteDataText for a field that WriteCommonForm did not take: its form is
// not looked for again.
inline char* WriteUncommonText(char* p, std::string_view field, WholeTolerance tolerance) {
  if (field.size() <= 16) {
    if (char* end = data_text::WritePlain(p, field.data(), static_cast<unsigned>(field.size()), tolerance)) return end;
  }
  return WriteDataValue(p, ParseField(field), tolerance);
}

// Writes field at p, which has kDataValueRoom bytes, exactly as
// WriteDataValue writes ParseField(field), and returns the end of the text;
// throws as ParseField does. kDataTextReadAhead bytes from field.data() on
// must be readable.
[[gnu::always_inline]] inline char* WriteDataText(char* p, std::string_view field, WholeTolerance tolerance) {
  if (field.size() <= 16) {
    if (char* end = data_text::WriteCommonForm(p, field.data(), static_cast<unsigned>(field.size()))) return end;
  }
  return WriteUncommonText(p, field, tolerance);
}

// False when a field's texts for two tolerances below half a thousandth are
// surely the same: they differ only for a value within the wider one of a
// whole number without being that number, and a plain decimal text lies
// that close only with four decimals or more, the first three 000 or 999.
// True for those, and for any field with more than 16 characters or other
// characters than a sign, digits and a point. Reads kDataTextReadAhead
// bytes from field.data() on.
inline bool TextsMayPart(std::string_view field) {
  const auto n = static_cast<unsigned>(field.size());
  if (n > 16) return true;
  const data_text::Marks marks = data_text::Mark(field.data());
  const unsigned inText = data_text::kLowBits[n];
  if ((inText & ~(marks.digits | marks.points) & ~1u) != 0) return true;
  const unsigned points = marks.points & inText;
  if (points == 0) return false;
  const auto point = static_cast<unsigned>(std::countr_zero(points));
  if (n < point + 5) return false;
  const char* const decimals = field.data() + point + 1;
  return std::memcmp(decimals, "000", 3) == 0 || std::memcmp(decimals, "999", 3) == 0;
}

}  // namespace s2v
