#include "spssinfo/category_file.h"

#include <cstdint>

#include "support/number_format.h"

namespace s2v {
namespace {

// The description of category m (1-based). The bounds are indexed from 0:
// category m runs from bound m - 1 to bound m.
std::string CategoryDescription(const VariableDefinition& v, int m, const SpssFileInfo& info) {
  if (v.ValueKind == WordKind::Decimal) {
    auto bound = [&](int i) { return RightAlign(FormatFixed(v.Bounds[i], v.BoundDecimals[i]), v.BoundWidths[i]); };
    return bound(m - 1) + " - " + bound(m);
  }
  const std::int64_t low = v.WholeBounds[m - 1];
  const std::int64_t high = v.WholeBounds[m];
  if (m == 1 && low < high) return FormatInteger(low) + " - " + FormatInteger(high);
  if (m > 1 && high - low != 1) return FormatInteger(low + 1) + " - " + FormatInteger(high);
  for (const ValueLabel& label : info.Labels)
    if (label.Code == high) return label.Text;
  return FormatInteger(high);
}

std::unique_ptr<ByteSource> OpenExport(const std::string& name) { return std::make_unique<FileSource>(name); }

}  // namespace

void WriteCategoryLines(BufferedWriter& categoryFile, const VariableDefinition& variable, const SpssFileInfo& info) {
  for (int m = 1; m <= variable.CategoryCount; ++m) {
    categoryFile.Put(variable.Letter);
    categoryFile.Put(' ');
    categoryFile.Put(FormatInteger(m));
    categoryFile.Put(' ');
    categoryFile.PutLine(CategoryDescription(variable, m, info));
  }
}

void WriteCategoryFilePhase(const CategoryPhaseRun& run) {
  auto report = [&](const std::string& line) { run.toolkit.AppendLine(Pane::Report, line); };
  for (const char* kind : {"SYS", "TAB"}) {
    const std::string old = run.projectName + "." + kind;
    if (!FileExists(old)) continue;
    report(std::string("The old ") + kind + " file was deleted.");
    DeleteFileIfPresent(old);
  }

  const std::string exportName = run.spssName + ".TXT";
  if (!FileExists(exportName)) {
    report("The file, " + exportName + ", with information on categories was not found.");
    report("The CAT file will not be created");
    run.projectText.Close();
  } else {
    FileInfoLayout layout;
    {
      FileSource file(exportName);
      layout = DetectFileInfoLayout(file);
    }
    BufferedWriter& projectText = run.projectText.out();
    if (layout == FileInfoLayout::Version13) {
      report("SPSS File Info version 13 or later");
      report("");
      WriteVariableListV13([&] { return OpenExport(exportName); }, run.variables, projectText);
      report("SPSS version 13 or later");
      report("");
    }
    TextFileWriter categoryFile(run.projectName + ".CAT");
    for (const VariableDefinition& variable : run.variables) {
      FileSource file(exportName);
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
