// spss2vornex-batch: the conversion run without a window, for scripts.
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <variant>
#include <vector>

#include "batch/assist_commands.h"
#include "batch/command_line.h"
#include "batch/console_toolkit.h"
#ifdef SPSS2VORNEX_HAVE_IMPORT
#include "batch/run_apart.h"
#include "import/file_import.h"
#endif
#include "model/project_names.h"
#include "run/run.h"
#include "run/shell_rules.h"
#include "support/byte_stream.h"
#include "support/io_error.h"
#include "support/standard_descriptors.h"
#include "support/text_decoding.h"
#include "support/text_scan.h"
#include "support/version.h"
#include "support/working_folder.h"

namespace {

constexpr int kCompleted = 0;
constexpr int kStopped = 1;
constexpr int kIoFailure = 2;
constexpr int kUsageError = 64;
constexpr int kInterrupted = 130;

// Relative paths are taken from the folder the program was started in, which
// the program never leaves.
const std::string kStartFolder = ".";

int UsageError(const std::string& message) {
  std::fprintf(stderr, "spss2vornex-batch: %s\n%s", message.c_str(), s2v::kBatchUsage);
  return kUsageError;
}

// Imports the file, its report lines on standard output. Without --force, the
// question to replace existing files is printed to standard error and taken as
// No.
int RunImport(const s2v::BatchCommand& options, const s2v::CodePage& codePage) {
#ifdef SPSS2VORNEX_HAVE_IMPORT
  const auto located = s2v::WorkingFolder::OfFile(*options.importFile, kStartFolder);
  const s2v::WorkingFolder& folder = located.first;
  const std::string& fileName = located.second;
  // The file is read in a child process: should a damaged file bring the
  // reading library down, the program still says so and cleans up.
  auto import = [&](const s2v::PassingNote& passing) {
    int status = kStopped;
    try {
      s2v::ImportProgress progress;
      progress.ReportLine = [](const std::string& line) { std::printf("%s\n", line.c_str()); };
      auto confirm = [&](const std::string& question) {
        if (!options.force) std::fprintf(stderr, "%s (use --force to replace)\n", question.c_str());
        return options.force;
      };
      progress.StopRequested = s2v::InterruptRequested;
      progress.PassingFile = passing;
      s2v::ImportResult result = s2v::ImportFile(folder, fileName, confirm, progress, codePage);
      if (result.Done) status = kCompleted;
      if (result.Stopped) status = kInterrupted;
    } catch (const s2v::IoError& error) {
      std::fprintf(stderr, "%s\n", error.what());
      status = kIoFailure;
    }
    return status;
  };
  try {
    const s2v::ApartOutcome outcome = s2v::RunApart(folder, import);
    // A stop that the child took ends the command too.
    if (outcome.stopAsked) s2v::RequestInterrupt();
    if (!outcome.signal) return outcome.status;
    if (outcome.stopAsked)
      std::printf("Import stopped; nothing was written\n");
    else
      std::printf("The import of %s ended abnormally (signal %d): the file may be damaged; nothing was written\n",
                  fileName.c_str(), *outcome.signal);
    std::fflush(stdout);
    return outcome.stopAsked ? kInterrupted : kStopped;
  } catch (const s2v::IoError& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return kIoFailure;
  }
#else
  (void)options;
  (void)codePage;
  std::fprintf(stderr, "spss2vornex-batch: this build has no import (%s)\n", SPSS2VORNEX_NO_IMPORT_REASON);
  return kUsageError;
#endif
}

// A file that a command reads or writes: its folder and its bare name.
struct CommandFile {
  s2v::WorkingFolder folder;
  std::string name;
};

// The files of a run on an SPC file: the SPC file, the SPSS pair named on its
// first line, and every file the run may write. Only the SPC file when its
// first line cannot be read (the run then says why).
void AddRunFiles(const std::string& spcFile, const std::optional<std::string>& project,
                 std::vector<CommandFile>& files) {
  const auto [folder, spcName] = s2v::WorkingFolder::OfFile(spcFile, kStartFolder);
  files.push_back({folder, spcName});
  std::string line1;
  try {
    s2v::TextFileSource spc(folder, spcName);
    line1 = s2v::LineReader(spc).ReadLine();
  } catch (const s2v::IoError&) {
    return;
  }
  const std::string projectName = project.value_or(s2v::ProjectNameOf(spcName));
  const s2v::FirstLineNames names = s2v::ReadFirstLineNames(line1, projectName);
  for (const char* extension : {".DAT", ".TXT"}) files.push_back({folder, names.SpssName + extension});
  for (const char* extension : {".DAT", ".LAB"}) files.push_back({folder, names.DataName + extension});
  for (const char* extension : {".TXT", ".DEF", ".VAR", ".CAT", ".SYS", ".TAB", ".inp", ".mpd", ".mln"})
    files.push_back({folder, projectName + extension});
}

// The file of the command that the report file would replace: one of the
// same name (in any letter case) in the same folder, or the same file under
// another name or through a link.
std::optional<std::string> FileUnderReport(const std::string& report, const std::vector<CommandFile>& files) {
  namespace fs = std::filesystem;
  const auto [reportFolder, reportName] = s2v::WorkingFolder::OfFile(report, kStartFolder);
  for (const CommandFile& file : files) {
    std::error_code ec;
    const bool sameFolder = fs::equivalent(reportFolder.Path(), file.folder.Path(), ec);
    if ((sameFolder && s2v::EqualIgnoringCase(reportName, file.name)) ||
        fs::equivalent(reportFolder.PathOf(reportName), file.folder.PathOf(file.name), ec))
      return file.folder.Resolve(file.name);
  }
  return std::nullopt;
}

// Holds the folder of a path for the whole command; false when another run
// holds it. A folder that cannot be opened is not held: the command then
// fails on its files with their own messages.
bool HoldFolderOf(const std::string& path, std::vector<s2v::FolderLock>& held) {
  const s2v::WorkingFolder folder = s2v::WorkingFolder::OfFile(path, kStartFolder).first;
  for (const s2v::FolderLock& lock : held)
    if (lock.Holds(folder)) return true;
  try {
    std::optional<s2v::FolderLock> lock = s2v::FolderLock::TryLock(folder);
    if (!lock) {
      std::fprintf(stderr, "%s\n", s2v::kFolderBusy);
      return false;
    }
    held.push_back(std::move(*lock));
  } catch (const s2v::IoError&) {
  }
  return true;
}

void SaveReport(const std::string& path, const std::vector<std::string>& lines) {
  const auto [folder, name] = s2v::WorkingFolder::OfFile(path, kStartFolder);
  s2v::TextFileWriter file(folder, name);
  for (const std::string& line : lines) file.PutLine(line);
  file.Close();
}

// The import, the run, or the import and then the run.
int ImportAndRun(const s2v::BatchCommand& options) {
  const bool haveSpc = options.spcFile.has_value();
  const s2v::CodePage codePage = *s2v::CodePage::Named(options.encoding.value_or(s2v::kDefaultCodePage));

  // One command at a time in a folder.
  std::vector<s2v::FolderLock> held;
  if (haveSpc && !HoldFolderOf(*options.spcFile, held)) return kStopped;
  if (options.importFile && !HoldFolderOf(*options.importFile, held)) return kStopped;

  // The report never replaces an input or an output of the command: that is
  // refused before anything is written.
  if (options.report) {
    std::vector<CommandFile> files;
    if (haveSpc) AddRunFiles(*options.spcFile, options.project, files);
    if (options.importFile) {
      const auto [folder, name] = s2v::WorkingFolder::OfFile(*options.importFile, kStartFolder);
      files.push_back({folder, name});
#ifdef SPSS2VORNEX_HAVE_IMPORT
      for (const char* extension : {".DAT", ".TXT"}) files.push_back({folder, s2v::ImportBaseName(name) + extension});
#endif
    }
    if (auto file = FileUnderReport(*options.report, files))
      return UsageError("--report " + *options.report + " would replace " + *file + ", a file of the command");
  }

  if (options.importFile) {
    int status = RunImport(options, codePage);
    if (status != kCompleted || !haveSpc) return status;
    if (s2v::InterruptRequested()) return kInterrupted;
  }

  // The working folder is the folder of SPCFILE, as choosing it in the Open
  // dialog makes it.
  auto [folder, spcName] = s2v::WorkingFolder::OfFile(*options.spcFile, kStartFolder);
  s2v::ShellState shell;
  shell.ProjectName = options.project.value_or(s2v::ProjectNameOf(spcName));
  shell.SpcFileName = shell.ProjectName + ".spc";
  shell.MplusSeed = options.seed;
  if (options.encoding) shell.OutputCodePage = codePage;
  s2v::ConsoleToolkit toolkit(options.choices);
  toolkit.AppendLine(s2v::Pane::Report, "The VORNEX project is " + shell.ProjectName);

  int status = kCompleted;
  try {
    {
      s2v::TextFileSource spc(folder, spcName, shell.CodePageOfOutput());
      toolkit.SetSpcLines(s2v::ReadSpcText(spc));
    }
    folder.ProtectInput(spcName);
    switch (s2v::ExecuteProgram(toolkit, shell, folder)) {
      case s2v::RunOutcome::Completed: status = kCompleted; break;
      case s2v::RunOutcome::Stopped: status = kStopped; break;
      case s2v::RunOutcome::Interrupted: status = kInterrupted; break;
    }
  } catch (const s2v::IoError& error) {
    toolkit.ShowInfo(error.what());
    status = kIoFailure;
  }
  if (options.report) {
    try {
      SaveReport(*options.report, toolkit.ReportLines());
    } catch (const s2v::IoError& error) {
      std::fprintf(stderr, "%s\n", error.what());
      if (status == kCompleted) status = kIoFailure;
    }
  }
  return status;
}

}  // namespace

int Main(int argc, char** argv) {
  s2v::InstallInterruptHandlers();
  const auto parsed = s2v::ParseBatchCommand(std::vector<std::string>(argv + 1, argv + argc));
  if (const std::string* error = std::get_if<std::string>(&parsed)) return UsageError(*error);
  const s2v::BatchCommand& options = std::get<s2v::BatchCommand>(parsed);
  using Action = s2v::BatchCommand::Action;
  switch (options.action) {
    case Action::Help: std::fputs(s2v::kBatchUsage, stdout); return kCompleted;
    case Action::Version: std::printf("spss2vornex-batch %s\n", s2v::kVersion); return kCompleted;
    case Action::Check: return s2v::CheckCommand(*options.spcFile, options.project, kStartFolder);
    case Action::Describe: return s2v::DescribeCommand(options.spssFile, options.tsv, kStartFolder);
    case Action::Draft: return s2v::DraftCommand(options.spssFile, options.vars, options.categories, kStartFolder);
    case Action::Run: return ImportAndRun(options);
  }
  return kCompleted;
}

// No exception ends the program unseen: what no command caught is an
// input/output failure.
int main(int argc, char** argv) {
  s2v::OpenMissingStandardDescriptors();
  try {
    std::vector<std::string> arguments = s2v::CommandLineArguments(argc, argv);
    std::vector<char*> pointers;
    for (std::string& argument : arguments) pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    return Main(static_cast<int>(arguments.size()), pointers.data());
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "spss2vornex-batch: %s\n", failure.what());
    return kIoFailure;
  }
}
