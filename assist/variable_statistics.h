// The statistics of one variable's values, gathered in one pass with memory
// that does not grow with the number of cases: counts, range, whole or not,
// decimals, distinct values up to 43, the order of the values, and a sample
// for quantiles that is the same on every run.
#pragma once

#include <bit>
#include <cstdint>
#include <limits>
#include <string_view>
#include <vector>

#include "spssinfo/file_info_dictionary.h"

namespace s2v {

// Distinct values are counted exactly up to this many; more count as more.
constexpr int kMaxDistinctCounted = 42;

class VariableStatistics {
 public:
  // sampleSize: the most values kept for quantiles; seed: the sample's own
  // generator, so that the sample is the same on every run. declared: the
  // variable's declared missing values (may be null).
  VariableStatistics(std::size_t sampleSize, std::uint64_t seed, const DeclaredMissing* declared);

  // A field that the data copy writes as a number, given as its value, the
  // decimals written and whether the value is whole. A declared missing value
  // and the VORNEX missing code -999 count as missing.
  //
  // Most values of a long export need only the counts, the range and the
  // sample; what else a value may change (declared missing values, the
  // order, the distinct values) is looked at out of line, and only while it
  // can still change.
  [[gnu::always_inline]] void AddNumber(double value, int decimals, bool whole) {
    if (watched_ != 0) [[unlikely]] {
      AddWatchedNumber(value, decimals, whole);
      return;
    }
    if (value == kVornexMissing) [[unlikely]] {
      ++missing_;
      return;
    }
    AddValid(value, decimals, whole);
  }
  // A field that the copy writes as missing: empty, blanks only, or added to
  // a case that had too few fields.
  void AddEmpty() { ++missing_; }
  // A field that is not a number, which the copy also writes as missing.
  void AddText() {
    ++missing_;
    ++text_;
  }

  std::int64_t Valid() const { return valid_; }
  // Every field that is not a valid value: empty, text, declared missing.
  std::int64_t Missing() const { return missing_ + declaredMissing_; }
  std::int64_t Text() const { return text_; }
  std::int64_t DeclaredMissingCount() const { return declaredMissing_; }
  double Minimum() const { return min_; }
  double Maximum() const { return max_; }
  bool Whole() const { return notWhole_ == 0; }
  int Decimals() const { return decimals_; }
  // The number of distinct valid values, or kMaxDistinctCounted + 1 for more.
  int Distinct() const { return distinct_; }
  // Every valid value differs from every other: known when they come in
  // strictly rising or falling order through the export.
  bool AllDistinct() const { return valid_ > 0 && order_ != 0; }
  // The sample in increasing order.
  std::vector<double> SortedSample() const;

 private:
  friend struct VariableStatisticsProbe;  // the tests' view of the values counted

  static constexpr double kVornexMissing = -999;
  static constexpr std::size_t kSlots = 64;

  [[gnu::always_inline]] void AddValid(double value, int decimals, bool whole) {
    ++valid_;
    min_ = value < min_ ? value : min_;
    max_ = value > max_ ? value : max_;
    notWhole_ |= static_cast<int>(!whole);
    if (decimals > decimals_) decimals_ = decimals;
    if (valid_ >= nextSampled_) Sample(value);
  }
  void AddWatchedNumber(double value, int decimals, bool whole);
  // Whether a value must go through AddWatchedNumber.
  int Watched() const {
    return static_cast<int>(declared_ != nullptr) | order_ | static_cast<int>(distinct_ <= kMaxDistinctCounted);
  }

  // Whether the values so far rise or fall; once they do neither, nothing
  // is followed.
  void FollowOrder(double value) {
    if (valid_ > 0) order_ &= (value > last_ ? kRising : 0) | (value < last_ ? kFalling : 0);
    last_ = value;
  }

  // The distinct values in a table of 64 slots, made at the first value and
  // given back once there are more than kMaxDistinctCounted: most variables
  // of a wide export pass that soon.
  void CountDistinct(double value) {
    const auto bits = std::bit_cast<std::uint64_t>(value + 0.0);  // -0 is 0
    if (slots_.empty()) slots_.resize(kSlots);
    auto slot = static_cast<unsigned>((bits * 0x9E3779B97F4A7C15u) >> 58);
    while (occupied_ >> slot & 1u) {
      if (slots_[slot] == bits) return;
      slot = (slot + 1) % kSlots;
    }
    slots_[slot] = bits;
    occupied_ |= std::uint64_t{1} << slot;
    if (++distinct_ > kMaxDistinctCounted) slots_ = {};
  }
  void Sample(double value);
  double NextUniform();
  void ScheduleNextSample();

  const DeclaredMissing* declared_;
  std::int64_t valid_ = 0;
  std::int64_t missing_ = 0;
  std::int64_t declaredMissing_ = 0;
  std::int64_t text_ = 0;
  double min_ = std::numeric_limits<double>::infinity();
  double max_ = -std::numeric_limits<double>::infinity();
  double last_ = 0;
  // Flags as int: a store through a bool may alias anything, which makes the
  // compiler load every other member again after it.
  static constexpr int kRising = 1;
  static constexpr int kFalling = 2;
  int order_ = kRising | kFalling;
  int notWhole_ = 0;
  int decimals_ = 0;
  int distinct_ = 0;
  int watched_ = 1;  // Watched(), kept up to date
  std::uint64_t occupied_ = 0;
  std::vector<std::uint64_t> slots_;
  // Reservoir sampling that draws only when a value is taken: the count of
  // valid values at which the next one is taken, and the running weight.
  std::vector<double> sample_;
  std::size_t sampleSize_;
  std::int64_t nextSampled_ = 1;
  double weight_ = 1;
  std::uint64_t state_;
};

}  // namespace s2v
