// The run's window operations on a console: report lines to standard output,
// notices and questions to standard error. A question is answered No.
#pragma once

#include <string>
#include <vector>

#include "model/project_definition.h"
#include "model/toolkit.h"
#include "run/project_files.h"

namespace s2v {

// SIGINT, SIGTERM and SIGHUP (the terminal closed) ask the command to end at
// a whole case; a second one ends the program at once. SIGPIPE is ignored, so
// that a report piped into a program that stops reading does not end the run.
void InstallInterruptHandlers();
bool InterruptRequested();
// Asks for the end as a signal does (one that a child process took).
void RequestInterrupt();
// On Windows, Ctrl+C, Ctrl+Break and closing the console are taken as
// SIGINT is (console_win32.cpp; the POSIX signals in console_posix.cpp).

// The command line's arguments in UTF-8: as given on POSIX; on Windows from
// the system's UTF-16 command line, as argv there is in the ANSI code page.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

class ConsoleToolkit : public Toolkit {
 public:
  explicit ConsoleToolkit(TransferChoices choices) : choices_(choices) {}
  void SetSpcLines(SpcText lines) { spc_ = std::move(lines); }

  void ShowInfo(const std::string& text) override;
  bool AskYesNo(const std::string& text) override;
  bool AskCaptionedYesNo(const std::string& caption, const std::string& text) override;
  std::string PromptText(const std::string& caption, const std::string& prompt,
                         const std::string& defaultText) override;
  std::optional<std::string> ChooseFileToOpen(const std::string& filter, const std::string& fileName) override;
  void ProposeSaveFileName(const std::string&) override {}
  void ClearPane(Pane pane) override;
  void AppendLine(Pane pane, const std::string& line) override;
  std::size_t LineCount(Pane pane) override { return pane == Pane::Spc ? spc_.size() : report_.size(); }
  std::string Line(Pane pane, std::size_t i) override { return pane == Pane::Spc ? spc_[i] : report_.at(i); }
  void SetCaseText(const std::string&) override {}
  int TransferChoice(TransferGroup group) override;
  void SetProgress(std::uint64_t, std::uint64_t) override {}
  void ProcessPendingMessages() override {}
  // True once SIGINT or SIGTERM arrived (see InstallInterruptHandlers).
  bool StopRequested() override;

  const std::vector<std::string>& ReportLines() const { return report_; }

 private:
  SpcText spc_;
  std::vector<std::string> report_;
  TransferChoices choices_;
};

}  // namespace s2v
