// The run's window operations on a console: report lines to standard output,
// notices and questions to standard error. A question is answered No.
#pragma once

#include <string>
#include <vector>

#include "model/toolkit.h"
#include "run/project_files.h"

namespace s2v {

class ConsoleToolkit : public Toolkit {
 public:
  explicit ConsoleToolkit(TransferChoices choices) : choices_(choices) {}
  void SetSpcLines(std::vector<std::string> lines) { spc_ = std::move(lines); }

  void ShowInfo(const std::string& text) override;
  bool AskYesNo(const std::string& text) override;
  bool AskCaptionedYesNo(const std::string& caption, const std::string& text) override;
  std::string PromptText(const std::string& caption, const std::string& prompt,
                         const std::string& defaultText) override;
  std::optional<std::string> ChooseFileToOpen(const std::string& filter, const std::string& fileName) override;
  void ProposeSaveFileName(const std::string&) override {}
  void ClearPane(Pane pane) override;
  void AppendLine(Pane pane, const std::string& line) override;
  std::size_t LineCount(Pane pane) override { return Lines(pane).size(); }
  std::string Line(Pane pane, std::size_t i) override { return Lines(pane).at(i); }
  void SetCaseText(const std::string&) override {}
  int TransferChoice(TransferGroup group) override;
  void ProcessPendingMessages() override {}

  const std::vector<std::string>& ReportLines() const { return report_; }

 private:
  std::vector<std::string>& Lines(Pane pane) { return pane == Pane::Spc ? spc_ : report_; }

  std::vector<std::string> spc_;
  std::vector<std::string> report_;
  TransferChoices choices_;
};

}  // namespace s2v
