#include "app/window_toolkit.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <algorithm>

#include "app/main_window.h"
#include "app/pane_lines.h"

namespace s2v {

namespace {

QString Text(const std::string& bytes) { return FromWindows1252(bytes); }

}  // namespace

// The counter is brought up to date before anything else is shown, so that a
// report line or a notice never stands beside a count that is behind it.
void WindowToolkit::ShowInfo(const std::string& text) {
  ShowCaseText();
  window_.Dialogs().Inform(&window_, kApplicationTitle, Text(text));
}

bool WindowToolkit::AskYesNo(const std::string& text) {
  ShowCaseText();
  return window_.Dialogs().Confirm(&window_, Text(text));
}

bool WindowToolkit::AskCaptionedYesNo(const std::string& caption, const std::string& text) {
  ShowCaseText();
  return window_.Dialogs().AskYesNo(&window_, Text(caption), Text(text));
}

std::string WindowToolkit::PromptText(const std::string& caption, const std::string& prompt,
                                      const std::string& defaultText) {
  ShowCaseText();
  std::optional<QString> answer =
      window_.Dialogs().PromptText(&window_, Text(caption), Text(prompt), Text(defaultText));
  return answer ? FromPaneText(*answer) : defaultText;
}

std::optional<std::string> WindowToolkit::ChooseFileToOpen(const std::string& filter, const std::string& fileName) {
  // The filter is for this showing only; Open goes on using the window's own.
  std::optional<QString> path = window_.Dialogs().ChooseOpenFile(&window_, Text(filter), Text(fileName));
  if (!path) return std::nullopt;
  return QFile::encodeName(*path).toStdString();
}

void WindowToolkit::ProposeSaveFileName(const std::string& fileName) { window_.SetProposedSaveName(Text(fileName)); }

void WindowToolkit::ClearPane(Pane pane) { ClearLines(window_.PaneOf(pane)); }

void WindowToolkit::AppendLine(Pane pane, const std::string& line) {
  ShowCaseText();
  QPlainTextEdit& edit = window_.PaneOf(pane);
  AppendPaneLine(edit, line);
  if (pane == Pane::Report) {
    edit.moveCursor(QTextCursor::End);
    edit.ensureCursorVisible();
  }
}

std::size_t WindowToolkit::LineCount(Pane pane) { return PaneLineCount(window_.PaneOf(pane)); }

std::string WindowToolkit::Line(Pane pane, std::size_t i) { return PaneLine(window_.PaneOf(pane), i); }

void WindowToolkit::SetCaseText(const std::string& text) {
  caseText_ = text;
  caseTextChanged_ = true;
}

int WindowToolkit::TransferChoice(TransferGroup group) { return window_.TransferChoice(group); }

void WindowToolkit::SetProgress(std::uint64_t done, std::uint64_t total) {
  const int permille = total == 0 ? 0 : static_cast<int>(std::min<std::uint64_t>(done, total) * 1000 / total);
  progressChanged_ = progressChanged_ || permille != progressPermille_;
  progressPermille_ = permille;
}

void WindowToolkit::BeginRun() {
  sinceMessages_.start();
  progressPermille_ = -1;
  progressChanged_ = false;
}

void WindowToolkit::ShowCaseText() {
  if (progressChanged_) {
    window_.ShowProgress(progressPermille_);
    progressChanged_ = false;
  }
  if (!caseTextChanged_) return;
  window_.CaseEdit().setText(Text(caseText_));
  caseTextChanged_ = false;
}

void WindowToolkit::ProcessPendingMessages() {
  if (interval_.count() > 0 && sinceMessages_.isValid() && sinceMessages_.elapsed() < interval_.count()) return;
  ShowCaseText();
  QApplication::processEvents();
  sinceMessages_.start();
}

bool WindowToolkit::StopRequested() { return window_.CloseRequested() || window_.StopPressed(); }

}  // namespace s2v
