// The data copy on any bytes: every case becomes exactly as many numbers as
// the first record has names, each one readable again, and the vector path
// gives the same bytes as the plain path.
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_check.h"
#include "run/data_copy.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace s2v;
  MemorySource source(std::string_view(reinterpret_cast<const char*>(data), size));
  StringSink vornexData, labels;
  std::int64_t lastCount = 0;
  CopyResult result = CopySpssData(source, vornexData, labels, [&](std::int64_t count) {
    FUZZ_CHECK(count == lastCount + 1);
    lastCount = count;
    return true;
  });
  FUZZ_CHECK(result.CaseCount == lastCount);
  FUZZ_CHECK(result.FittedCount <= result.CaseCount);

  MemorySource again(std::string_view(reinterpret_cast<const char*>(data), size));
  StringSink plainData, plainLabels;
  CopyResult plain = CopySpssData(
      again, plainData, plainLabels, [](std::int64_t) { return true; }, CopyPath::Plain);
  FUZZ_CHECK(plainData.bytes == vornexData.bytes);
  FUZZ_CHECK(plainLabels.bytes == labels.bytes);
  FUZZ_CHECK(plain.CaseCount == result.CaseCount && plain.FittedCount == result.FittedCount &&
             plain.HeaderFields == result.HeaderFields);

  std::size_t numbers = 0;
  std::string_view rest = vornexData.bytes;
  while (!rest.empty()) {
    std::size_t end = rest.find_first_of(" \r\n");
    if (end == std::string_view::npos) end = rest.size();
    if (end > 0) {
      // A value keeps its own sign, "+" included.
      const char* first = rest.data() + (rest[0] == '+' ? 1 : 0);
      double value = 0;
      auto [ptr, ec] = std::from_chars(first, rest.data() + end, value);
      FUZZ_CHECK(ec == std::errc() && ptr == rest.data() + end);
      ++numbers;
    }
    rest.remove_prefix(end == rest.size() ? end : end + 1);
  }
  FUZZ_CHECK(numbers == static_cast<std::size_t>(result.CaseCount) * result.HeaderFields);

  MemorySource labelSource(labels.bytes);
  FUZZ_CHECK(ReadDatasetNames(labelSource).size() == result.HeaderFields);
  return 0;
}
