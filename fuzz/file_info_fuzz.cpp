// The File Info reader on any export, in every layout, for a few project
// variables, with their category lines written from what it found; and the
// decoding of the export's bytes, which must give the same text whatever the
// pieces it is read in, and an 8-bit file as it stands.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "model/project_definition.h"
#include "spssinfo/category_file.h"
#include "spssinfo/file_info_dictionary.h"
#include "support/text_decoding.h"

namespace {

// A source that hands out its bytes in pieces of every size from 1 to 7.
class PiecesSource : public s2v::ByteSource {
 public:
  explicit PiecesSource(std::string_view bytes) : bytes_(bytes) {}
  std::size_t Read(char* data, std::size_t size) override {
    std::size_t n = std::min({size, next_++ % 7 + 1, bytes_.size()});
    bytes_.copy(data, n);
    bytes_.remove_prefix(n);
    return n;
  }

 private:
  std::string_view bytes_;
  std::size_t next_ = 0;
};

std::string Decoded(s2v::DecodedSource& text, std::size_t size) {
  std::string out, buffer(size, '\0');
  while (std::size_t n = text.Read(buffer.data(), buffer.size())) out.append(buffer, 0, n);
  return out;
}

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

  // The tables of SPSS 16 and later, read as the run reads them.
  std::vector<std::string> names;
  for (const VariableDefinition& v : variables) names.push_back(v.Name);
  const FileInfoDictionary dictionary = ReadFileInfoDictionary(open, names);
  WriteVariableListTables(dictionary, variables, projectText);
  for (const VariableDefinition& v : variables) {
    SpssFileInfo info = ValueLabelsOfTables(dictionary, v, report);
    FUZZ_CHECK(info.Found || info.Labels.empty());
    WriteCategoryLines(categories, v, info);
  }
  projectText.Flush();
  categories.Flush();

  MemorySource whole(exportText);
  DecodedSource wholeText(whole);
  const std::string decoded = Decoded(wholeText, 1 << 16);
  PiecesSource pieces(exportText);
  DecodedSource piecesText(pieces);
  FUZZ_CHECK(Decoded(piecesText, 17) == decoded);
  FUZZ_CHECK(piecesText.ChangedCount() == wholeText.ChangedCount());
  if (wholeText.Encoding() == TextEncoding::EightBit) FUZZ_CHECK(decoded == exportText);
  std::vector<std::uint64_t> lines;
  for (const ChangedCharacter& place : wholeText.FirstChanged()) {
    FUZZ_CHECK(place.Line >= 1 && place.Field >= 1);
    FUZZ_CHECK(lines.empty() || place.Line >= lines.back());
    lines.push_back(place.Line);
  }
  MemorySource again(decoded);
  FUZZ_CHECK(FileInfoVariablesAt(again, lines, names).size() <= lines.size());
  return 0;
}
