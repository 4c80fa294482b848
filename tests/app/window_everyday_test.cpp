// Everyday use of the window: the keyboard, the project and folder always in
// view, the progress of a long run and its Stop button, a folder held by
// another run.
#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextBrowser>
#include <QTimer>
#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/user_guide.h"
#include "app_test_support.h"
#include "support/working_folder.h"

using namespace s2v;

namespace {

void WriteExport(const std::string& path, int cases) {
  std::string bytes = "A\tB\r\n";
  for (int i = 0; i < cases; ++i) bytes += std::to_string(i % 7) + "\t" + std::to_string(i % 3) + "\r\n";
  WriteFile(path, bytes);
}

QString LabelText(ScriptedWindow& w, const char* name) { return w->findChild<QLabel*>(name)->text(); }

}  // namespace

class WindowEverydayTest : public QObject {
  Q_OBJECT

 private slots:
  void keysReachTheCommands() {
    WorkFolder folder;
    WriteExport(folder.Path("DATA.DAT"), 5);
    ScriptedWindow w;
    w->show();
    QVERIFY(QTest::qWaitForWindowActive(w.window.get()));

    w.dialogs->answers = {"K1"};
    QTest::keyClick(w.window.get(), Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(w->Shell().ProjectName, std::string("K1"));
    w.dialogs->answers = {""};  // Open, cancelled
    QTest::keyClick(w.window.get(), Qt::Key_O, Qt::ControlModifier);
    w.dialogs->answers = {""};  // Save, cancelled
    QTest::keyClick(w.window.get(), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(w.dialogs->shown.size(), std::size_t{4});
    QCOMPARE(w.dialogs->shown[2].substr(0, 5), std::string("open "));
    QCOMPARE(w.dialogs->shown[3].substr(0, 5), std::string("save "));

    // F5 runs, and the focus comes back to Run.
    w.SetLines(Pane::Spc, {"DATA", "2", "A 0 6", "B 0 2"});
    w->PaneOf(Pane::Spc).setFocus();
    QTest::keyClick(w.window.get(), Qt::Key_F5);
    QCOMPARE(w->CaseEdit().text(), QString("5"));
    QCOMPARE(QApplication::focusWidget(), w->findChild<QWidget*>("Button1"));
    QVERIFY(Exists(folder.Path("K1.CAT")) || Exists(folder.Path("K1.VAR")));

    // Alt+N and Alt+R are the access keys of New and Run (a button pressed
    // by its key shows the press for a moment, then acts).
    w.dialogs->answers = {"K2"};
    QTest::keyClick(w.window.get(), Qt::Key_N, Qt::AltModifier);
    QTRY_COMPARE(w->Shell().ProjectName, std::string("K2"));
    w.SetLines(Pane::Spc, {"DATA", "2", "A 0 6", "B 0 2"});
    QTest::keyClick(w.window.get(), Qt::Key_R, Qt::AltModifier);
    QTRY_VERIFY(Exists(folder.Path("K2.VAR")));
  }

  // F1 shows the README's section on the window, the one text of both.
  void f1ShowsTheUserGuide() {
    QFile readme(EXAMPLES_DIR "/../README.md");
    QVERIFY(readme.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(readme.readAll());
    const qsizetype start = text.indexOf("## The window\n");
    QVERIFY(start >= 0);
    QCOMPARE(WindowGuideMarkdown(), text.mid(start, text.indexOf("\n## ", start + 1) + 1 - start));
    ScriptedWindow w;
    w->show();
    QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
    QTest::keyClick(w.window.get(), Qt::Key_F1);
    auto* guide = w->findChild<QDialog*>("UserGuide");
    QVERIFY(guide != nullptr && guide->isVisible());
    const QString shown = guide->findChild<QTextBrowser*>("GuideText")->toPlainText();
    QVERIFY(shown.startsWith("The window"));
    QVERIFY(shown.contains("Ctrl+Tab types a tab"));
    QVERIFY(!shown.contains("The batch program"));
  }

  void tabLeavesThePanesAndCtrlTabTypesATab() {
    ScriptedWindow w;
    w->show();
    QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
    QPlainTextEdit& spc = w->PaneOf(Pane::Spc);
    spc.clear();
    spc.setFocus();
    QTest::keyClick(&spc, Qt::Key_A);
    QTest::keyClick(&spc, Qt::Key_Tab, Qt::ControlModifier);
    QTest::keyClick(&spc, Qt::Key_B);
    QCOMPARE(spc.toPlainText(), QString("a\tb"));
    QTest::keyClick(&spc, Qt::Key_Tab);
    QVERIFY(QApplication::focusWidget() != &spc);
    QCOMPARE(spc.toPlainText(), QString("a\tb"));
  }

  // A definition dropped on the window opens as Open opens it; an SPSS data
  // file dropped on a pane becomes line 1's export; other files are refused.
  void filesDroppedOnTheWindow() {
    WorkFolder folder;
    QDir().mkdir("sub");
    WriteFile(folder.Path("sub/study.spc"), "old\r\n2\r\nA 0 6\r\n");
    WriteExport(folder.Path("DATA.DAT"), 5);
    WriteFile(folder.Path("notes.txt"), "notes");
    ScriptedWindow w;
    QVERIFY(DropFile(w.window.get(), folder.Path("sub/study.spc")));
    QCOMPARE(w.Lines(Pane::Spc), std::vector<std::string>({"old", "2", "A 0 6"}));
    QCOMPARE(w->Shell().ProjectName, std::string("study"));
    QVERIFY(DropFile(w->PaneOf(Pane::Spc).viewport(), folder.Path("DATA.DAT")));
    QCOMPARE(w.Lines(Pane::Spc), std::vector<std::string>({"DATA", "2", "A 0 6"}));
    QCOMPARE(QDir(QString::fromStdString(w->Folder().Path())).canonicalPath(),
             QDir(QString::fromStdString(folder.Path())).canonicalPath());
    QVERIFY(!DropFile(w->PaneOf(Pane::Spc).viewport(), folder.Path("notes.txt")));
    QVERIFY(!DropFile(w.window.get(), folder.Path("notes.txt")));
    QCOMPARE(w.Lines(Pane::Spc), std::vector<std::string>({"DATA", "2", "A 0 6"}));
    QVERIFY(w.dialogs->shown.empty());
  }

  void projectAndFolderStayInView() {
    WorkFolder folder;
    QDir().mkdir("sub");
    WriteFile(folder.Path("sub/study.spc"), "DATA\r\n");
    ScriptedWindow w;
    QVERIFY(LabelText(w, "FolderLabel").endsWith(QDir(QString::fromStdString(folder.Path())).dirName()));
    w.dialogs->answers = {"FIRST"};
    w->StartNewProject();
    QCOMPARE(LabelText(w, "ProjectLabel"), QString("Project: FIRST"));
    w.dialogs->answers = {folder.Path("sub/study.spc")};
    w->OpenItemClick();
    QCOMPARE(LabelText(w, "ProjectLabel"), QString("Project: study"));
    QCOMPARE(QDir(LabelText(w, "FolderLabel").mid(8)).canonicalPath(),
             QDir(QString::fromStdString(folder.Path("sub"))).canonicalPath());
  }

  // Stop over a complete project: the run ends at a whole case, and the
  // folder is as it was, byte for byte.
  void progressShowsAndStopEndsTheRunAtAWholeCase() {
    WorkFolder folder;
    WriteExport(folder.Path("BIG.DAT"), 1000);
    ScriptedWindow w;
    w.SetLines(Pane::Spc, {"BIG", "2", "A 0 6", "B 0 2"});
    w->Shell().ProjectName = "P";
    w->ExecuteProgram();
    QVERIFY(Exists(folder.Path("P.VAR")));
    WriteExport(folder.Path("BIG.DAT"), 200000);
    std::map<std::string, std::string> before;
    for (const std::string& name : Entries(folder.Path())) before[name] = ReadFile(folder.Path(name));
    w.dialogs->answers = {"Yes"};  // the project exists: go on with its name
    w->Toolkit().SetMessageInterval(std::chrono::milliseconds(0));
    auto* progress = w->findChild<QProgressBar*>("ProgressBar");
    auto* stop = w->findChild<QPushButton*>("StopButton");
    QVERIFY(!stop->isEnabled());
    std::vector<int> seen;
    QTimer sampler;
    connect(&sampler, &QTimer::timeout, this, [&] {
      if (progress->isVisible()) seen.push_back(progress->value());
      if (seen.size() == 3) QTest::mouseClick(stop, Qt::LeftButton);
    });
    sampler.start(1);
    w->show();
    w->ExecuteProgram();
    sampler.stop();

    QVERIFY2(seen.size() >= 3, qPrintable(QString::number(seen.size())));
    QVERIFY(seen.front() >= 0 && seen.back() < 1000 && seen.back() >= seen.front());
    QVERIFY(!progress->isVisible());
    QVERIFY(!stop->isEnabled());
    const int counted = w->CaseEdit().text().toInt();
    QVERIFY(counted > 0 && counted < 200000);
    const std::vector<std::string> report = w.Lines(Pane::Report);
    QCOMPARE(report[report.size() - 2], "Run stopped at case " + std::to_string(counted));
    QCOMPARE(report.back(), std::string("No file was changed: the folder is as it was before the run"));
    std::map<std::string, std::string> after;
    for (const std::string& name : Entries(folder.Path())) after[name] = ReadFile(folder.Path(name));
    after["BIG.DAT"] = before["BIG.DAT"];
    QVERIFY(after == before);

    // The next run is not stopped by the earlier press.
    WriteExport(folder.Path("BIG.DAT"), 10);
    w.dialogs->answers = {"Yes"};
    w->ExecuteProgram();
    QCOMPARE(w->CaseEdit().text(), QString("10"));
  }

  // Each transfer's notice shows a full bar: its file is complete.
  void progressIsFullWhenTheTransfersNoticesShow() {
    WorkFolder folder;
    WriteExport(folder.Path("DATA.DAT"), 10000);
    ScriptedWindow w;
    w.SetLines(Pane::Spc, {"DATA", "2", "A 0 6", "B 0 2"});
    w->Shell().ProjectName = "P";
    w->findChild<QWidget*>("MplusGroup")->findChildren<QAbstractButton*>()[1]->click();
    w->findChild<QWidget*>("MLwinGroup")->findChildren<QAbstractButton*>()[1]->click();
    auto* progress = w->findChild<QProgressBar*>("ProgressBar");
    std::vector<std::string> notices;
    w.dialogs->onInform = [&](const QString& text) {
      notices.push_back(text.toStdString() + " " + std::to_string(progress->value()));
    };
    w->ExecuteProgram();
    QCOMPARE(notices, std::vector<std::string>({"VORNEX files are ready 1000", "Mplus project file ready 1000",
                                                "Mplus data ready. 10000 SPSS records was transfered 1000",
                                                "Transfer to MLwiN not ready 1000",
                                                "MLwiN data ready. 10000 SPSS records were transferred 1000"}));

    // The MLwiN data file on a pass of its own.
    notices.clear();
    w->findChild<QWidget*>("MplusGroup")->findChildren<QAbstractButton*>()[0]->click();
    w.dialogs->answers = {"Yes"};  // the project exists: go on with its name
    w->ExecuteProgram();
    QCOMPARE(notices, std::vector<std::string>({"VORNEX files are ready 1000", "Transfer to MLwiN not ready 1000",
                                                "MLwiN data ready. 10000 SPSS records were transferred 1000"}));
  }

  void aFolderHeldByAnotherRunIsLeftAlone() {
    WorkFolder folder;
    WriteExport(folder.Path("DATA.DAT"), 5);
    std::optional<FolderLock> other = FolderLock::TryLock(WorkingFolder(folder.Path()));
    QVERIFY(other.has_value());
    ScriptedWindow w;
    w.SetLines(Pane::Spc, {"DATA", "2", "A 0 6", "B 0 2"});
    w->Shell().ProjectName = "P";
    w->ExecuteProgram();
    QCOMPARE(w.dialogs->shown, std::vector<std::string>({"inform " + kApplicationTitle.toStdString() +
                                                         ": Another run is working in this folder. Try again "
                                                         "when it has ended."}));
    QCOMPARE(Entries(folder.Path()), std::vector<std::string>({"DATA.DAT"}));
    other.reset();
    w->ExecuteProgram();
    QVERIFY(Exists(folder.Path("P.VAR")));
  }
};

QTEST_MAIN(WindowEverydayTest)
#include "window_everyday_test.moc"
