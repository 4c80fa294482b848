// The seam between the run and a window: every window operation the run
// needs. The Qt window implements it with real widgets, the batch program with
// the console, tests with a scripted fake.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "support/code_page.h"

namespace s2v {

enum class Pane { Spc, Report };
enum class TransferGroup { Mplus, Mim, MLwin };

class Toolkit {
 public:
  virtual ~Toolkit() = default;

  // A modal notice with an OK button and the application's title as caption.
  virtual void ShowInfo(const std::string& text) = 0;
  // A modal confirmation with Yes (the default) and No; anything but Yes is No.
  virtual bool AskYesNo(const std::string& text) = 0;
  // A modal message owned by the main window, without icon, with the given
  // caption and Yes and No buttons.
  virtual bool AskCaptionedYesNo(const std::string& caption, const std::string& text) = 0;
  // A line of text; the default text when cancelled.
  virtual std::string PromptText(const std::string& caption, const std::string& prompt,
                                 const std::string& defaultText) = 0;
  // The open-file dialog with a filter list of description|pattern pairs and
  // a proposed file name; the full path chosen, or nothing when cancelled. The
  // window's own filter list is in force again afterwards.
  virtual std::optional<std::string> ChooseFileToOpen(const std::string& filter, const std::string& fileName) = 0;
  // The file name that the save dialog proposes next.
  virtual void ProposeSaveFileName(const std::string& fileName) = 0;

  virtual void ClearPane(Pane pane) = 0;
  virtual void AppendLine(Pane pane, const std::string& line) = 0;
  virtual std::size_t LineCount(Pane pane) = 0;
  // Line i, counted from 0.
  virtual std::string Line(Pane pane, std::size_t i) = 0;

  virtual void SetCaseText(const std::string& text) = 0;
  // How far a long step has come: done of total (bytes of the SPSS data read
  // during the copy, cases written during a transfer). Called often; a
  // window shows it when it next handles its messages.
  virtual void SetProgress(std::uint64_t done, std::uint64_t total) = 0;
  // The selected item of a radio group: 0 none, 1 original, 2 categorized.
  virtual int TransferChoice(TransferGroup group) = 0;
  // Lets the window repaint and handle its pending messages.
  virtual void ProcessPendingMessages() = 0;
  // True once the user asked the run to end early (a signal, the window
  // closing, Stop): the run finishes the case it is on and stops there.
  virtual bool StopRequested() = 0;
};

// The report line of a run that the user ended early after case n.
inline std::string StoppedAtCaseLine(std::int64_t n) { return "Run stopped at case " + std::to_string(n); }

// The state that lives between commands, owned by the front end.
struct ShellState {
  std::string ProjectName;
  std::string SpcFileName;
  // Seeds the Mplus Dummy column instead of the clock (the batch program's
  // --seed), so that the data file can be reproduced.
  std::optional<std::uint32_t> MplusSeed;
  // The code page of the files a run writes (the batch program's --encoding);
  // none: Windows-1252.
  std::optional<CodePage> OutputCodePage;
  const CodePage& CodePageOfOutput() const { return OutputCodePage ? *OutputCodePage : CodePage::Windows1252(); }
};

}  // namespace s2v
