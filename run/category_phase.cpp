#include "run/category_phase.h"

#include <memory>

#include "spssinfo/category_file.h"
#include "spssinfo/file_info_reader.h"

namespace s2v {

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
      return std::make_unique<FileSource>(run.folder, exportName);
    };
    FileInfoLayout layout = DetectFileInfoLayout(*openExport());
    BufferedWriter& projectText = run.projectText.out();
    if (layout == FileInfoLayout::Version13) {
      report("SPSS File Info version 13 or later");
      report("");
      WriteVariableListV13(openExport, run.variables, projectText);
      report("SPSS version 13 or later");
      report("");
    }
    TextFileWriter categoryFile(run.folder, run.projectName + ".CAT");
    for (const VariableDefinition& variable : run.variables) {
      FileSource file(run.folder, exportName);
      if (layout == FileInfoLayout::Version13) {
        WriteCategoryLines(categoryFile.out(), variable, LookUpValueLabelsV13(file, variable, report));
      } else {
        SpssFileInfo info = LookUpVariableOlder(file, variable, report, projectText);
        if (info.Found) WriteCategoryLines(categoryFile.out(), variable, info);
      }
    }
    categoryFile.Close();
    run.projectText.Close();
  }
  run.toolkit.ShowInfo("VORNEX files are ready");
}

}  // namespace s2v
