// The transfers' reading of a VORNEX data file on any bytes: a case is read
// whole or the read ends with the failure of a non-number or of data that end
// too soon; every value read can be written in both data formats.
#include <cstddef>
#include <cstdint>
#include <numeric>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "support/io_error.h"
#include "transfer/case_reader.h"
#include "transfer/value_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace s2v;
  if (size < 2) return 0;
  // The first byte chooses the fields per case, the second the buffer size.
  const std::size_t fields = data[0] % 20 + 1;
  const std::size_t bufferSize = std::size_t{8} << (data[1] % 12);
  std::vector<std::size_t> columns(fields);
  std::iota(columns.rbegin(), columns.rend(), 1);  // every field, last first
  columns.push_back(1);

  MemorySource source(std::string_view(reinterpret_cast<const char*>(data) + 2, size - 2));
  StringSink sink;
  BufferedWriter out(sink);
  CaseReader reader(source, fields, columns, bufferSize);
  try {
    for (int read = 0; read < 100000; ++read) {
      reader.ReadCase();
      FUZZ_CHECK(reader.Values().size() == columns.size());
      FUZZ_CHECK(reader.Values().back() == reader.Values()[fields - 1]);
      for (double value : reader.Values()) {
        PutDataValue(out, value, kMplusWholeTolerance);
        PutDataValue(out, value, kMLwinWholeTolerance);
        PutFixed(out, value, 6, 10);
      }
    }
  } catch (const IoError& error) {
    FUZZ_CHECK(error.code() == kInvalidNumericInput || error.code() == kReadBeyondEnd);
  }
  out.Flush();
  return 0;
}
