#include "batch/assist_commands.h"

#include <cstdio>

#include "assist/check_definition.h"
#include "assist/description_format.h"
#include "assist/draft_definition.h"
#include "run/shell_rules.h"
#include "support/io_error.h"
#include "support/text_decoding.h"

namespace s2v {
namespace {

void Print(std::FILE* stream, const std::string& text, const char* lineEnd = "\n") {
  std::fwrite(text.data(), 1, text.size(), stream);
  std::fputs(lineEnd, stream);
}

std::string Counted(std::size_t n, const std::string& what) {
  return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

// Runs a command; an input/output failure is its message on standard error
// and status 2.
template <typename Command>
int Guarded(Command command) {
  int status = kStatusIoFailure;
  try {
    status = command();
  } catch (const IoError& error) {
    Print(stderr, error.what());
  }
  std::fflush(stdout);
  return status;
}

}  // namespace

int DescribeCommand(const std::string& spssFile, bool tsv, const std::string& startFolder) {
  return Guarded([&] {
    const auto [folder, spssName] = ExportOfPath(spssFile, startFolder);
    ExportDescription description = DescribeExport(folder, spssName);
    for (const std::string& line : tsv ? DescriptionTsv(description) : DescriptionTable(description))
      Print(stdout, line);
    // Beside the rows of --tsv, not among them.
    for (const std::string& line : DescriptionWarnings(description)) Print(tsv ? stderr : stdout, line);
    return kStatusPassed;
  });
}

int DraftCommand(const std::string& spssFile, const std::vector<std::string>& names, int categories,
                 const std::string& startFolder) {
  return Guarded([&] {
    const auto [folder, spssName] = ExportOfPath(spssFile, startFolder);
    Draft draft = DraftDefinition(DescribeExport(folder, spssName), {names, categories});
    for (const std::string& name : draft.Unknown) Print(stderr, name + " is not a variable of " + spssName + ".DAT");
    if (!draft.Unknown.empty()) return kStatusStopped;
    if (draft.Lines.empty()) {
      Print(stderr, "A definition needs at least 2 variables; " +
                        Counted(static_cast<std::size_t>(draft.Defined), "variable") + " of " + spssName +
                        ".DAT can be used.");
      for (const LeftOut& left : draft.Left) Print(stderr, left.Name + ": " + left.Reason);
      return kStatusStopped;
    }
    for (const std::string& line : draft.Lines) Print(stdout, line, "\r\n");
    return kStatusPassed;
  });
}

int CheckCommand(const std::string& spcFile, const std::optional<std::string>& project,
                 const std::string& startFolder) {
  return Guarded([&] {
    const auto [folder, spcName] = WorkingFolder::OfFile(spcFile, startFolder);
    SpcText lines;
    {
      TextFileSource spc(folder, spcName);
      lines = ReadSpcText(spc);
    }
    const std::string projectName = project.value_or(ProjectNameOf(spcName));
    DefinitionCheck check = CheckDefinition(folder, lines, projectName, true, spcName);
    for (const Finding& finding : check.Findings)
      Print(stdout, spcFile + ":" + std::to_string(finding.Line) +
                        (finding.Kind == FindingKind::Error ? ": error: " : ": warning: ") + finding.Text());
    Print(stdout, Counted(check.Count(FindingKind::Error), "error") + ", " +
                      Counted(check.Count(FindingKind::Warning), "warning"));
    return check.RunStops() ? kStatusStopped : kStatusPassed;
  });
}

}  // namespace s2v
