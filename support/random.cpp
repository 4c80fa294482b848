#include "support/random.h"

#include <cmath>

namespace s2v {

std::uint32_t RandomSeed = 0;

namespace {

constexpr long double kDensityFactor = 0.3989422804014327L;  // 1 / sqrt(2 pi)
constexpr long double kTwoPi = 6.28318530717958647693L;
constexpr std::int64_t kMillisecondsPerDay = 86'400'000;

// The tail by the convergents of d / (x + 1/(x + 2/(x + 3/(x + ...)))),
// until a convergent repeats one of the two before it.
long double ContinuedFraction(bool upper, long double x, long double y, long double d) {
  auto value = [upper](long double a, long double b) { return upper ? a / b : 1.0L - a / b; };
  long double a0 = d;
  long double a1 = d * x;
  long double b0 = x;
  long double b1 = 1.0L + y;
  long double previous = value(a0, b0);
  long double current = value(a1, b1);
  long double beforePrevious = previous;
  for (int m = 2; current != previous && current != beforePrevious; ++m) {
    long double a2 = a1 * x + m * a0;
    a0 = a1;
    a1 = a2;
    long double b2 = b1 * x + m * b0;
    b0 = b1;
    b1 = b2;
    beforePrevious = previous;
    previous = current;
    current = value(a1, b1);
  }
  return current;
}

// The tail by d * (x + x^3/3 + x^5/(3*5) + ...), the terms kept in double.
long double Series(bool upper, long double x, long double y, long double d) {
  long double s = d * x;
  double t = static_cast<double>(d * x);
  long double before = 0;
  for (int k = 1; s != before;) {
    k += 2;
    before = s;
    t = static_cast<double>(t * y / k);
    s += t;
  }
  return upper ? 0.5L - s : 0.5L + s;
}

}  // namespace

std::uint32_t MillisecondsOfDay(std::chrono::system_clock::time_point time) {
  using std::chrono::milliseconds;
  std::int64_t ms = std::chrono::duration_cast<milliseconds>(time.time_since_epoch()).count();
  // The system clock leaves out leap seconds, so every day has the same length.
  std::int64_t ofDay = ms % kMillisecondsPerDay;
  if (ofDay < 0) ofDay += kMillisecondsPerDay;
  return static_cast<std::uint32_t>(ofDay);
}

void SeedFromClock() { RandomSeed = MillisecondsOfDay(std::chrono::system_clock::now()); }

long double UniformRandom() {
  RandomSeed = RandomSeed * 134775813u + 1u;
  return static_cast<long double>(RandomSeed) * 0x1p-32L;
}

double NormalTail(bool upper, double xIn) {
  if (xIn == 0) return 0.5;
  long double x = xIn;
  if (x < 0) {
    upper = !upper;
    x = -x;
  }
  long double y = x * x;
  long double d = y / 2 < 170 ? std::exp(-y / 2) * kDensityFactor : 0.0L;
  if (d / x == 0) return upper ? 0.0 : 1.0;
  bool useFraction = upper ? x > 2.32L : x > 3.5L;
  return static_cast<double>(useFraction ? ContinuedFraction(upper, x, y, d) : Series(upper, x, y, d));
}

namespace {

// exp(-logDensity) at z = 0, the first step of every inversion. It is
// evaluated at run time like the later steps (a zero the compiler cannot see
// through), so that it is the very number the loop would compute.
long double ExpOfMinusLogDensityAtZero() {
  static const long double value = [] {
    volatile long double zero = 0;
    long double z = zero;
    long double logDensity = -std::log(kTwoPi) / 2 - z * z / 2;
    return std::exp(-logDensity);
  }();
  return value;
}

}  // namespace

long double InverseUpperTail(long double p) {
  // The first step, from z = 0 and q = 0.5.
  long double z = 0;
  z += ExpOfMinusLogDensityAtZero() * (0.5L - p);
  long double change = std::fabs(z);
  if (!(change > 1e-10L)) return z;
  long double q = NormalTail(true, static_cast<double>(z));
  while (change > 1e-10L) {
    long double previous = z;
    long double logDensity = -std::log(kTwoPi) / 2 - z * z / 2;
    if (std::fabs(z) < 0.01L)
      z += std::exp(-logDensity) * (q - p);
    else
      z += std::log(1.0L + std::exp(-logDensity) * ((q - p) * z)) / z;
    change = std::fabs(z - previous);
    // The tail at the last step would feed no further step.
    if (change > 1e-10L) q = NormalTail(true, static_cast<double>(z));
  }
  return z;
}

long double NormalRandom() { return InverseUpperTail(UniformRandom()); }

double QuickUpperTailQuantile(double p) {
  // Work on the smaller tail, where the tail probability has its full relative
  // precision; 1 - p is exact for every p that UniformRandom gives.
  bool lower = p > 0.5;
  double tail = lower ? 1.0 - p : p;
  // Abramowitz and Stegun 26.2.23, within 4.5e-4 of the quantile.
  double t = std::sqrt(-2.0 * std::log(tail));
  double z = t - (2.515517 + t * (0.802853 + t * 0.010328)) / (1.0 + t * (1.432788 + t * (0.189269 + t * 0.001308)));
  // Each Halley step on Q(z) = tail about triples the correct digits.
  constexpr double kInverseSqrtTwo = 0.70710678118654752440;
  constexpr auto kDensity = static_cast<double>(kDensityFactor);
  for (int step = 0; step < 2; ++step) {
    double u = (0.5 * std::erfc(z * kInverseSqrtTwo) - tail) / (kDensity * std::exp(-0.5 * z * z));
    z += u / (1.0 - 0.5 * u * z);
  }
  return lower ? -z : z;
}

}  // namespace s2v
