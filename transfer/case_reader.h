// Reads the VORNEX data file back case by case and writes the chosen fields of
// each in the data files' form: a case is a fixed number of numbers separated
// by blanks and line ends, then the rest of its last line.
#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <mutex>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "support/byte_stream.h"
#include "transfer/data_text.h"
#include "transfer/value_format.h"

namespace s2v {

class CaseReader {
 public:
  // columns: the 1-based fields to write of each case, in the order given; a
  // field may be named more than once. The source is read and marked ahead,
  // on a thread of its own, until this ends.
  CaseReader(ByteSource& source, std::size_t fieldsPerCase, const std::vector<std::size_t>& columns,
             std::size_t bufferSize = 1 << 20);
  ~CaseReader();
  CaseReader(const CaseReader&) = delete;
  CaseReader& operator=(const CaseReader&) = delete;

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
  // two, writes them there and returns their end. The texts lie from begin
  // on; with wider, a field's text put aside for the second output is taken
  // instead.
  char* Gather(BufferedWriter& out, const char* begin, bool wider) const;
  // Passes over count fields and returns the last; throws kReadBeyondEnd at
  // the end of the data.
  std::string_view SkipFields(std::size_t count);
  void SkipRestOfLine();
  // Goes on to the next region; false when nothing is left to read. Throws
  // what reading it met.
  bool Refill();

  // A stretch of the data: the bytes a field of the stretch before left
  // over, then those read after them. It is cut after its last separator
  // (or at the end of the data) and marked, one bit a byte: separators,
  // line ends, the first byte of every field, and bytes that belong in no
  // number. The bits from size on count as separators.
  struct Region {
    std::vector<char> bytes;  // capacity_ bytes, then zeros to read whole blocks past the data
    std::size_t end = 0;      // the bytes read
    std::size_t size = 0;
    bool last = false;  // the source is exhausted, or code 26 was read
    std::vector<std::uint64_t> separators;
    std::vector<std::uint64_t> starts;
    std::vector<std::uint64_t> lineEnds;
    std::vector<std::uint64_t> invalid;
    std::size_t firstInvalid = 0;  // size or more when none
    std::exception_ptr failure;    // the reading failed: thrown when the region is reached
  };
  static constexpr std::size_t kRegions = 3;
  // The reading thread: fills the regions in turn, each while the reader is
  // on the one before or earlier.
  void ReadAhead();
  // Fills region with what previous left over and the next bytes of the
  // source; throws IoError.
  void Fill(Region& region, const Region* previous);
  static void Mark(Region& region);

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
  // The end of the text of each of columns_ in the case being written: the
  // texts lie one after the other, one blank between two. A field whose text
  // for a second output may differ has one put aside in widerStaging_,
  // marked by the number of the case in widerIn_.
  std::vector<const char*> ends_;
  std::vector<Text> widerTexts_;
  std::vector<std::uint64_t> widerIn_;
  std::uint64_t case_ = 0;
  std::vector<char> widerStaging_;
  std::size_t capacity_;

  // The region being read, and where: its bytes and marks.
  Region before_;  // the empty region before the first
  const Region* region_ = &before_;
  const char* buffer_ = nullptr;
  const std::uint64_t* separators_ = nullptr;
  const std::uint64_t* starts_ = nullptr;
  const std::uint64_t* lineEnds_ = nullptr;
  const std::uint64_t* invalid_ = nullptr;
  std::size_t words_ = 0;
  std::size_t size_ = 0;
  std::size_t pos_ = 0;
  std::size_t firstInvalid_ = 0;  // at or after pos_; size_ or more when none
  std::exception_ptr failure_;    // thrown again by every later refill

  std::array<Region, kRegions> regions_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t filled_ = 0;  // regions filled by the reading thread
  std::size_t taken_ = 0;   // regions gone on to by the reader
  bool ending_ = false;
  std::thread readAhead_;
};

}  // namespace s2v
