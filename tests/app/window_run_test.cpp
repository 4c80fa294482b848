// Run through the window: the find-it path, a whole run of the example
// compared with the batch program, the case counter, the guards during a run
// and closing the window during the copy.
#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <filesystem>
#include <map>

#include "app_test_support.h"

using namespace s2v;

namespace {

std::vector<std::string> ExampleSpc() {
  return {"survey",
          "8",
          "sex 1 2",
          "age 18 30 45 65 90",
          "income 0 1500.5 3000 6000 20000",
          "<-",
          "q1 1 5",
          "q2 1 5",
          "q3 1 5",
          "q4 1 5",
          "region 1 4",
          "total 32"};
}

void CopyExamples(const std::string& folder) {
  for (const auto& entry : std::filesystem::directory_iterator(EXAMPLES_DIR))
    if (entry.is_regular_file())
      std::filesystem::copy_file(entry.path(), std::filesystem::path(folder) / entry.path().filename());
}

// A tab-delimited export of two variables and n cases.
void WriteExport(const std::string& path, int cases) {
  std::string bytes = "A\tB\r\n";
  for (int i = 0; i < cases; ++i) bytes += std::to_string(i % 7) + "\t" + std::to_string(i % 3) + "\r\n";
  WriteFile(path, bytes);
}

// Open files of this process that lie in folder.
int OpenFilesIn(const std::string& folder) {
  int count = 0;
  const std::string canonical = std::filesystem::canonical(folder).string() + "/";
  for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code ec;
    std::string target = std::filesystem::read_symlink(fd.path(), ec).string();
    if (!ec && target.rfind(canonical, 0) == 0) ++count;
  }
  return count;
}

bool HasLineEnding(const std::vector<std::string>& lines, const std::string& end) {
  for (const std::string& line : lines)
    if (line.size() >= end.size() && line.compare(line.size() - end.size(), end.size(), end) == 0) return true;
  return false;
}

}  // namespace

class WindowRunTest : public QObject {
  Q_OBJECT

 private slots:
  void exampleRunMatchesTheBatchProgram() {
    WorkFolder folder;
    QDir().mkdir("batch");
    QDir().mkdir("window");
    CopyExamples(folder.Path("batch"));
    CopyExamples(folder.Path("window"));

    QProcess batch;
    batch.start(BATCH_PROGRAM, {"--mim", "1", "--mlwin", "2", folder.Path("batch/survey_project.spc").c_str()});
    QVERIFY(batch.waitForFinished(60000));
    QCOMPARE(batch.exitCode(), 0);
    QStringList batchReport = QString::fromLatin1(batch.readAllStandardOutput()).split('\n');
    batchReport.removeLast();

    ScriptedWindow w;
    w->resize(1280, 760);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
    w.dialogs->answers = {folder.Path("window/survey_project.spc")};
    w->OpenItemClick();
    w->findChild<QWidget*>("MIMGroup")->findChildren<QAbstractButton*>()[1]->click();
    w->findChild<QWidget*>("MLwinGroup")->findChildren<QAbstractButton*>()[2]->click();
    QTest::mouseClick(w->findChild<QPushButton*>("Button1"), Qt::LeftButton);

    QStringList windowReport;
    for (const std::string& line : w.Lines(Pane::Report)) windowReport << QString::fromLatin1(line.c_str());
    QCOMPARE(windowReport, batchReport);
    QVERIFY(windowReport.contains("DEF, DAT and VAR files are ready. The CAT file will be created."));
    const std::vector<std::string> files = Entries(folder.Path("batch"));
    QCOMPARE(Entries(folder.Path("window")), files);
    QVERIFY(files.size() > 3);
    for (const std::string& name : files)
      QVERIFY2(ReadFile(folder.Path("batch/" + name)) == ReadFile(folder.Path("window/" + name)), name.c_str());
    QCOMPARE(w->CaseEdit().text(), QString("300"));
    // scripts/screenshot.sh keeps a picture of the window after this run.
    const QString screenshot = qEnvironmentVariable("SPSS2VORNEX_SCREENSHOT");
    if (!screenshot.isEmpty()) QVERIFY(w->grab().save(screenshot));
  }

  // Stop in the last phase of a run over a complete project, with every
  // output of the earlier run and old SYS and TAB files in the folder: the
  // folder is as it was, byte for byte, and the report says so.
  void stopOverACompleteProjectLeavesTheFolderAsItWas() {
    WorkFolder folder;
    CopyExamples(folder.Path());
    ScriptedWindow w;
    w.dialogs->answers = {folder.Path("survey_project.spc")};
    w->OpenItemClick();
    for (const char* group : {"MplusGroup", "MIMGroup", "MLwinGroup"})
      w->findChild<QWidget*>(group)->findChildren<QAbstractButton*>()[1]->click();
    w->ExecuteProgram();
    QVERIFY(Exists(folder.Path("survey_project.mln")) && Exists(folder.Path("survey_project.mpd")));
    WriteFile(folder.Path("survey_project.SYS"), "old system file");
    WriteFile(folder.Path("survey_project.TAB"), "old tables");
    std::map<std::string, std::string> before;
    for (const std::string& name : Entries(folder.Path())) before[name] = ReadFile(folder.Path(name));

    w.dialogs->shown.clear();
    w.dialogs->answers = {"Yes"};  // the project exists: go on with its name
    w.dialogs->onInform = [&](const QString& text) {
      if (text == "Mplus project file ready") w->findChild<QPushButton*>("StopButton")->click();
    };
    w->ExecuteProgram();
    QCOMPARE(w.dialogs->shown.back(), "inform " + kApplicationTitle.toStdString() + ": Mplus project file ready");
    const std::vector<std::string> report = w.Lines(Pane::Report);
    QCOMPARE(report[report.size() - 2], std::string("Run stopped at case 0"));
    QCOMPARE(report.back(), std::string("No file was changed: the folder is as it was before the run"));
    std::map<std::string, std::string> after;
    for (const std::string& name : Entries(folder.Path())) after[name] = ReadFile(folder.Path(name));
    QVERIFY(after == before);
  }

  void findItThenRenameTheProject() {
    WorkFolder folder;
    QDir().mkdir("data");
    CopyExamples(folder.Path("data"));
    WriteFile(folder.Path("data/P.DEF"), "old definition");
    ScriptedWindow w;
    w.dialogs->answers = {"P"};
    w->StartNewProject();
    w.SetLines(Pane::Spc, ExampleSpc());
    w.dialogs->shown.clear();
    w.dialogs->answers = {"Yes", folder.Path("data/other.dat"), "No", "P2"};
    w->ExecuteProgram();
    QCOMPARE(w.dialogs->shown,
             std::vector<std::string>({"confirm: survey.DAT does not exist here. Do you want to find it?",
                                       "open DAT files|*.dat []",
                                       "yesno Warning: Project already exists. Continue with the same name?",
                                       "prompt Project name: Enter project name []",
                                       "inform " + kApplicationTitle.toStdString() + ": VORNEX files are ready"}));
    const std::vector<std::string> report = w.Lines(Pane::Report);
    QCOMPARE(report.front(), std::string("The VORNEX project is P2"));
    QVERIFY(HasLineEnding(report, "cases found on spss file"));
    QCOMPARE(ReadFile(folder.Path("data/P.DEF")), std::string("old definition"));
    for (const char* name : {"P2.DEF", "P2.VAR", "P2.TXT", "P.DAT", "P.LAB"})
      QVERIFY2(Exists(folder.Path("data/") + name), name);
    QCOMPARE(w->Shell().ProjectName, std::string("P2"));
    QCOMPARE(w->Shell().SpcFileName, std::string("P2.spc"));

    // The save dialog proposes the new name, and Open has its own filter again.
    w.dialogs->shown.clear();
    w.dialogs->answers = {"", ""};
    w->SaveItemClick();
    w->OpenItemClick();
    QCOMPARE(
        w.dialogs->shown,
        std::vector<std::string>({"save SPC file (*.SPC)|*.SPC|Report file (*.rep)|*.rep|All files (*.*)|*.* [P2.spc]",
                                  "open SPC files (*.SPC)|*.SPC|All Files (*.*)|*.* []"}));
  }

  void findItInAFolderWithoutTheFile() {
    WorkFolder folder;
    QDir().mkdir("empty");
    ScriptedWindow w;
    w.SetLines(Pane::Spc, ExampleSpc());
    w->Shell().ProjectName = "P";
    w.dialogs->answers = {"Yes", folder.Path("empty/other.dat")};
    w->ExecuteProgram();
    QCOMPARE(w.dialogs->shown.back(), "inform " + kApplicationTitle.toStdString() + ": survey.DAT was not found");
    QCOMPARE(Entries(folder.Path("empty")), std::vector<std::string>());

    // No to the question stops the run without a further line.
    w.SetLines(Pane::Report, {});
    w.dialogs->answers = {"No"};
    w->ExecuteProgram();
    QCOMPARE(w.dialogs->shown.back(), std::string("confirm: survey.DAT does not exist here. Do you want to find it?"));
    QCOMPARE(w.Lines(Pane::Report).back(), std::string());
    QVERIFY(!HasLineEnding(w.Lines(Pane::Report), "cases found on spss file"));
  }

  void failureEndsTheRunWithItsMessage() {
    WorkFolder folder;
    CopyExamples(folder.Path());
    QDir().mkdir("P.LAB");  // the label file cannot be created
    ScriptedWindow w;
    w.SetLines(Pane::Spc, ExampleSpc());
    w->Shell().ProjectName = "P";
    w->ExecuteProgram();
    QCOMPARE(w.dialogs->shown, std::vector<std::string>(
                                   {"failure " + kApplicationTitle.toStdString() + ": File access denied. (P.LAB)"}));
    QVERIFY(!HasLineEnding(w.Lines(Pane::Report), "cases found on spss file"));
    QVERIFY(w->findChild<QPushButton*>("Button1")->isEnabled());
  }

  void counterStaysCurrentAndCommandsWaitDuringTheCopy() {
    WorkFolder folder;
    const int cases = 3000;
    WriteExport(folder.Path("BIG.DAT"), cases);
    ScriptedWindow w;
    w.SetLines(Pane::Spc, {"BIG", "2", "A 0 6", "B 0 2"});
    w->Shell().ProjectName = "P";
    w->Toolkit().SetMessageInterval(std::chrono::milliseconds(0));
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));

    QStringList seen;
    bool guarded = true;
    QTimer sampler;
    connect(&sampler, &QTimer::timeout, this, [&] {
      seen << w->CaseEdit().text();
      for (const char* name : {"Button1", "Button2", "OpenBtn", "SaveBtn", "VariablesBtn", "CheckBtn"})
        guarded = guarded && !w->findChild<QWidget*>(name)->isEnabled();
      for (const char* name : {"New1", "OpenItem", "SaveItem", "VariablesItem", "CheckItem"})
        guarded = guarded && !w->findChild<QAction*>(name)->isEnabled();
      // A second Run while the copy goes on does nothing.
      w->ExecuteProgram();
    });
    sampler.start(1);
    w->ExecuteProgram();
    sampler.stop();

    QVERIFY(seen.size() >= 2);
    QVERIFY(guarded);
    const int first = seen.front().toInt();
    const int last = seen.back().toInt();
    QVERIFY2(first >= 1 && last > first && last <= cases, qPrintable(seen.join(',')));
    QCOMPARE(w->CaseEdit().text(), QString::number(cases));
    int found = 0;
    for (const std::string& line : w.Lines(Pane::Report)) found += line == "3000 cases found on spss file";
    QCOMPARE(found, 1);
    QVERIFY(w->findChild<QPushButton*>("Button1")->isEnabled());
    for (const char* name : {"OpenItem", "VariablesItem", "CheckItem"})
      QVERIFY2(w->findChild<QAction*>(name)->isEnabled(), name);
    QVERIFY(w->findChild<QWidget*>("CheckBtn")->isEnabled());
  }

  // With the window's own pace of message handling, the counter shows the
  // final count before the report's next line, for a short copy and a long.
  void counterShowsTheFinalCountWhenTheCopyEnds() {
    for (int cases : {300, 300000}) {
      WorkFolder folder;
      WriteExport(folder.Path("BIG.DAT"), cases);
      ScriptedWindow w;
      w.SetLines(Pane::Spc, {"BIG", "2", "A 0 6", "B 0 2"});
      w->Shell().ProjectName = "P";
      const std::string found = std::to_string(cases) + " cases found on spss file";
      QString counterAtFound;
      connect(&w->PaneOf(Pane::Report), &QPlainTextEdit::textChanged, this, [&] {
        if (w.Lines(Pane::Report).back() == found) counterAtFound = w->CaseEdit().text();
      });
      w->ExecuteProgram();
      QCOMPARE(counterAtFound, QString::number(cases));
    }
  }

  void closingDuringTheCopyEndsTheRunThenTheWindow() {
    WorkFolder folder;
    WriteExport(folder.Path("BIG.DAT"), 3000);
    ScriptedWindow w;
    w.SetLines(Pane::Spc, {"BIG", "2", "A 0 6", "B 0 2"});
    w->Shell().ProjectName = "P";
    w->Toolkit().SetMessageInterval(std::chrono::milliseconds(0));
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
    bool visibleAfterClose = false;
    QTimer::singleShot(0, w.window.get(), [&] {
      QTest::mouseClick(w->findChild<QToolButton*>("ExitBtn"), Qt::LeftButton);
      visibleAfterClose = w->isVisible();
    });
    w->ExecuteProgram();
    QVERIFY(visibleAfterClose);
    QVERIFY(!w->isVisible());
    QVERIFY(!HasLineEnding(w.Lines(Pane::Report), "cases found on spss file"));
    const int counted = w->CaseEdit().text().toInt();
    QVERIFY2(counted >= 1 && counted < 3000, qPrintable(w->CaseEdit().text()));
    QCOMPARE(OpenFilesIn(folder.Path()), 0);
    QVERIFY(!Exists(folder.Path("P.DEF")));
    QVERIFY(w.dialogs->shown.empty());
    // The report says where the run stopped, and nothing of it is left.
    const std::vector<std::string> report = w.Lines(Pane::Report);
    QCOMPARE(report[report.size() - 2], "Run stopped at case " + std::to_string(counted));
    QCOMPARE(Entries(folder.Path()), std::vector<std::string>({"BIG.DAT"}));
  }
};

QTEST_MAIN(WindowRunTest)
#include "window_run_test.moc"
