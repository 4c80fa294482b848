// The File Info reader on any export, in both layouts, for a few project
// variables, with their category lines written from what it found.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "model/project_definition.h"
#include "spssinfo/category_file.h"

namespace {

std::vector<s2v::VariableDefinition> ProjectVariables() {
  std::vector<std::string> names = {"SEX", "AGE", "INCOME", "Q1", "V1"};
  s2v::ProjectDefinition definition;
  std::vector<std::string> lines = {"DATA",    "5",         "SEX 1 2", "AGE 18 18 30 99", "INCOME 0 10.5 99.25",
                                    "Q1 -2 3", "V1 1 2 3 4"};
  FUZZ_CHECK(!s2v::ParseProjectDefinition(lines, "PROJ", names, definition));
  return definition.Variables;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace s2v;
  static const std::vector<VariableDefinition> variables = ProjectVariables();
  const std::string_view exportText(reinterpret_cast<const char*>(data), size);
  auto open = [&] { return std::make_unique<MemorySource>(exportText); };
  auto report = [](const std::string& line) { FUZZ_CHECK(!line.empty()); };

  StringSink projectSink, categorySink;
  BufferedWriter projectText(projectSink), categories(categorySink);
  {
    MemorySource file(exportText);
    DetectFileInfoLayout(file);
  }
  WriteVariableListV13(open, variables, projectText);
  for (const VariableDefinition& v : variables) {
    MemorySource older(exportText);
    SpssFileInfo info = LookUpVariableOlder(older, v, report, projectText);
    FUZZ_CHECK(info.Found || info.Labels.empty());
    WriteCategoryLines(categories, v, info);
    MemorySource v13(exportText);
    info = LookUpValueLabelsV13(v13, v, report);
    FUZZ_CHECK(info.Found || info.Labels.empty());
    WriteCategoryLines(categories, v, info);
  }
  projectText.Flush();
  categories.Flush();
  return 0;
}
