// The numbers of the Mplus and MLwiN data files: a value close to a whole
// number as that number, any other with 3 decimals in a field of 10.
#pragma once

#include "support/byte_stream.h"

namespace s2v {

constexpr double kMplusWholeTolerance = 0.00001;
constexpr double kMLwinWholeTolerance = 0.0001;

// x as a whole number r when r is in the 32-bit signed range and
// |x - r| < tolerance; otherwise fixed-point with 3 decimals, right-aligned in
// 10 characters (never cut).
void PutDataValue(BufferedWriter& out, double x, double tolerance);

// x fixed-point with the given decimals, right-aligned in width characters.
void PutFixed(BufferedWriter& out, double x, int decimals, int width);

}  // namespace s2v
