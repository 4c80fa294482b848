// The transfers' reading of a VORNEX data file on any bytes: a case is read
// whole or the read ends with the failure of a non-number or of data that end
// too soon, and nothing of a failing case is written; a case written has one
// number per column asked for, each as its double would be written.
#include <cstddef>
#include <cstdint>
#include <numeric>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "support/io_error.h"
#include "transfer/case_reader.h"

namespace {

// The numbers of a line written by WriteCase: separated by one blank, each
// possibly padded with blanks in front.
std::vector<std::string> Numbers(std::string_view line) {
  std::vector<std::string> numbers;
  std::size_t at = 0;
  while (at < line.size()) {
    while (at < line.size() && line[at] == ' ') ++at;
    std::size_t end = line.find(' ', at);
    if (end == std::string_view::npos) end = line.size();
    numbers.emplace_back(line.substr(at, end - at));
    at = end;
  }
  return numbers;
}

// A whole number, or one with 3 decimals; either with a sign "-".
bool WholeOrThreeDecimals(std::string_view number) {
  if (!number.empty() && number.front() == '-') number.remove_prefix(1);
  std::size_t point = number.find('.');
  std::string_view whole = number.substr(0, point);
  if (whole.empty() || whole.find_first_not_of("0123456789") != std::string_view::npos) return false;
  if (point == std::string_view::npos) return true;
  std::string_view decimals = number.substr(point + 1);
  return decimals.size() == 3 && decimals.find_first_not_of("0123456789") == std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace s2v;
  if (size < 2) return 0;
  // The first byte chooses the fields per case, the second the buffer size
  // and whether the columns are asked for in order.
  const std::size_t fields = data[0] % 20 + 1;
  const std::size_t bufferSize = std::size_t{8} << (data[1] % 12);
  std::vector<std::size_t> columns(fields);
  if (data[1] & 0x80) {
    std::iota(columns.begin(), columns.end(), 1);  // every field, in order
  } else {
    std::iota(columns.rbegin(), columns.rend(), 1);  // every field, last first
    columns.push_back(1);
  }

  const std::string_view bytes(reinterpret_cast<const char*>(data) + 2, size - 2);
  MemorySource source(bytes);
  CaseReader reader(source, fields, columns, bufferSize);
  const WholeTolerance tolerance = (data[1] & 0x40) != 0 ? kMplusWholeTolerance : kMLwinWholeTolerance;
  StringSink sink;
  BufferedWriter out(sink);
  // The same bytes read once for both tolerances: the texts of each are the
  // ones of a read with it alone.
  MemorySource twiceSource(bytes);
  CaseReader twice(twiceSource, fields, columns, bufferSize);
  StringSink mplusSink, mlwinSink;
  BufferedWriter mplus(mplusSink), mlwin(mlwinSink);
  MemorySource otherSource(bytes);
  CaseReader other(otherSource, fields, columns, bufferSize);
  const WholeTolerance otherTolerance = (data[1] & 0x40) != 0 ? kMLwinWholeTolerance : kMplusWholeTolerance;
  StringSink otherSink;
  BufferedWriter otherOut(otherSink);
  try {
    for (int read = 0; read < 100000; ++read) {
      out.Flush();
      const std::size_t before = sink.bytes.size();
      try {
        reader.WriteCase(out, tolerance);
      } catch (const IoError& error) {
        out.Flush();
        FUZZ_CHECK(sink.bytes.size() == before);
        try {
          twice.WriteCase(mplus, kMplusWholeTolerance, mlwin, kMLwinWholeTolerance);
          FUZZ_CHECK(false);
        } catch (const IoError& again) {
          FUZZ_CHECK(again.code() == error.code());
        }
        throw;
      }
      twice.WriteCase(mplus, kMplusWholeTolerance, mlwin, kMLwinWholeTolerance);
      other.WriteCase(otherOut, otherTolerance);
      for (BufferedWriter* writer : {&out, &mplus, &mlwin, &otherOut}) writer->Flush();
      const std::string& same = (data[1] & 0x40) != 0 ? mplusSink.bytes : mlwinSink.bytes;
      const std::string& different = (data[1] & 0x40) != 0 ? mlwinSink.bytes : mplusSink.bytes;
      FUZZ_CHECK(same == sink.bytes && different == otherSink.bytes);
      std::vector<std::string> numbers = Numbers(std::string_view(sink.bytes).substr(before));
      FUZZ_CHECK(numbers.size() == columns.size());
      if (columns.size() > fields) FUZZ_CHECK(numbers.back() == numbers[fields - 1]);
      for (const std::string& number : numbers) FUZZ_CHECK(WholeOrThreeDecimals(number));
    }
  } catch (const IoError& error) {
    FUZZ_CHECK(error.code() == kInvalidNumericInput || error.code() == kReadBeyondEnd);
  }
  return 0;
}
