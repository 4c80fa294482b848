// Reads the VORNEX data file back case by case: a case is a fixed number of
// numbers separated by blanks and line ends, then the rest of its last line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "support/byte_stream.h"

namespace s2v {

class CaseReader {
 public:
  // columns: the 1-based fields to keep of each case, in the order Values()
  // gives them; a field may be named more than once.
  CaseReader(ByteSource& source, std::size_t fieldsPerCase, const std::vector<std::size_t>& columns,
             std::size_t bufferSize = 1 << 20);

  // Reads the next case. Throws IoError: kInvalidNumericInput for a field that
  // is not a number, kReadBeyondEnd when the data end before the case does.
  void ReadCase();
  const std::vector<double>& Values() const { return values_; }

 private:
  // Passes over count fields and returns the last; throws kReadBeyondEnd at
  // the end of the data.
  std::string_view SkipFields(std::size_t count);
  void SkipRestOfLine();
  // Keeps the unread bytes, reads more and marks them; false when nothing is
  // left to read.
  bool Refill();
  // Marks the separators, line ends and bytes that belong in no number of
  // the region.
  void MarkRegion();

  ByteSource& source_;
  std::size_t fieldsPerCase_;
  std::vector<std::pair<std::size_t, std::size_t>> wanted_;  // (column, slot) by column
  std::vector<double> values_;
  std::size_t capacity_;
  std::vector<char> buffer_;  // capacity_ bytes, then zeros to read whole blocks past the data
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  // The bytes [0, region_) end with a separator (or the data) and are marked,
  // one bit a byte; the bits from region_ on count as separators.
  std::size_t region_ = 0;
  std::vector<std::uint64_t> separators_;
  std::vector<std::uint64_t> starts_;  // the first byte of every field
  std::vector<std::uint64_t> lineEnds_;
  std::vector<std::uint64_t> invalid_;
  std::size_t firstInvalid_ = 0;  // at or after pos_; region_ or more when none
  bool atEnd_ = false;            // the source is exhausted, or code 26 was read
};

// The value of a field of the VORNEX data file: an optional sign, digits with
// at most one point, at least one digit, an optional exponent. Throws
// IoError(kInvalidNumericInput) for anything else.
double ParseField(std::string_view field);

}  // namespace s2v
