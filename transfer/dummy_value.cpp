#include "transfer/dummy_value.h"

#include <cmath>

#include "support/random.h"

namespace s2v {

namespace {

// The quick quantile's distance from the Newton inversion stays below
// 3.1e-13 for every draw up to kQuickLimit (it lies within 4e-15 of the
// Halley-refined quantile used before, which lay within 3e-13); above it,
// where the inversion works on probabilities next to 1, their results part
// by up to 1e-8. Every one of the 2^32 draws gives the inversion's text
// (bench/dummy_value_check.cpp).
constexpr double kQuickLimit = 1.0 - 0x1p-12;
// A quick value this far from any point where 6 decimals round differently
// has the same text as the inversion's value.
constexpr double kMargin = 1e-9;

// True when every number within kMargin of z has z's text with 6 decimals:
// no rounding step (an odd multiple of 5e-7) and no change of sign near it.
bool DecidesSixDecimals(double z) {
  double scaled = z * 1e6;
  double fraction = scaled - std::floor(scaled);
  return std::fabs(fraction - 0.5) > kMargin * 1e6 && std::fabs(z) > 1e-6;
}

}  // namespace

double DummyValue(long double p) {
  if (p > 0 && p <= kQuickLimit) {
    double z = QuickUpperTailQuantile(static_cast<double>(p));
    if (DecidesSixDecimals(z)) return z;
  }
  return static_cast<double>(InverseUpperTail(p));
}

}  // namespace s2v
