// Random numbers for the Mplus Dummy column: a 32-bit linear congruential
// generator of uniform numbers and a standard normal variate found by
// inverting the normal upper-tail probability with Newton's method. The
// arithmetic runs in long double, the 80-bit type on x86-64 Linux.
#pragma once

#include <chrono>
#include <cstdint>

namespace s2v {

// The uniform generator; its whole state is one 32-bit number. Each user
// holds its own, so no thread shares one.
class UniformRandom {
 public:
  explicit UniformRandom(std::uint32_t seed) : state_(seed) {}
  // Advances the state and returns it times 2^-32: in [0, 1).
  long double Next() {
    state_ = state_ * 134775813u + 1u;
    return static_cast<long double>(state_) * 0x1p-32L;
  }
  std::uint32_t State() const { return state_; }

 private:
  std::uint32_t state_;
};

// The milliseconds since the UTC midnight before time (0 to 86,399,999).
std::uint32_t MillisecondsOfDay(std::chrono::system_clock::time_point time);

// The seed of a run that gives none: the milliseconds since UTC midnight.
std::uint32_t ClockSeed();

// The probability that a standard normal variable exceeds x (upper) or falls
// below x (not upper).
double NormalTail(bool upper, double x);

// The z whose upper-tail probability is p, for p in [0, 1).
long double InverseUpperTail(long double p);

// The z whose upper-tail probability is p, for p in (0, 1), in double, by
// rational functions (Wichura's AS 241). It is the true quantile to about
// 1e-15, where InverseUpperTail takes a few microseconds of extended-precision
// Newton steps.
double QuickUpperTailQuantile(double p);

}  // namespace s2v
