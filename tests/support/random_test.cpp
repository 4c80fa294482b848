// The uniform generator, the normal tail and its inverse, and the draws.
#include "support/random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace s2v {
namespace {

using namespace std::chrono;

TEST(RandomTest, UniformSequenceFromSeedZero) {
  UniformRandom random(0);
  EXPECT_EQ(random.Next(), 1 * 0x1p-32L);
  EXPECT_EQ(random.Next(), 134775814 * 0x1p-32L);
  EXPECT_EQ(random.Next(), 3698175007u * 0x1p-32L);
  EXPECT_EQ(random.State(), 3698175007u);
  // The state wraps modulo 2^32: (2^32 - 1) * 134775813 + 1 = 2^32 - 134775812.
  EXPECT_EQ(UniformRandom(0xFFFFFFFFu).Next(), 4160191484u * 0x1p-32L);
}

TEST(RandomTest, ClockSeedIsTheMillisecondOfTheUtcDay) {
  sys_days day = year{2026} / December / 8;
  EXPECT_EQ(MillisecondsOfDay(day), 0u);
  EXPECT_EQ(MillisecondsOfDay(day + hours{23} + minutes{59} + seconds{59} + milliseconds{999}), 86399999u);
  EXPECT_EQ(MillisecondsOfDay(day + hours{12} + milliseconds{5}), 43200005u);
  // Before 1970 the count since the epoch is negative; the day is not.
  EXPECT_EQ(MillisecondsOfDay(sys_days{year{1969} / December / 31} + hours{23} + minutes{59} + seconds{59} +
                              milliseconds{999}),
            86399999u);

  std::uint32_t before = MillisecondsOfDay(system_clock::now());
  const std::uint32_t seed = ClockSeed();
  std::uint32_t after = MillisecondsOfDay(system_clock::now());
  if (before <= after) {  // not across midnight
    EXPECT_GE(seed, before);
    EXPECT_LE(seed, after);
  }
}

// Reference values: P(Z > x) from the alternating Taylor series of erf in
// 80-digit decimal arithmetic (Python's decimal module, pi by its documented
// series recipe); they agree with math.erfc to its double precision.
TEST(RandomTest, NormalTailAgainstReferenceValues) {
  struct Case {
    bool upper;
    double x;
    double expected;
  } cases[] = {
      {true, 1.96, 2.49978951482204350687e-02},  {false, 1.96, 9.75002104851779516359e-01},
      {true, -1, 8.41344746068542925777e-01},    {false, -1, 1.58655253931457046468e-01},
      {true, 0.5, 3.08537538725986881794e-01},   {true, 2.33, 9.90307555916425212572e-03},  // fraction
      {true, 3, 1.34989803163009457719e-03},     {false, 3, 9.98650101968369896532e-01},    // series
      {true, 4, 3.16712418331199243270e-05},     {false, 4, 9.99968328758166880021e-01},    // fraction
      {false, 3.6, 9.99840891409842447146e-01},  {true, -3.6, 9.99840891409842447146e-01},
      {false, -3.6, 1.59108590157533880301e-04},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "upper " << c.upper << " x " << c.x);
    EXPECT_NEAR(NormalTail(c.upper, c.x), c.expected, 1e-12 * c.expected);
  }
  EXPECT_EQ(NormalTail(true, 0), 0.5);
  EXPECT_EQ(NormalTail(false, 0), 0.5);
  // Past the density guard neither expansion runs.
  EXPECT_EQ(NormalTail(true, 25), 0.0);
  EXPECT_EQ(NormalTail(false, 25), 1.0);
  EXPECT_EQ(NormalTail(true, -25), 1.0);
  EXPECT_EQ(NormalTail(false, -25), 0.0);
}

// Reference values: bisection to 1e-35 on the decimal tail of the test above;
// they agree with Python's statistics.NormalDist().inv_cdf(1 - p).
TEST(RandomTest, InverseUpperTailAgainstReferenceValues) {
  struct Case {
    long double p;
    long double expected;
  } cases[] = {
      {0.025L, 1.95996398454005427148L},          {0.975L, -1.95996398454005427148L},
      {0.3L, 5.24400512708040777987e-01L},        {0x1p-32L, 6.23026013798904276797L},  // the smallest non-zero draw
      {134775814 * 0x1p-32L, 1.860888819070L},                                          // the second draw from seed 0
      {3698175007u * 0x1p-32L, -1.085041973362L},                                       // the third
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "p " << static_cast<double>(c.p));
    long double z = InverseUpperTail(c.p);
    EXPECT_NEAR(static_cast<double>(z), static_cast<double>(c.expected), 1e-12 * std::fabs(c.expected));
  }
  // A draw of 0.5 is the start itself.
  EXPECT_EQ(InverseUpperTail(0.5L), 0.0L);
  // A draw of 0 climbs until the tail is exactly 0, just past sqrt(340).
  long double z = InverseUpperTail(0.0L);
  EXPECT_GE(z, std::sqrt(340.0L));
  EXPECT_LE(z, 18.48L);
  EXPECT_EQ(NormalTail(true, static_cast<double>(z)), 0.0);
}

// 100,000 draws all end, stay inside the range of the draws, and pass a
// Kolmogorov-Smirnov test against the standard normal distribution (the
// C library's erfc, not NormalTail) at the 0.1% level.
TEST(RandomTest, DrawsAreStandardNormal) {
  constexpr int kDraws = 100000;
  UniformRandom random(20261208);
  std::vector<double> draws;
  for (int i = 0; i < kDraws; ++i) {
    long double z = InverseUpperTail(random.Next());
    ASSERT_TRUE(std::isfinite(z)) << "draw " << i;
    ASSERT_LE(std::fabs(z), 6.2303L) << "draw " << i;
    draws.push_back(static_cast<double>(z));
  }
  std::sort(draws.begin(), draws.end());
  double largest = 0;
  for (int i = 0; i < kDraws; ++i) {
    double cdf = 0.5 * std::erfc(-draws[i] / std::sqrt(2.0));
    largest = std::max({largest, std::fabs(cdf - static_cast<double>(i) / kDraws),
                        std::fabs(static_cast<double>(i + 1) / kDraws - cdf)});
  }
  EXPECT_LT(largest, 1.949 / std::sqrt(static_cast<double>(kDraws)));

  // A small draw is a large z: a sign turned round would still be normal.
  EXPECT_NEAR(static_cast<double>(InverseUpperTail(UniformRandom(0).Next())), 6.2302601379890, 1e-12);
}

}  // namespace
}  // namespace s2v
