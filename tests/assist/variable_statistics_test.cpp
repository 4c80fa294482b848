// The statistics of one variable's values.
#include "assist/variable_statistics.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <numeric>
#include <random>

#include "assist_test_support.h"

namespace s2v {
namespace {

VariableStatistics Of(const std::vector<std::string>& texts, const DeclaredMissing* declared = nullptr,
                      std::size_t sampleSize = 16) {
  VariableStatistics s(sampleSize, 7, declared);
  for (const std::string& text : texts) {
    if (text.empty())
      s.AddEmpty();
    else if (text == "abc")
      s.AddText();
    else
      AddNumberText(s, text);
  }
  return s;
}

TEST(VariableStatistics, CountsRangeWholeAndDecimals) {
  struct Case {
    std::vector<std::string> texts;
    std::int64_t valid, missing, text;
    double min, max;
    bool whole;
    int decimals;
  } cases[] = {
      {{"1", "2", "", "abc", "2"}, 3, 2, 1, 1, 2, true, 0},
      {{"-1.5", "+3", ".25", "4."}, 4, 0, 0, -1.5, 4, false, 2},
      {{"3.0", "-0", "12.500"}, 3, 0, 0, 0, 12.5, false, 3},
      {{"3.0", "7.00"}, 2, 0, 0, 3, 7, true, 2},
      // The VORNEX data know -999 only as missing.
      {{"-999", "-999.0", "5"}, 1, 2, 0, 5, 5, true, 0},
      {{"", "abc"}, 0, 2, 1, 0, 0, true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.texts));
    VariableStatistics s = Of(c.texts);
    EXPECT_EQ(s.Valid(), c.valid);
    EXPECT_EQ(s.Missing(), c.missing);
    EXPECT_EQ(s.Text(), c.text);
    if (c.valid > 0) {
      EXPECT_EQ(s.Minimum(), c.min);
      EXPECT_EQ(s.Maximum(), c.max);
    }
    EXPECT_EQ(s.Whole(), c.whole);
    EXPECT_EQ(s.Decimals(), c.decimals);
  }
}

TEST(VariableStatistics, DeclaredMissingValuesAreNotValid) {
  DeclaredMissing declared = ParseDeclaredMissing("9, 97 thru 98");
  VariableStatistics s = Of({"1", "9", "2", "97.5", "99"}, &declared);
  EXPECT_EQ(s.Valid(), 3);
  EXPECT_EQ(s.Missing(), 2);
  EXPECT_EQ(s.DeclaredMissingCount(), 2);
  EXPECT_EQ(s.Maximum(), 99);
  EXPECT_EQ(VariableStatisticsProbe::DistinctValues(s), (std::vector<double>{1, 2, 99}));
}

TEST(VariableStatistics, DistinctValuesAreCountedUpTo42) {
  for (int n : {1, 2, 41, 42, 43, 100}) {
    SCOPED_TRACE(n);
    VariableStatistics s(16, 1, nullptr);
    for (int round = 0; round < 3; ++round)
      for (int i = n; i >= 1; --i) s.AddNumber(i * 0.5, 1, i % 2 == 0);
    EXPECT_EQ(s.Distinct(), std::min(n, kMaxDistinctCounted + 1));
    std::vector<double> codes = VariableStatisticsProbe::DistinctValues(s);
    if (n > kMaxDistinctCounted) {
      EXPECT_TRUE(codes.empty());
      continue;
    }
    ASSERT_EQ(codes.size(), static_cast<std::size_t>(n));
    for (int i = 1; i <= n; ++i) EXPECT_EQ(codes[i - 1], i * 0.5);
  }
  // 0 and -0 are one value.
  EXPECT_EQ(Of({"0", "-0", "-0.0"}).Distinct(), 1);
}

TEST(VariableStatistics, EveryValueDistinctWhenTheyRiseOrFall) {
  EXPECT_TRUE(Of({"1", "2", "", "7", "abc", "100"}).AllDistinct());
  EXPECT_TRUE(Of({"5", "3", "-1"}).AllDistinct());
  EXPECT_FALSE(Of({"1", "2", "2", "3"}).AllDistinct());
  EXPECT_FALSE(Of({"1", "3", "2"}).AllDistinct());
  EXPECT_FALSE(Of({""}).AllDistinct());
}

// A long run of values, past the first ones that are watched for order,
// distinct values and declared missing values: the counts, the range, the
// decimals and wholeness agree with a count of the values one by one.
TEST(VariableStatistics, ALongRunOfValuesCountsAsEachValueAlone) {
  std::mt19937 random(5);
  const DeclaredMissing nine = ParseDeclaredMissing("9");
  const DeclaredMissing* none = nullptr;
  for (const DeclaredMissing* declared : {none, &nine}) {
    VariableStatistics s(64, 3, declared);
    std::int64_t valid = 0, notValid = 0;
    double min = 1e300, max = -1e300;
    int decimals = 0;
    bool whole = true;
    for (int i = 0; i < 20000; ++i) {
      std::string text = std::to_string(static_cast<int>(random() % 20001) - 10000);
      int written = 0;
      switch (random() % 20) {
        case 0: text = "-999"; break;
        case 1: text = "9"; break;
        case 2:
        case 3:
        case 4:
        case 5:
          written = 1 + static_cast<int>(random() % 3);
          text += "." + std::string(static_cast<std::size_t>(written), random() % 2 ? '0' : '5');
          break;
        default: break;
      }
      AddNumberText(s, text);
      double value = 0;
      std::from_chars(text.data(), text.data() + text.size(), value);
      if (value == -999 || (declared && value == 9)) {
        ++notValid;
        continue;
      }
      ++valid;
      min = std::min(min, value);
      max = std::max(max, value);
      decimals = std::max(decimals, written);
      whole &= value == std::trunc(value);
    }
    EXPECT_EQ(s.Valid(), valid);
    EXPECT_EQ(s.Missing(), notValid);
    EXPECT_EQ(s.Minimum(), min);
    EXPECT_EQ(s.Maximum(), max);
    EXPECT_EQ(s.Decimals(), decimals);
    EXPECT_EQ(s.Whole(), whole);
    EXPECT_EQ(s.Distinct(), kMaxDistinctCounted + 1);
    EXPECT_FALSE(s.AllDistinct());
  }
}

TEST(VariableStatistics, TheSampleIsBoundedEvenAndTheSameEveryTime) {
  constexpr int kValues = 1000000;
  constexpr std::size_t kSample = 1024;
  auto sampleOf = [&](std::uint64_t seed) {
    VariableStatistics s(kSample, seed, nullptr);
    for (int i = 1; i <= kValues; ++i) s.AddNumber(i, 0, true);
    return s.SortedSample();
  };
  std::vector<double> sample = sampleOf(42);
  ASSERT_EQ(sample.size(), kSample);
  EXPECT_EQ(sampleOf(42), sample);
  EXPECT_NE(sampleOf(43), sample);
  // Drawn from the whole run of values, not from its start: the mean lies
  // within four standard errors of the values' mean, the quartiles within
  // five points of their share.
  double mean = std::accumulate(sample.begin(), sample.end(), 0.0) / kSample;
  EXPECT_NEAR(mean, kValues / 2.0, 4 * 288675 / 32.0);
  EXPECT_NEAR(sample[kSample / 4], kValues / 4.0, 0.05 * kValues);
  EXPECT_NEAR(sample[3 * kSample / 4], 3 * kValues / 4.0, 0.05 * kValues);
  EXPECT_LT(sample.back(), kValues + 1);
  EXPECT_GT(sample.back(), 0.99 * kValues);

  // Fewer values than the sample holds: all of them.
  VariableStatistics few(kSample, 42, nullptr);
  for (int i = 5; i >= 1; --i) few.AddNumber(i, 0, true);
  EXPECT_EQ(few.SortedSample(), (std::vector<double>{1, 2, 3, 4, 5}));
}

}  // namespace
}  // namespace s2v
