// The numbers of the Mplus and MLwiN data files: a value close to a whole
// number as that number, any other with 3 decimals in a field of 10.
#pragma once

#include <cstddef>

#include "support/byte_stream.h"

namespace s2v {

// A value closer than this to a whole number is written as that number.
struct WholeTolerance {
  double distance;
  int decimals;  // the distance is ten to the minus decimals
};

constexpr WholeTolerance kMplusWholeTolerance{0.00001, 5};
constexpr WholeTolerance kMLwinWholeTolerance{0.0001, 4};
static_assert(kMplusWholeTolerance.distance == 1 / 1e5 && kMLwinWholeTolerance.distance == 1 / 1e4);

// The room a value's text may take: the largest double in fixed notation
// with 3 decimals, and some to spare.
constexpr std::size_t kDataValueRoom = 352;

// x at p, which has kDataValueRoom bytes, as a whole number r when r is in the
// 32-bit signed range and |x - r| < tolerance; otherwise fixed-point with 3
// decimals, right-aligned in 10 characters (never cut). Returns the end of
// the text.
char* WriteDataValue(char* p, double x, WholeTolerance tolerance);

// x fixed-point with the given decimals, right-aligned in width characters.
void PutFixed(BufferedWriter& out, double x, int decimals, int width);
// The same as PutFixed(out, x, 6, 10), quickly for x well clear of a rounding
// step and below 1000 (as the Mplus Dummy column's values are).
void PutSixDecimals(BufferedWriter& out, double x);

}  // namespace s2v
