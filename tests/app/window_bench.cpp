// Times a run through the window (offscreen, real widgets, real event
// handling during the copy) on an SPC file: scripts/bench-window.sh compares
// it with the batch program on the same export.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "app/main_window.h"
#include "app/pane_lines.h"
#include "support/byte_stream.h"
#include "support/working_folder.h"

namespace {

// Notices are taken as read and questions answered No, as in batch.
class SilentDialogs : public s2v::DialogProvider {
 public:
  void Inform(QWidget*, const QString&, const QString&) override {}
  bool AskYesNo(QWidget*, const QString&, const QString&) override { return false; }
  bool Confirm(QWidget*, const QString&) override { return false; }
  bool WarnOkCancel(QWidget*, const QString&) override { return false; }
  void ShowFailure(QWidget*, const QString& text) override {
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
  }
  std::optional<QString> PromptText(QWidget*, const QString&, const QString&, const QString&) override {
    return std::nullopt;
  }
  std::optional<QString> ChooseOpenFile(QWidget*, const QString&, const QString&, const QString&) override {
    return std::nullopt;
  }
  std::optional<QString> ChooseSaveFile(QWidget*, const QString&, const QString&) override { return std::nullopt; }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc != 3 && !(argc == 4 && std::string(argv[3]) == "--transfers")) {
    std::fprintf(stderr, "usage: window_bench SPCFILE PROJECT [--transfers]\n");
    return 64;
  }
  // The window starts in the folder it was started in: the SPC file's.
  const auto [folder, spcName] = s2v::WorkingFolder::OfFile(argv[1], ".");
  QDir::setCurrent(QString::fromStdString(folder.Path()));
  s2v::TSPSStoVRXform window(std::make_unique<SilentDialogs>());
  {
    s2v::FileSource spc(window.Folder(), spcName);
    s2v::SetPaneLines(window.PaneOf(s2v::Pane::Spc), s2v::ReadAllLines(spc));
  }
  window.Shell().ProjectName = argv[2];
  s2v::AppendPaneLine(window.PaneOf(s2v::Pane::Report), "The VORNEX project is " + window.Shell().ProjectName);
  if (argc == 4) {
    // Mplus and MLwiN with the original variables.
    window.findChild<QRadioButton*>(QStringLiteral("MplusGroup1"))->setChecked(true);
    window.findChild<QRadioButton*>(QStringLiteral("MLwinGroup1"))->setChecked(true);
  }
  window.resize(1280, 760);
  window.show();
  QApplication::processEvents();
  // A timer that fires whenever the window handles its messages: the largest
  // gap between two firings is how long the window was deaf.
  QElapsedTimer sinceEvents;
  qint64 largestGap = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] { largestGap = std::max(largestGap, sinceEvents.restart()); });
  ticker.start(0);
  QElapsedTimer timer;
  timer.start();
  sinceEvents.start();
  window.ExecuteProgram();
  largestGap = std::max(largestGap, sinceEvents.elapsed());
  const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
  std::fprintf(stderr, "largest gap between message handling: %lld ms\n", static_cast<long long>(largestGap));
  for (const std::string& line : s2v::PaneLines(window.PaneOf(s2v::Pane::Report))) std::printf("%s\n", line.c_str());
  std::fprintf(stderr, "window run seconds: %.3f\n", seconds);
  return 0;
}
