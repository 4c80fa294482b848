// Reads the VORNEX data file back case by case: a case is a fixed number of
// numbers separated by blanks and line ends, then the rest of its last line.
#pragma once

#include <cstddef>
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
  // The next field, whole in the buffer; throws kReadBeyondEnd at the end.
  std::string_view NextField();
  // The same, a byte at a time: for fields across the end of the buffer.
  std::string_view NextFieldByBytes();
  void SkipRestOfLine();
  // Moves the unread bytes to the front and fills the rest; false when
  // nothing more could be read.
  bool Refill();

  ByteSource& source_;
  std::size_t fieldsPerCase_;
  std::vector<std::pair<std::size_t, std::size_t>> wanted_;  // (column, slot) by column
  std::vector<double> values_;
  std::size_t capacity_;
  std::vector<char> buffer_;  // capacity_ bytes, then zeros to read whole blocks past the data
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  bool atEnd_ = false;  // the source is exhausted, or code 26 was read
};

// The value of a field of the VORNEX data file: an optional sign, digits with
// at most one point, at least one digit, an optional exponent. Throws
// IoError(kInvalidNumericInput) for anything else.
double ParseField(std::string_view field);

}  // namespace s2v
