// Reads the VORNEX data file back case by case and writes the chosen fields of
// each in the data files' form: a case is a fixed number of numbers separated
// by blanks and line ends, then the rest of its last line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "support/byte_stream.h"
#include "transfer/data_text.h"
#include "transfer/value_format.h"

namespace s2v {

class CaseReader {
 public:
  // columns: the 1-based fields to write of each case, in the order given; a
  // field may be named more than once.
  CaseReader(ByteSource& source, std::size_t fieldsPerCase, const std::vector<std::size_t>& columns,
             std::size_t bufferSize = 1 << 20);

  // Reads the next case and writes its fields of the columns, each as
  // WriteDataValue writes its number, with one blank between two and nothing
  // after the last. Throws IoError: kInvalidNumericInput for a field that is
  // not a number, kReadBeyondEnd when the data end before the case does;
  // nothing of such a case is written.
  void WriteCase(BufferedWriter& out, WholeTolerance tolerance) { WriteCase(out, tolerance, nullptr, tolerance); }
  // The same, and each field once more to wider with widerTolerance, which
  // is at least tolerance and below half a thousandth: a field's text is
  // written anew only where the two may differ (TextsMayPart), and copied
  // otherwise. Both get the whole case or nothing of it.
  void WriteCase(BufferedWriter& out, WholeTolerance tolerance, BufferedWriter& wider, WholeTolerance widerTolerance) {
    WriteCase(out, tolerance, &wider, widerTolerance);
  }

 private:
  using Text = std::pair<const char*, const char*>;  // begin and end

  void WriteCase(BufferedWriter& out, WholeTolerance tolerance, BufferedWriter* wider, WholeTolerance widerTolerance);
  // Reserves room in out for the texts in the order asked, one blank between
  // two, writes them there and returns their end.
  char* Gather(BufferedWriter& out, const std::vector<Text>& texts) const;
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
  std::vector<std::size_t> columns_;  // the columns asked for, each once, rising
  std::vector<std::size_t> gaps_;     // the fields from one of columns_ to the next
  std::size_t passedAfter_ = 0;       // the fields of a case after the last of columns_
  // Columns asked for in rising order, each once: the texts are written as
  // the fields come. Otherwise they are put aside in staging_ and gathered in
  // the order asked: the index in columns_ of each column asked for in order_.
  bool inOrder_ = true;
  std::vector<char> staging_;
  std::vector<std::size_t> order_;
  // The text of each of columns_ in the case being written, and its text for
  // a second output: the same, or one put aside in widerStaging_ where the
  // two may differ.
  std::vector<Text> texts_;
  std::vector<Text> widerTexts_;
  std::vector<char> widerStaging_;
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

}  // namespace s2v
