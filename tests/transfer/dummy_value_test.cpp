// The Dummy column's quick value against the Newton inversion it stands for.
#include "transfer/dummy_value.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "support/byte_stream.h"
#include "support/random.h"
#include "transfer/dummy_column.h"
#include "transfer/value_format.h"

namespace s2v {
namespace {

std::string SixDecimals(double x) {
  char buffer[400];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::fixed, 6);
  return std::string(buffer, result.ptr);
}

// The uniform draw whose seed is k.
long double Draw(std::uint64_t k) { return static_cast<long double>(k) * 0x1p-32L; }

void ExpectSameText(std::uint64_t k) {
  long double p = Draw(k);
  ASSERT_EQ(SixDecimals(DummyValue(p)), SixDecimals(static_cast<double>(InverseUpperTail(p)))) << "seed " << k;
}

TEST(DummyValueTest, SameTextAsTheInversionAcrossTheRange) {
  constexpr std::uint64_t kDraws = std::uint64_t{1} << 32;
  // Evenly spread seeds; about 0.2 % of them fall near a rounding step and
  // take the inversion's own value.
  for (std::uint64_t k = 0; k < kDraws; k += 21'473) ExpectSameText(k);
  // Both tails, where the quick value is not used or the inversion is least
  // exact, and the middle, where the text's sign changes.
  for (std::uint64_t k = 0; k < 1000; ++k) {
    ExpectSameText(k);
    ExpectSameText(kDraws - 1 - k);
    ExpectSameText(kDraws / 2 - 500 + k);
  }
}

TEST(DummyValueTest, QuickQuantileIsCloseToTheTrueQuantile) {
  // Quantiles to 20 digits.
  EXPECT_NEAR(QuickUpperTailQuantile(0.025), 1.9599639845400542355, 1e-14);
  EXPECT_NEAR(QuickUpperTailQuantile(0.975), -1.9599639845400542355, 1e-14);
  EXPECT_NEAR(QuickUpperTailQuantile(0x1p-32), 6.230260137989043163, 1e-14);
  EXPECT_NEAR(QuickUpperTailQuantile(1 - 0x1p-32), -6.230260137989043163, 1e-14);
  EXPECT_NEAR(QuickUpperTailQuantile(0.5), 0.0, 1e-15);
}

TEST(DummyValueTest, DrawsNextToARoundingStepTakeTheInversion) {
  // Seeds whose quantile lies within 1e-9 of 1.2345675, where 6 decimals
  // change from 1.234567 to 1.234568: found by scanning around its probability.
  constexpr double kStep = 1.2345675;
  auto seedNear = static_cast<std::uint64_t>(0.5 * std::erfc(kStep / std::sqrt(2.0)) * 0x1p32);
  int near = 0;
  for (std::uint64_t k = seedNear - 50; k <= seedNear + 50; ++k) {
    double exact = static_cast<double>(InverseUpperTail(Draw(k)));
    if (std::fabs(exact - kStep) < 1e-9) {
      ++near;
      EXPECT_EQ(DummyValue(Draw(k)), exact) << "seed " << k;
    }
    ExpectSameText(k);
  }
  EXPECT_GT(near, 0);
}

// The column drawn beside the reading gives the texts of the draws in turn,
// across its chunks, and ends early without waiting for the rest.
TEST(DummyValueTest, TheColumnGivesTheDrawsInTurn) {
  constexpr int kCount = 10'000;
  UniformRandom random(12345);
  StringSink sink;
  BufferedWriter out(sink);
  std::vector<std::string> expected;
  for (int i = 0; i < kCount; ++i) {
    PutSixDecimals(out, DummyValue(random.Next()));
    out.Flush();
    expected.push_back(sink.bytes);
    sink.bytes.clear();
  }
  {
    DummyColumn column(kCount, UniformRandom(12345));
    for (int i = 0; i < kCount; ++i) ASSERT_EQ(column.Next(), expected[i]) << i;
  }
  DummyColumn early(1'000'000, UniformRandom(12345));
  EXPECT_EQ(early.Next(), expected[0]);
}

}  // namespace
}  // namespace s2v
