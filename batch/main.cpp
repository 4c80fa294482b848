// spss2vornex-batch: the conversion run without a window, for scripts.
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "batch/assist_commands.h"
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

// A build without the import does not offer it.
#ifdef SPSS2VORNEX_HAVE_IMPORT
#define S2V_IMPORT_USAGE(text) text
#else
#define S2V_IMPORT_USAGE(text) ""
#endif

constexpr const char* kUsage =
    "Usage: spss2vornex-batch [--project NAME] [--mplus 0|1|2] [--mim 0|1|2] [--mlwin 0|1|2]\n"
    "                         [--seed N] [--report FILE] [--encoding NAME] SPCFILE\n" S2V_IMPORT_USAGE(
        "       spss2vornex-batch --import FILE [--force] [--encoding NAME] [options SPCFILE]\n")
    "       spss2vornex-batch --describe SPSSFILE [--tsv]\n"
    "       spss2vornex-batch --draft SPSSFILE [--vars NAME,...] [--categories K]\n"
    "       spss2vornex-batch --check [--project NAME] SPCFILE\n"
    "\n"
    "Converts the SPSS export pair named on SPCFILE's first line into a VORNEX\n"
    "project, in the folder of SPCFILE. Report lines go to standard output,\n"
    "notices and questions to standard error (a question is answered No).\n"
    "\n"
    "  --project NAME   project name (default: SPCFILE's name up to its first \".\")\n"
    "  --mplus, --mim, --mlwin 0|1|2\n"
    "                   transfer: 0 none, 1 original, 2 categorized variables\n"
    "  --seed N         seed (0 to 4294967295) for the Mplus Dummy column\n"
    "  --report FILE    also save the report lines to FILE (CR LF)\n" S2V_IMPORT_USAGE(
        "  --import FILE    first write NAME.DAT and NAME.TXT beside FILE (NAME.sav,\n"
        "                   .zsav, .por or .dta: an SPSS system, compressed system or\n"
        "                   portable file, or a Stata file); with SPCFILE, then run.\n"
        "                   --import-sav is the same option\n"
        "  --force          let --import replace existing NAME.DAT and NAME.TXT\n")
    "  --encoding NAME  the code page of the texts that " S2V_IMPORT_USAGE("--import and ") "the run\n"
    "                   write: an 8-bit code page such as ISO-8859-15 or CP1250,\n"
    "                   or UTF-8 (default WINDOWS-1252); inputs in UTF-8 or\n"
    "                   UTF-16 are read as such whatever it is\n"
    "  --help, --version\n"
    "\n"
    "The definition assistant (no run; nothing is written):\n"
    "  --describe SPSSFILE\n"
    "                   per variable of the export: label, value labels, declared\n"
    "                   missing values, counts, range, decimals, distinct values,\n"
    "                   quartiles; SPSSFILE is the data file (survey.DAT) or its\n"
    "                   base name, its File Info export beside it is used\n"
    "  --tsv            the description as tab-separated rows under a header line\n"
    "  --draft SPSSFILE a definition that a run accepts, on standard output\n"
    "  --vars NAME,...  the variables to define, in this order (default: all usable)\n"
    "  --categories K   categories of a measure, 2 to 42 (default 4)\n"
    "  --check SPCFILE  every problem of the definition against its export, as\n"
    "                   SPCFILE:LINE: error: TEXT or SPCFILE:LINE: warning: TEXT\n"
    "\n"
    "Exit status: 0 completed, 1 stopped at a check" S2V_IMPORT_USAGE(" (also an import refused or\n"
                                                      "not done)") ", 2 input/output failure, 64 usage error, 130 interrupted (SIGINT or\n"
    "SIGTERM; the files are complete up to the last whole case). --check exits 0\n"
    "when a run would pass its checks and 1 when it would stop; --draft exits 1\n"
    "when fewer than 2 variables can be used.\n";

struct Options {
  std::optional<std::string> project;
  s2v::TransferChoices choices;
  std::optional<std::uint32_t> seed;
  std::optional<std::string> report;
  std::string spcFile;
};

int UsageError(const std::string& message) {
  std::fprintf(stderr, "spss2vornex-batch: %s\n%s", message.c_str(), kUsage);
  return kUsageError;
}

template <typename T>
std::optional<T> ParseNumber(std::string_view text, T low, T high) {
  T value{};
  auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size() || value < low || value > high)
    return std::nullopt;
  return value;
}

// --import FILE [--force] [--encoding NAME]: the import before (or instead
// of) a run.
struct ImportOptions {
  std::optional<std::string> file;
  bool force = false;
  std::optional<std::string> encoding;
};

// Takes argv[i] when it is an import option; error is set for a bad one.
bool TakeImportOption(int argc, char** argv, int& i, ImportOptions& options, std::optional<std::string>& error) {
  std::string_view arg = argv[i];
  if (arg == "--force") {
    options.force = true;
  } else if (arg == "--import" || arg == "--import-sav" || arg == "--encoding") {
    if (i + 1 >= argc)
      error = std::string(arg) + " needs a value";
    else
      (arg == "--encoding" ? options.encoding : options.file) = argv[++i];
  } else {
    return false;
  }
  return true;
}

// Imports the file, its report lines on standard output. Without --force, the
// question to replace existing files is printed to standard error and taken as
// No.
int RunImport(const ImportOptions& options, const s2v::CodePage& codePage) {
#ifdef SPSS2VORNEX_HAVE_IMPORT
  const auto located = s2v::WorkingFolder::OfFile(*options.file, kStartFolder);
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

// --describe, --draft, --check and their options: the definition assistant.
struct AssistOptions {
  std::optional<std::string> describe;
  bool tsv = false;
  std::optional<std::string> draft;
  std::optional<std::vector<std::string>> vars;
  std::optional<int> categories;
  bool check = false;
  int Commands() const { return (describe ? 1 : 0) + (draft ? 1 : 0) + (check ? 1 : 0); }
};

std::vector<std::string> SplitNames(std::string_view list) {
  std::vector<std::string> names;
  while (!list.empty()) {
    std::size_t comma = list.find(',');
    if (comma != 0) names.emplace_back(list.substr(0, comma));
    list.remove_prefix(comma == std::string_view::npos ? list.size() : comma + 1);
  }
  return names;
}

// Takes argv[i] when it is an option of the assistant; error is set for a bad
// one.
bool TakeAssistOption(int argc, char** argv, int& i, AssistOptions& options, std::optional<std::string>& error) {
  std::string_view arg = argv[i];
  if (arg == "--tsv") {
    options.tsv = true;
    return true;
  }
  if (arg == "--check") {
    options.check = true;
    return true;
  }
  if (arg != "--describe" && arg != "--draft" && arg != "--vars" && arg != "--categories") return false;
  if (i + 1 >= argc) {
    error = std::string(arg) + " needs a value";
    return true;
  }
  std::string value = argv[++i];
  if (arg == "--describe") {
    options.describe = value;
  } else if (arg == "--draft") {
    options.draft = value;
  } else if (arg == "--vars") {
    options.vars = SplitNames(value);
  } else {
    options.categories = ParseNumber<int>(value, 2, 42);
    if (!options.categories) error = "--categories takes a number from 2 to 42";
  }
  return true;
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

// The assistant's command, or a usage error for options that do not go with
// it. runOption: the first option of a run that was given, or empty.
int RunAssist(const AssistOptions& options, const std::optional<std::string>& spcFile,
              const std::optional<std::string>& project, const std::string& runOption) {
  if (options.Commands() > 1) return UsageError("--describe, --draft and --check go one at a time");
  if (options.tsv && !options.describe) return UsageError("--tsv goes with --describe");
  if ((options.vars || options.categories) && !options.draft)
    return UsageError("--vars and --categories go with --draft");
  if (!runOption.empty()) return UsageError(runOption + " does not go with --describe, --draft or --check");
  if (options.check) {
    if (!spcFile) return UsageError("--check needs SPCFILE");
    return s2v::CheckCommand(*spcFile, project, kStartFolder);
  }
  if (spcFile || project) return UsageError("--describe and --draft take no SPCFILE or --project");
  if (options.describe) return s2v::DescribeCommand(*options.describe, options.tsv, kStartFolder);
  return s2v::DraftCommand(*options.draft, options.vars.value_or(std::vector<std::string>{}),
                           options.categories.value_or(4), kStartFolder);
}

void SaveReport(const std::string& path, const std::vector<std::string>& lines) {
  const auto [folder, name] = s2v::WorkingFolder::OfFile(path, kStartFolder);
  s2v::TextFileWriter file(folder, name);
  for (const std::string& line : lines) file.PutLine(line);
  file.Close();
}

}  // namespace

int Main(int argc, char** argv) {
  s2v::InstallInterruptHandlers();
  Options options;
  ImportOptions importOptions;
  AssistOptions assistOptions;
  std::string runOption;  // the first option that only a run takes
  bool haveSpc = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--help") {
      std::fputs(kUsage, stdout);
      return kCompleted;
    }
    if (arg == "--version") {
      std::printf("spss2vornex-batch %s\n", s2v::kVersion);
      return kCompleted;
    }
    if (std::optional<std::string> error; TakeImportOption(argc, argv, i, importOptions, error)) {
      if (error) return UsageError(*error);
      if (runOption.empty()) runOption = std::string(arg);
      continue;
    }
    if (std::optional<std::string> error; TakeAssistOption(argc, argv, i, assistOptions, error)) {
      if (error) return UsageError(*error);
      continue;
    }
    auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= argc) return std::nullopt;
      return std::string(argv[++i]);
    };
    if (arg == "--project" || arg == "--report" || arg == "--seed" || arg == "--mplus" || arg == "--mim" ||
        arg == "--mlwin") {
      std::optional<std::string> v = value();
      if (!v) return UsageError(std::string(arg) + " needs a value");
      if (arg != "--project" && runOption.empty()) runOption = std::string(arg);
      if (arg == "--project") {
        options.project = *v;
      } else if (arg == "--report") {
        options.report = *v;
      } else if (arg == "--seed") {
        options.seed = ParseNumber<std::uint32_t>(*v, 0, 4294967295u);
        if (!options.seed) return UsageError("--seed takes a number from 0 to 4294967295");
      } else {
        std::optional<int> choice = ParseNumber<int>(*v, 0, 2);
        if (!choice) return UsageError(std::string(arg) + " takes 0, 1 or 2");
        (arg == "--mplus" ? options.choices.Mplus
         : arg == "--mim" ? options.choices.Mim
                          : options.choices.MLwin) = *choice;
      }
    } else if (arg.size() > 1 && arg.front() == '-') {
      return UsageError("unknown option " + std::string(arg));
    } else if (haveSpc) {
      return UsageError("only one SPCFILE may be given");
    } else {
      options.spcFile = std::string(arg);
      haveSpc = true;
    }
  }
  if (assistOptions.Commands() > 0 || assistOptions.tsv || assistOptions.vars || assistOptions.categories)
    return RunAssist(assistOptions, haveSpc ? std::optional<std::string>(options.spcFile) : std::nullopt,
                     options.project, runOption);
  if (!haveSpc && !importOptions.file) return UsageError("SPCFILE is missing");
  if (importOptions.force && !importOptions.file) return UsageError("--force needs --import");
  const std::optional<s2v::CodePage> codePage =
      s2v::CodePage::Named(importOptions.encoding.value_or(s2v::kDefaultCodePage));
  if (!codePage) return UsageError("--encoding " + *importOptions.encoding + " is not an 8-bit code page or UTF-8");

  // One command at a time in a folder.
  std::vector<s2v::FolderLock> held;
  if (haveSpc && !HoldFolderOf(options.spcFile, held)) return kStopped;
  if (importOptions.file && !HoldFolderOf(*importOptions.file, held)) return kStopped;

  // The report never replaces an input or an output of the command: that is
  // refused before anything is written.
  if (options.report) {
    std::vector<CommandFile> files;
    if (haveSpc) AddRunFiles(options.spcFile, options.project, files);
    if (importOptions.file) {
      const auto [folder, name] = s2v::WorkingFolder::OfFile(*importOptions.file, kStartFolder);
      files.push_back({folder, name});
#ifdef SPSS2VORNEX_HAVE_IMPORT
      for (const char* extension : {".DAT", ".TXT"}) files.push_back({folder, s2v::ImportBaseName(name) + extension});
#endif
    }
    if (auto file = FileUnderReport(*options.report, files))
      return UsageError("--report " + *options.report + " would replace " + *file + ", a file of the command");
  }

  if (importOptions.file) {
    int status = RunImport(importOptions, *codePage);
    if (status != kCompleted || !haveSpc) return status;
    if (s2v::InterruptRequested()) return kInterrupted;
  }

  // The working folder is the folder of SPCFILE, as choosing it in the Open
  // dialog makes it.
  auto [folder, spcName] = s2v::WorkingFolder::OfFile(options.spcFile, kStartFolder);
  s2v::ShellState shell;
  shell.ProjectName = options.project.value_or(s2v::ProjectNameOf(spcName));
  shell.SpcFileName = shell.ProjectName + ".spc";
  shell.MplusSeed = options.seed;
  if (importOptions.encoding) shell.OutputCodePage = codePage;
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
