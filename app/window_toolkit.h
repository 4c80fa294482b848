// The run's window operations on the main window's widgets.
#pragma once

#include <QElapsedTimer>
#include <chrono>

#include "model/toolkit.h"

namespace s2v {

class TSPSStoVRXform;

class WindowToolkit : public Toolkit {
 public:
  explicit WindowToolkit(TSPSStoVRXform& window) : window_(window) {}

  void ShowInfo(const std::string& text) override;
  bool AskYesNo(const std::string& text) override;
  bool AskCaptionedYesNo(const std::string& caption, const std::string& text) override;
  std::string PromptText(const std::string& caption, const std::string& prompt,
                         const std::string& defaultText) override;
  std::optional<std::string> ChooseFileToOpen(const std::string& filter, const std::string& fileName) override;
  void ProposeSaveFileName(const std::string& fileName) override;
  void ClearPane(Pane pane) override;
  void AppendLine(Pane pane, const std::string& line) override;
  std::size_t LineCount(Pane pane) override;
  std::string Line(Pane pane, std::size_t i) override;
  // The counter is shown when the window next handles its messages, so a fast
  // copy does not spend its time repainting it.
  void SetCaseText(const std::string& text) override;
  void SetProgress(std::uint64_t done, std::uint64_t total) override;
  int TransferChoice(TransferGroup group) override;
  // Handles the window's messages at most once per interval.
  void ProcessPendingMessages() override;
  // True once the window was closed during the run: the run ends at a whole
  // case and the window closes after it.
  bool StopRequested() override;

  // Zero handles the messages after every case.
  void SetMessageInterval(std::chrono::milliseconds interval) { interval_ = interval; }
  void BeginRun();
  // Shows the last count and progress given.
  void ShowCaseText();

 private:
  TSPSStoVRXform& window_;
  std::string caseText_;
  bool caseTextChanged_ = false;
  int progressPermille_ = -1;  // -1: none given since the run began
  bool progressChanged_ = false;
  std::chrono::milliseconds interval_{30};
  QElapsedTimer sinceMessages_;
};

}  // namespace s2v
