#include "assist/variable_statistics.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace s2v {

VariableStatistics::VariableStatistics(std::size_t sampleSize, std::uint64_t seed, const DeclaredMissing* declared)
    : declared_(declared && !declared->Ranges.empty() ? declared : nullptr),
      sampleSize_(std::max<std::size_t>(sampleSize, 1)),
      state_(seed) {
  sample_.reserve(sampleSize_);
  watched_ = Watched();
}

void VariableStatistics::AddWatchedNumber(double value, int decimals, bool whole) {
  if (declared_ && declared_->Contains(value)) {
    ++declaredMissing_;
    return;
  }
  if (value == kVornexMissing) {
    ++missing_;
    return;
  }
  if (order_ != 0) FollowOrder(value);
  if (distinct_ <= kMaxDistinctCounted) CountDistinct(value);
  AddValid(value, decimals, whole);
  watched_ = Watched();
}

std::vector<double> VariableStatistics::SortedSample() const {
  std::vector<double> sorted = sample_;
  for (double& value : sorted) value += 0.0;  // -0 is 0
  std::sort(sorted.begin(), sorted.end());
  return sorted;
}

// A uniform number in (0, 1) from a SplitMix64 sequence.
double VariableStatistics::NextUniform() {
  std::uint64_t z = (state_ += 0x9E3779B97F4A7C15u);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
  z ^= z >> 31;
  return (static_cast<double>(z >> 11) + 0.5) * 0x1.0p-53;
}

// Li's reservoir sampling: after the reservoir is full, the gap to the next
// value taken is drawn at once, so that the values passed over cost nothing.
void VariableStatistics::ScheduleNextSample() {
  const double k = static_cast<double>(sampleSize_);
  weight_ *= std::exp(std::log(NextUniform()) / k);
  double gap = std::floor(std::log(NextUniform()) / std::log1p(-weight_));
  constexpr double kFar = 1e18;
  nextSampled_ = valid_ + 1 + static_cast<std::int64_t>(std::min(gap, kFar));
}

void VariableStatistics::Sample(double value) {
  if (sample_.size() < sampleSize_) {
    sample_.push_back(value);
    if (sample_.size() < sampleSize_)
      nextSampled_ = valid_ + 1;
    else
      ScheduleNextSample();
    return;
  }
  auto slot = static_cast<std::size_t>(NextUniform() * static_cast<double>(sampleSize_));
  sample_[std::min(slot, sampleSize_ - 1)] = value;
  ScheduleNextSample();
}

}  // namespace s2v
