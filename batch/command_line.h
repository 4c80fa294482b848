// The batch program's command line read as a plain description of the
// command: what to do and with which options. Reading it touches no file; the
// program's main then carries the command out.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "run/project_files.h"

namespace s2v {

struct BatchCommand {
  enum class Action { Help, Version, Run, Describe, Draft, Check };
  Action action = Action::Run;

  // A run, and an import before it or alone.
  std::optional<std::string> spcFile;
  std::optional<std::string> project;
  TransferChoices choices;
  std::optional<std::uint32_t> seed;
  std::optional<std::string> report;
  std::optional<std::string> importFile;
  bool force = false;
  std::optional<std::string> encoding;  // a code page that CodePage::Named knows

  // The assistant: the export of --describe and --draft.
  std::string spssFile;
  bool tsv = false;
  std::vector<std::string> vars;
  int categories = 4;
};

// The usage text of --help, also shown after a usage error.
extern const char* const kBatchUsage;

// The command of the arguments (without the program's name), or the usage
// error's message.
std::variant<BatchCommand, std::string> ParseBatchCommand(const std::vector<std::string>& args);

}  // namespace s2v
