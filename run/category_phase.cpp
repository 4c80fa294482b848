#include "run/category_phase.h"

#include <memory>

#include "spssinfo/category_file.h"
#include "spssinfo/file_info_dictionary.h"
#include "spssinfo/file_info_reader.h"
#include "support/text_decoding.h"

namespace s2v {

namespace {

// The line that says which characters of the File Info the code page lacks,
// naming the variables whose rows held them.
void ReportChangedCharacters(const CategoryPhaseRun& run, const std::string& exportName,
                             const std::vector<std::string>& names, const ReportLine& report) {
  TextFileSource file(run.folder, exportName, run.codePage);
  if (file.Text().Encoding() == TextEncoding::EightBit) return;
  std::vector<char> buffer(1 << 16);
  while (file.Read(buffer.data(), buffer.size()) > 0) {
  }
  const DecodedSource& text = file.Text();
  if (text.ChangedCount() == 0) return;
  std::vector<std::uint64_t> lines;
  for (const ChangedCharacter& place : text.FirstChanged()) lines.push_back(place.Line);
  TextFileSource again(run.folder, exportName, run.codePage);
  report(
      ChangedCharactersLine(exportName, run.codePage, text.ChangedCount(), FileInfoVariablesAt(again, lines, names)));
}

}  // namespace

void WriteCategoryFilePhase(const CategoryPhaseRun& run) {
  auto report = [&](const std::string& line) { run.toolkit.AppendLine(Pane::Report, line); };
  for (const char* kind : {"SYS", "TAB"}) {
    const std::string old = run.projectName + "." + kind;
    if (!run.folder.Exists(old)) continue;
    report(std::string("The old ") + kind + " file was deleted.");
    run.folder.Remove(old);
  }

  const std::string exportName = run.spssName + ".TXT";
  if (!run.folder.Exists(exportName)) {
    report("The file, " + exportName + ", with information on categories was not found.");
    report("The CAT file will not be created");
    run.projectText.Close();
  } else {
    auto openExport = [&]() -> std::unique_ptr<ByteSource> {
      return std::make_unique<TextFileSource>(run.folder, exportName, run.codePage);
    };
    FileInfoLayout layout = DetectFileInfoLayout(*openExport());
    BufferedWriter& projectText = run.projectText.out();
    std::vector<std::string> names;
    for (const VariableDefinition& variable : run.variables) names.push_back(variable.Name);
    FileInfoDictionary tables;
    if (layout == FileInfoLayout::Tables) {
      tables = ReadFileInfoDictionary(openExport, names, LabelsKeptFor(run.variables));
    }
    if (layout != FileInfoLayout::Older) {
      report("SPSS File Info version 13 or later");
      report("");
      if (layout == FileInfoLayout::Tables)
        WriteVariableListTables(tables, run.variables, projectText);
      else
        WriteVariableListV13(openExport, run.variables, projectText);
      report("SPSS version 13 or later");
      report("");
    }
    TextFileWriter categoryFile(run.folder, run.projectName + ".CAT");
    for (const VariableDefinition& variable : run.variables) {
      SpssFileInfo info;
      if (layout == FileInfoLayout::Tables) {
        info = ValueLabelsOfTables(tables, variable, report);
        WriteCategoryLines(categoryFile.out(), variable, info);
      } else if (TextFileSource file(run.folder, exportName, run.codePage); layout == FileInfoLayout::Version13) {
        info = LookUpValueLabelsV13(file, variable, report);
        WriteCategoryLines(categoryFile.out(), variable, info);
      } else {
        info = LookUpVariableOlder(file, variable, report, projectText);
        if (info.Found) WriteCategoryLines(categoryFile.out(), variable, info);
      }
    }
    ReportChangedCharacters(run, exportName, names, report);
    categoryFile.Close();
    run.projectText.Close();
  }
  run.toolkit.ShowInfo("VORNEX files are ready");
}

}  // namespace s2v
