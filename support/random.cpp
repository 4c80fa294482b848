#include "support/random.h"

#include <array>
#include <cmath>

namespace s2v {

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

std::uint32_t ClockSeed() { return MillisecondsOfDay(std::chrono::system_clock::now()); }

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

namespace {

// The polynomial with the coefficients c, the highest power's first, at x.
template <std::size_t N>
double Polynomial(const std::array<double, N>& c, double x) {
  double sum = 0;
  for (double coefficient : c) sum = sum * x + coefficient;
  return sum;
}

// Wichura's algorithm AS 241 (PPND16): the z whose lower-tail probability is
// p, for p in (0, 1), to about 1 part in 10^16, by rational functions of p
// near the middle and of sqrt(-log(tail)) in the tails.
double LowerTailQuantile(double p) {
  constexpr std::array<double, 8> kMiddleAbove = {
      2.5090809287301226727e+3, 3.3430575583588128105e+4, 6.7265770927008700853e+4, 4.5921953931549871457e+4,
      1.3731693765509461125e+4, 1.9715909503065514427e+3, 1.3314166789178437745e+2, 3.3871328727963666080e+0};
  constexpr std::array<double, 8> kMiddleBelow = {
      5.2264952788528545610e+3, 2.8729085735721942674e+4, 3.9307895800092710610e+4, 2.1213794301586595867e+4,
      5.3941960214247511077e+3, 6.8718700749205790830e+2, 4.2313330701600911252e+1, 1.0};
  constexpr std::array<double, 8> kNearAbove = {
      7.74545014278341407640e-4, 2.27238449892691845833e-2, 2.41780725177450611770e-1, 1.27045825245236838258e+0,
      3.64784832476320460504e+0, 5.76949722146069140550e+0, 4.63033784615654529590e+0, 1.42343711074968357734e+0};
  constexpr std::array<double, 8> kNearBelow = {
      1.05075007164441684324e-9, 5.47593808499534494600e-4, 1.51986665636164571966e-2, 1.48103976427480074590e-1,
      6.89767334985100004550e-1, 1.67638483018380384940e+0, 2.05319162663775882187e+0, 1.0};
  constexpr std::array<double, 8> kFarAbove = {
      2.01033439929228813265e-7, 2.71155556874348757815e-5, 1.24266094738807843860e-3, 2.65321895265761230930e-2,
      2.96560571828504891230e-1, 1.78482653991729133580e+0, 5.46378491116411436990e+0, 6.65790464350110377720e+0};
  constexpr std::array<double, 8> kFarBelow = {
      2.04426310338993978564e-15, 1.42151175831644588870e-7, 1.84631831751005468180e-5, 7.86869131145613259100e-4,
      1.48753612908506148525e-2,  1.36929880922735805310e-1, 5.99832206555887937690e-1, 1.0};
  const double q = p - 0.5;
  if (std::fabs(q) <= 0.425) {
    const double r = 0.180625 - q * q;
    return q * Polynomial(kMiddleAbove, r) / Polynomial(kMiddleBelow, r);
  }
  double r = std::sqrt(-std::log(q < 0 ? p : 1.0 - p));
  double x;
  if (r <= 5.0) {
    r -= 1.6;
    x = Polynomial(kNearAbove, r) / Polynomial(kNearBelow, r);
  } else {
    r -= 5.0;
    x = Polynomial(kFarAbove, r) / Polynomial(kFarBelow, r);
  }
  return q < 0 ? -x : x;
}

}  // namespace

double QuickUpperTailQuantile(double p) { return -LowerTailQuantile(p); }

}  // namespace s2v
