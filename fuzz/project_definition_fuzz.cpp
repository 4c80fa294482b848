// The project definition on any lines, with the names of line 1's checks and
// the dataset's names taken from the input: a definition that is accepted
// keeps its limits and can be written out.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "model/project_definition.h"
#include "run/project_files.h"
#include "spssinfo/category_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace s2v;
  std::string text(reinterpret_cast<const char*>(data), size);
  MemorySource source(text);
  std::vector<std::string> lines = ReadAllLines(source);
  if (lines.empty()) return 0;

  const std::string& line1 = lines[0];
  auto ignore = [](const std::string&) {};
  CheckFileName(ExtractWord(1, line1) + ".DAT", ignore);
  CheckFileName(ExtractWord(2, line1) + ".DAT", ignore);

  // Dataset names: the words of line 1 after the first two, upper case.
  LineWords words = SplitUpperCaseLine(line1);
  std::vector<std::string> names(words.Words.begin() + std::min<std::size_t>(2, words.count()), words.Words.end());
  ProjectDefinition definition;
  if (ParseProjectDefinition(lines, "PROJ", names, definition)) return 0;

  FUZZ_CHECK(definition.VariableCount() >= 2 && definition.VariableCount() <= kMaxVariables);
  StringSink sink;
  BufferedWriter out(sink);
  for (const VariableDefinition& v : definition.Variables) {
    FUZZ_CHECK(v.CategoryCount >= 1 && v.CategoryCount <= kMaxCategories);
    FUZZ_CHECK(v.Bounds.size() == static_cast<std::size_t>(v.CategoryCount) + 1);
    FUZZ_CHECK(v.WholeBounds.size() == v.Bounds.size() && v.BoundWidths.size() == v.Bounds.size() &&
               v.BoundDecimals.size() == v.Bounds.size());
    FUZZ_CHECK(v.Name.size() <= kMaxNameLength);
    WriteCategoryLines(out, v, SpssFileInfo{});
  }
  WriteVariableFile(out, definition, "SPSS", TransferChoices{1, 1, 1});
  out.Flush();
  return 0;
}
