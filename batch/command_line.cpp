#include "batch/command_line.h"

#include <charconv>
#include <string_view>

#include "support/code_page.h"

namespace s2v {

// A build without the import does not offer it.
#ifdef SPSS2VORNEX_HAVE_IMPORT
#define S2V_IMPORT_USAGE(text) text
#else
#define S2V_IMPORT_USAGE(text) ""
#endif

const char* const kBatchUsage =
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

namespace {

template <typename T>
std::optional<T> ParseNumber(std::string_view text, T low, T high) {
  T value{};
  auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size() || value < low || value > high)
    return std::nullopt;
  return value;
}

std::vector<std::string> SplitNames(std::string_view list) {
  std::vector<std::string> names;
  while (!list.empty()) {
    std::size_t comma = list.find(',');
    if (comma != 0) names.emplace_back(list.substr(0, comma));
    list.remove_prefix(comma == std::string_view::npos ? list.size() : comma + 1);
  }
  return names;
}

// The options as given, before their combination is checked.
struct Given {
  BatchCommand command;
  std::optional<std::string> describe, draft;
  bool check = false, vars = false, categories = false;
  std::string runOption;  // the first option that only a run (or import) takes
};

// Takes the option at args[i] (and its value); the usage error when it is bad.
std::optional<std::string> TakeOption(const std::vector<std::string>& args, std::size_t& i, Given& given) {
  BatchCommand& c = given.command;
  const std::string& arg = args[i];
  auto noteRunOption = [&] {
    if (given.runOption.empty()) given.runOption = arg;
  };
  if (arg == "--force") {
    c.force = true;
    noteRunOption();
    return std::nullopt;
  }
  if (arg == "--tsv" || arg == "--check") {
    (arg == "--tsv" ? c.tsv : given.check) = true;
    return std::nullopt;
  }
  if (i + 1 >= args.size()) return arg + " needs a value";
  const std::string& value = args[++i];
  if (arg == "--import" || arg == "--import-sav" || arg == "--encoding") {
    (arg == "--encoding" ? c.encoding : c.importFile) = value;
  } else if (arg == "--describe" || arg == "--draft") {
    (arg == "--describe" ? given.describe : given.draft) = value;
    return std::nullopt;
  } else if (arg == "--vars") {
    c.vars = SplitNames(value);
    given.vars = true;
    return std::nullopt;
  } else if (arg == "--categories") {
    given.categories = true;
    std::optional<int> k = ParseNumber<int>(value, 2, 42);
    if (!k) return "--categories takes a number from 2 to 42";
    c.categories = *k;
    return std::nullopt;
  } else if (arg == "--project") {
    c.project = value;
    return std::nullopt;
  } else if (arg == "--report") {
    c.report = value;
  } else if (arg == "--seed") {
    c.seed = ParseNumber<std::uint32_t>(value, 0, 4294967295u);
    if (!c.seed) return "--seed takes a number from 0 to 4294967295";
  } else {
    std::optional<int> choice = ParseNumber<int>(value, 0, 2);
    if (!choice) return arg + " takes 0, 1 or 2";
    (arg == "--mplus" ? c.choices.Mplus : arg == "--mim" ? c.choices.Mim : c.choices.MLwin) = *choice;
  }
  noteRunOption();
  return std::nullopt;
}

bool TakesValue(const std::string& arg) {
  for (const char* option : {"--import", "--import-sav", "--encoding", "--describe", "--draft", "--vars",
                             "--categories", "--project", "--report", "--seed", "--mplus", "--mim", "--mlwin"})
    if (arg == option) return true;
  return false;
}

// The assistant's command, or the usage error of options that do not go
// with it.
std::variant<BatchCommand, std::string> AssistCommand(Given& given) {
  BatchCommand& c = given.command;
  const int commands = (given.describe ? 1 : 0) + (given.draft ? 1 : 0) + (given.check ? 1 : 0);
  if (commands > 1) return "--describe, --draft and --check go one at a time";
  if (c.tsv && !given.describe) return "--tsv goes with --describe";
  if ((given.vars || given.categories) && !given.draft) return "--vars and --categories go with --draft";
  if (!given.runOption.empty()) return given.runOption + " does not go with --describe, --draft or --check";
  if (given.check) {
    if (!c.spcFile) return "--check needs SPCFILE";
    c.action = BatchCommand::Action::Check;
    return c;
  }
  if (c.spcFile || c.project) return "--describe and --draft take no SPCFILE or --project";
  c.action = given.describe ? BatchCommand::Action::Describe : BatchCommand::Action::Draft;
  c.spssFile = given.describe ? *given.describe : *given.draft;
  return c;
}

}  // namespace

std::variant<BatchCommand, std::string> ParseBatchCommand(const std::vector<std::string>& args) {
  Given given;
  BatchCommand& c = given.command;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "--version") {
      c.action = arg == "--help" ? BatchCommand::Action::Help : BatchCommand::Action::Version;
      return c;
    }
    const bool known = TakesValue(arg) || arg == "--force" || arg == "--tsv" || arg == "--check";
    if (known) {
      if (std::optional<std::string> error = TakeOption(args, i, given)) return *error;
    } else if (arg.size() > 1 && arg.front() == '-') {
      return "unknown option " + arg;
    } else if (c.spcFile) {
      return std::string("only one SPCFILE may be given");
    } else {
      c.spcFile = arg;
    }
  }
  if (given.describe || given.draft || given.check || c.tsv || given.vars || given.categories)
    return AssistCommand(given);
  if (!c.spcFile && !c.importFile) return std::string("SPCFILE is missing");
  if (c.force && !c.importFile) return std::string("--force needs --import");
  if (c.encoding && !CodePage::Named(*c.encoding))
    return "--encoding " + *c.encoding + " is not an 8-bit code page or UTF-8";
  return c;
}

}  // namespace s2v
