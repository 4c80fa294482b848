// The import's numbers on any doubles: each field of the data file is the
// shortest fixed notation that reads back as the value, whatever the
// decimals of the values before it in its column.
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "import/tab_data_writer.h"

namespace {

std::string Shortest(double value) {
  if (!std::isfinite(value)) return "";
  if (value == 0) return "0";  // negative zero too
  char buffer[1100];
  return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed).ptr);
}

// Values of a few decimals, which take the quick ways, are rare among random
// bit patterns: a mode byte makes most values such a number.
double ValueOf(const std::uint8_t* bytes) {
  std::int64_t n = 0;
  std::memcpy(&n, bytes + 1, sizeof n);
  switch (bytes[0] % 3) {
    case 0: {
      double bits = 0;
      std::memcpy(&bits, &n, sizeof bits);
      return bits;
    }
    case 1: return static_cast<double>(n % 1000000000000000) / std::pow(10.0, bytes[0] / 3 % 12);
    default: return static_cast<double>(n % (std::int64_t{1} << 53));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace s2v;
  if (size < 1) return 0;
  const std::size_t columns = data[0] % 4 + 1;
  StringSink sink;
  BufferedWriter out(sink);
  TabDataWriter writer(out);
  std::string expected;
  std::size_t column = 0;
  for (std::size_t at = 1; at + 9 <= size; at += 9) {
    const double value = ValueOf(data + at);
    writer.Number(value);
    expected += (column > 0 ? "\t" : "") + Shortest(value);
    if (++column == columns) {
      writer.EndCase();
      expected += "\r\n";
      column = 0;
    }
  }
  out.Flush();
  FUZZ_CHECK(sink.bytes == expected);
  return 0;
}
