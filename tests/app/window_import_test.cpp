// File > Import SPSS system file... on system files that PSPP writes in the
// test: the dialog, the report and SPC panes, the question before replacing,
// a run on the imported pair, the failure box and closing during the import.
#include <QAction>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>
#include <QToolButton>
#include <algorithm>

#include "app_test_support.h"
#include "import/sav_writer.h"
#include "support/text_scan.h"

using namespace s2v;

namespace {

const std::string kImportDialog =
    "open SPSS and Stata files (*.sav *.zsav *.por *.dta)|*.sav;*.zsav;*.por;*.dta|All files (*.*)|*.* [] Import SPSS "
    "or Stata file";
const std::string kOpenDialog = "open SPC files (*.SPC)|*.SPC|All Files (*.*)|*.* []";
const char* const kNoPspp =
    "pspp is not installed (Debian package pspp; scripts/bootstrap.sh installs it): "
    "the test needs it to write system files";

const char* const kSmallSyntax =
    "DATA LIST LIST /x (F2) y (F4.1).\nBEGIN DATA\n1 2.5\n2 .\nEND DATA.\n"
    "VALUE LABELS x 1 'One' 2 'Two'.\n";
const std::string kSmallData = "x\ty\r\n1\t2.5\r\n2\t\r\n";

bool HavePspp() { return !QStandardPaths::findExecutable("pspp").isEmpty(); }

// Runs the syntax with PSPP in the working folder; its output when it fails,
// nothing when it succeeds.
QString PsppFailure(const std::string& syntax) {
  WriteFile("make.sps", syntax);
  QProcess pspp;
  pspp.setProcessChannelMode(QProcess::MergedChannels);
  pspp.start("pspp", {"make.sps"});
  const bool finished = pspp.waitForFinished(60000);
  const QString output = QString::fromLocal8Bit(pspp.readAll());
  QFile::remove("make.sps");
  if (!finished || pspp.exitStatus() != QProcess::NormalExit || pspp.exitCode() != 0) return "pspp failed: " + output;
  return QString();
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::vector<std::string> TextLines(const std::string& bytes) {
  std::vector<std::string> lines;
  for (const QString& line : QString::fromLatin1(bytes.c_str()).split(QChar('\n')))
    lines.push_back(QString(line).remove(QChar('\r')).toStdString());
  return lines;
}

// A stand-in for the window's import process, as a script at path: it begins
// the passing file of that name, tells the window so after the report's first
// line, and then does what last says (dies, hangs). Returns the script's path.
QString StandInChild(const std::string& path, const std::string& passing, const std::string& last) {
  WriteFile(path,
            "#!/bin/sh\n"
            ": > \"$2/" +
                passing +
                "\"\n"
                "printf 'R The SPSS system file is %s\\nF " +
                passing + "\\n' \"$3\"\n" + last + "\n");
  const QString script = QString::fromStdString(path);
  QFile::setPermissions(script, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  return script;
}

}  // namespace

class WindowImportTest : public QObject {
  Q_OBJECT

 private slots:
  void cancellingTheDialogChangesNothing() {
    WorkFolder folder;
    ScriptedWindow w;
    w->SetImportProgram(QStringLiteral(WINDOW_PROGRAM));
    w.SetLines(Pane::Spc, {"keep"});
    w.SetLines(Pane::Report, {"report"});
    w->Shell().ProjectName = "KEEP";
    w.dialogs->answers = {"", ""};
    w->findChild<QAction*>("ImportItem")->trigger();
    w->OpenItemClick();
    // Open shows its own filter list again.
    QCOMPARE(w.dialogs->shown, std::vector<std::string>({kImportDialog, kOpenDialog}));
    QCOMPARE(w.Lines(Pane::Spc), std::vector<std::string>({"keep"}));
    QCOMPARE(w.Lines(Pane::Report), std::vector<std::string>({"report"}));
    QCOMPARE(w->Shell().ProjectName, std::string("KEEP"));
    QCOMPARE(QDir(QString::fromStdString(w->Folder().Path())).canonicalPath(),
             QDir(QString::fromStdString(folder.Path())).canonicalPath());
    QCOMPARE(Entries(folder.Path()), std::vector<std::string>());
  }

  void importFillsThePanesAndARunMakesTheProject() {
    if (!HavePspp()) QSKIP(kNoPspp);
    WorkFolder folder;
    QDir().mkdir("data");
    const QString failure = PsppFailure(kSmallSyntax + std::string("SAVE OUTFILE='data/small.sav'.\n"));
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    ScriptedWindow w;
    w->SetImportProgram(QStringLiteral(WINDOW_PROGRAM));
    w.dialogs->answers = {"P"};
    w->StartNewProject();
    w.dialogs->shown.clear();
    w.dialogs->answers = {folder.Path("data/small.sav"), "small_project", ""};
    w->ImportItemClick();
    w->OpenItemClick();
    QCOMPARE(w.dialogs->shown,
             std::vector<std::string>(
                 {kImportDialog, "prompt Project name: Enter project name [small_project]", kOpenDialog}));

    // The import's report, then the variables found.
    const std::vector<std::string> report = w.Lines(Pane::Report);
    const std::vector<std::string> imported = {"The SPSS system file is small.sav",
                                               "2 variables found on the system file",
                                               "2 cases found on the system file",
                                               "2 value labels found for 1 variable",
                                               "Written: small.DAT (tab-delimited data) and small.TXT (File Info)",
                                               ""};
    QVERIFY(report.size() > imported.size());
    QCOMPARE(std::vector<std::string>(report.begin(), report.begin() + 6), imported);
    QVERIFY(Contains(report,
                     "  1  x     number      2        0        1        2  yes      0       all    1       1    "
                     "2                           1=One; 2=Two"));
    // Only x can be used (y is constant): the template, with the SPSS name.
    QCOMPARE(w.Lines(Pane::Spc), std::vector<std::string>({"small", "Number of variables", "VAR1 min cuts max",
                                                           "VAR2 min cuts max", "<-", "VAR3 min cuts max", "etc."}));
    QCOMPARE(w->CaseEdit().text(), QString("2"));
    QCOMPARE(QDir(QString::fromStdString(w->Folder().Path())).canonicalPath(),
             QDir(QString::fromStdString(folder.Path("data"))).canonicalPath());
    QCOMPARE(Entries(folder.Path("data")), std::vector<std::string>({"small.DAT", "small.TXT", "small.sav"}));
    QCOMPARE(ReadFile(folder.Path("data/small.DAT")), kSmallData);
    // The imported data start a project of their own, named as New names one.
    QCOMPARE(w->Shell().ProjectName, std::string("small_project"));
    QCOMPARE(w->Shell().SpcFileName, std::string("small_project.SPC"));

    // The definition filled in, Run makes the project from the imported pair.
    w.SetLines(Pane::Spc, {"small", "2", "x 1 2", "y 0 1 5"});
    w.dialogs->shown.clear();
    QTest::mouseClick(w->findChild<QPushButton*>("Button1"), Qt::LeftButton);
    QCOMPARE(w.dialogs->shown,
             std::vector<std::string>({"inform " + kApplicationTitle.toStdString() + ": VORNEX files are ready"}));
    QVERIFY(Contains(w.Lines(Pane::Report), "DEF, DAT and VAR files are ready. The CAT file will be created."));
    for (const char* extension : {".DEF", ".VAR", ".TXT", ".CAT", ".DAT", ".LAB"})
      QVERIFY2(Exists(folder.Path("data/small_project") + extension), extension);
    const std::string categoryFile = ReadFile(folder.Path("data/small_project.CAT"));
    const std::vector<std::string> categories = TextLines(categoryFile);
    QVERIFY2(Contains(categories, "A 1 ONE") && Contains(categories, "A 2 TWO"), categoryFile.c_str());
    QCOMPARE(ReadFile(folder.Path("data/small.DAT")), kSmallData);
  }

  void importGivesADraftThatRuns() {
    WorkFolder folder;
    std::vector<std::vector<double>> rows;
    for (int i = 0; i < 200; ++i) rows.push_back({double(i % 2 + 1), double(18 + i % 60), 1000.5 + i * 13.25});
    WriteFile(folder.Path("study.sav"), WriteSav({"sex", "age", "income"}, rows));
    ScriptedWindow w;
    w->SetImportProgram(QStringLiteral(WINDOW_PROGRAM));
    w.SetLines(Pane::Spc, {"typed"});
    w.dialogs->answers = {folder.Path("study.sav"), "study_project"};
    w->ImportItemClick();
    // The draft replaced the typed lines as one step that undo takes back.
    const std::vector<std::string> spc = w.Lines(Pane::Spc);
    w->PaneOf(Pane::Spc).undo();
    QCOMPARE(w.Lines(Pane::Spc), std::vector<std::string>({"typed"}));
    w->PaneOf(Pane::Spc).redo();
    QCOMPARE(w.Lines(Pane::Spc), spc);
    QVERIFY(spc.size() >= 5);
    QCOMPARE(spc[0], std::string("study"));
    QCOMPARE(spc[1], std::string("3"));
    QCOMPARE(spc[2], std::string("sex 1 2"));
    QCOMPARE(ExtractWord(1, spc[4]), std::string("income"));
    w.dialogs->shown.clear();
    w->ExecuteProgram();
    QCOMPARE(w.dialogs->shown,
             std::vector<std::string>({"inform " + kApplicationTitle.toStdString() + ": VORNEX files are ready"}));
    QVERIFY(Exists(folder.Path("study_project.CAT")));
    // The variables have no labels: the project text file names them without
    // a stray border of the File Info table.
    const std::vector<std::string> text = TextLines(ReadFile(folder.Path("study_project.TXT")));
    QVERIFY(Contains(text, "         SEX = "));
    for (const std::string& line : text) QVERIFY2(line.find('|') == std::string::npos, line.c_str());
  }

  void existingFilesAreKeptUnlessReplacingIsConfirmed() {
    if (!HavePspp()) QSKIP(kNoPspp);
    WorkFolder folder;
    const QString failure = PsppFailure(kSmallSyntax + std::string("SAVE OUTFILE='small.sav'.\n"));
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    WriteFile(folder.Path("SMALL.dat"), "old data");
    WriteFile(folder.Path("small.txt"), "old info");
    ScriptedWindow w;
    w->SetImportProgram(QStringLiteral(WINDOW_PROGRAM));
    w.SetLines(Pane::Spc, {"keep"});
    w.dialogs->answers = {folder.Path("small.sav"), "No"};
    w->ImportItemClick();
    QCOMPARE(w.dialogs->shown, std::vector<std::string>({kImportDialog,
                                                         "confirm: SMALL.dat and small.txt already "
                                                         "exist. Replace them?"}));
    QCOMPARE(w.Lines(Pane::Report),
             std::vector<std::string>(
                 {"The SPSS system file is small.sav", "SMALL.dat and small.txt were kept; nothing was imported"}));
    QCOMPARE(w.Lines(Pane::Spc), std::vector<std::string>({"keep"}));
    QCOMPARE(ReadFile(folder.Path("SMALL.dat")), std::string("old data"));
    QCOMPARE(ReadFile(folder.Path("small.txt")), std::string("old info"));
    QCOMPARE(Entries(folder.Path()), std::vector<std::string>({"SMALL.dat", "small.sav", "small.txt"}));

    // Yes replaces them under their names; a cancelled name prompt leaves the
    // project unnamed.
    w.dialogs->shown.clear();
    w.dialogs->answers = {folder.Path("small.sav"), "Yes", "<cancel>"};
    w->ImportItemClick();
    QCOMPARE(w.dialogs->shown.size(), std::size_t{3});
    QCOMPARE(ReadFile(folder.Path("SMALL.dat")), kSmallData);
    QCOMPARE(Entries(folder.Path()), std::vector<std::string>({"SMALL.dat", "small.sav", "small.txt"}));
    QCOMPARE(w.Lines(Pane::Spc).front(), std::string("small"));
    QVERIFY(Contains(w.Lines(Pane::Report), "Written: SMALL.dat (tab-delimited data) and small.txt (File Info)"));
    QCOMPARE(w->Shell().ProjectName, std::string());
  }

  void aMissingFileShowsTheFailure() {
    WorkFolder folder;
    ScriptedWindow w;
    w->SetImportProgram(QStringLiteral(WINDOW_PROGRAM));
    w.SetLines(Pane::Spc, {"keep"});
    w.dialogs->answers = {folder.Path("absent.sav")};
    w->ImportItemClick();
    QCOMPARE(w.dialogs->shown, std::vector<std::string>({kImportDialog, "failure " + kApplicationTitle.toStdString() +
                                                                            ": File not found."}));
    QCOMPARE(w.Lines(Pane::Spc), std::vector<std::string>({"keep"}));
    QCOMPARE(Entries(folder.Path()), std::vector<std::string>());
    QVERIFY(w->findChild<QAction*>("ImportItem")->isEnabled());
    QVERIFY(w->findChild<QPushButton*>("Button1")->isEnabled());
  }

  // Portable and Stata files go the same way, without PSPP.
  void portableAndStataFilesImport() {
    for (const std::string name : {"labels.por", "labels.dta"}) {
      WorkFolder folder;
      QVERIFY(QFile::copy(QStringLiteral(TEST_DATA_DIR "/import/") + QString::fromStdString(name),
                          QString::fromStdString(folder.Path(name))));
      ScriptedWindow w;
      w->SetImportProgram(QStringLiteral(WINDOW_PROGRAM));
      // The Stata file is dropped on the window.
      if (name == "labels.dta") {
        w.dialogs->answers = {"labels_project"};
        QVERIFY(DropFile(w.window.get(), folder.Path(name)));
      } else {
        w.dialogs->answers = {folder.Path(name), "labels_project"};
        w->ImportItemClick();
      }
      const std::vector<std::string> report = w.Lines(Pane::Report);
      QVERIFY2(Contains(report, "Written: labels.DAT (tab-delimited data) and labels.TXT (File Info)"), name.c_str());
      QCOMPARE(w.Lines(Pane::Spc).front(), std::string("labels"));
      QCOMPARE(w->Shell().ProjectName, std::string("labels_project"));
    }
  }

  // A file that brings the reading library down ends the import's process
  // only: the window lives on with the definition, and the file the child had
  // begun is removed.
  void anImportThatCrashesLeavesTheWindowAndNoFile() {
    WorkFolder folder;
    WriteFile(folder.Path("small.sav"), "whatever");
    ScriptedWindow w;
    w->SetImportProgram(StandInChild(folder.Path("crash.sh"), "small.DAT.k3J9xQ.part", "kill -SEGV $$"));
    w.SetLines(Pane::Spc, {"keep"});
    w.dialogs->answers = {folder.Path("small.sav")};
    w->ImportItemClick();
    QCOMPARE(w.dialogs->shown, std::vector<std::string>({kImportDialog}));
    QCOMPARE(w.Lines(Pane::Report),
             std::vector<std::string>({"The SPSS system file is small.sav",
                                       "The import of small.sav ended abnormally: the file may be damaged; nothing "
                                       "was written"}));
    QCOMPARE(w.Lines(Pane::Spc), std::vector<std::string>({"keep"}));
    QCOMPARE(Entries(folder.Path()), std::vector<std::string>({"crash.sh", "small.sav"}));
    QVERIFY(w->findChild<QAction*>("ImportItem")->isEnabled());
  }

  // A child that does not heed Stop (the library busy on a damaged file) is
  // ended a while after it was asked, and its files removed.
  void anImportThatHangsIsEndedWhenTheWindowCloses() {
    WorkFolder folder;
    WriteFile(folder.Path("big.sav"), "whatever");
    ScriptedWindow w;
    w->SetImportProgram(StandInChild(folder.Path("hang.sh"), "big.DAT.Zq81tE.part", "exec sleep 60"));
    w.SetLines(Pane::Spc, {"keep"});
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
    QTimer::singleShot(300, w.window.get(),
                       [&] { QTest::mouseClick(w->findChild<QToolButton*>("ExitBtn"), Qt::LeftButton); });
    w.dialogs->answers = {folder.Path("big.sav")};
    QElapsedTimer took;
    took.start();
    w->ImportItemClick();
    QVERIFY(took.elapsed() < 20000);
    QVERIFY(!w->isVisible());
    QCOMPARE(w.Lines(Pane::Report),
             std::vector<std::string>({"The SPSS system file is big.sav", "Import stopped; nothing was written"}));
    QCOMPARE(Entries(folder.Path()), std::vector<std::string>({"big.sav", "hang.sh"}));
  }

  void commandsWaitAndClosingEndsTheImportThenTheWindow() {
    if (!HavePspp()) QSKIP(kNoPspp);
    WorkFolder folder;
    const QString failure = PsppFailure(
        "INPUT PROGRAM.\nLOOP #i = 1 TO 5000.\nCOMPUTE a = MOD(#i, 7).\nEND CASE.\nEND LOOP.\nEND FILE.\n"
        "END INPUT PROGRAM.\nSAVE OUTFILE='big.sav'.\n");
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    ScriptedWindow w;
    w->SetImportProgram(QStringLiteral(WINDOW_PROGRAM));
    w.SetLines(Pane::Spc, {"keep"});
    w->Toolkit().SetMessageInterval(std::chrono::milliseconds(0));
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));

    bool guarded = true;
    bool visibleAfterClose = false;
    QTimer::singleShot(0, w.window.get(), [&] {
      for (const char* name : {"Button1", "Button2", "OpenBtn", "SaveBtn"})
        guarded = guarded && !w->findChild<QWidget*>(name)->isEnabled();
      for (const char* name : {"New1", "OpenItem", "ImportItem", "SaveItem"})
        guarded = guarded && !w->findChild<QAction*>(name)->isEnabled();
      // A second import or a run while the import goes on does nothing.
      w->ImportItemClick();
      w->ExecuteProgram();
      QTest::mouseClick(w->findChild<QToolButton*>("ExitBtn"), Qt::LeftButton);
      visibleAfterClose = w->isVisible();
    });
    w.dialogs->answers = {folder.Path("big.sav")};
    w->ImportItemClick();

    QVERIFY(guarded);
    QVERIFY(visibleAfterClose);
    QVERIFY(!w->isVisible());
    QCOMPARE(w.dialogs->shown, std::vector<std::string>({kImportDialog}));
    QCOMPARE(w->CaseEdit().text(), QString("1000"));
    QCOMPARE(Entries(folder.Path()), std::vector<std::string>({"big.sav"}));
    QCOMPARE(w.Lines(Pane::Spc), std::vector<std::string>({"keep"}));
    QVERIFY(w->findChild<QAction*>("ImportItem")->isEnabled());
  }
};

QTEST_MAIN(WindowImportTest)
#include "window_import_test.moc"
