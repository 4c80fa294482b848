// The export's fields one by one on any bytes: the vector path gives the same
// numbers and missing fields as the plain path, every case has as many fields
// as the header has names, and the counts agree with the data copy's.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "run/data_copy.h"
#include "support/export_fields.h"

namespace {

struct Recorder {
  std::vector<std::string> events;
  std::size_t fields = 0;
  std::size_t inCase = 0;
  bool Header(const s2v::FieldNames& names) {
    fields = names.size();
    for (std::string_view name : names) FUZZ_CHECK(name.size() <= s2v::kMaxNumberField);
    return true;
  }
  template <typename Read>
  void Number(std::size_t column, const Read& read) {
    const s2v::FieldNumber n = read();
    FUZZ_CHECK(column == inCase++ && column < fields);
    events.push_back(std::to_string(column) + ":" + std::to_string(n.Value) + "/" + std::to_string(n.Decimals) +
                     (n.Whole ? "w" : "f"));
  }
  void Missing(std::size_t column, s2v::FieldKind kind) {
    FUZZ_CHECK(column == inCase++ && column < fields);
    events.push_back(std::to_string(column) + (kind == s2v::FieldKind::Blank ? ":-" : ":?"));
  }
  bool EndCase(std::int64_t) {
    FUZZ_CHECK(inCase == fields);
    inCase = 0;
    events.emplace_back("E");
    return true;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace s2v;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  Recorder vector, plain;
  MemorySource first(bytes), second(bytes);
  ExportFieldsResult a = ReadExportFields(first, vector, true, 512);
  ExportFieldsResult b = ReadExportFields(second, plain, false, 512);
  FUZZ_CHECK(vector.events == plain.events);
  FUZZ_CHECK(a.CaseCount == b.CaseCount && a.FittedCount == b.FittedCount && a.HeaderFields == b.HeaderFields);

  MemorySource again(bytes);
  StringSink vornexData, labels;
  CopyResult copy = CopySpssData(again, vornexData, labels, [](std::int64_t) { return true; });
  FUZZ_CHECK(copy.CaseCount == a.CaseCount && copy.FittedCount == a.FittedCount && copy.HeaderFields == a.HeaderFields);
  return 0;
}
