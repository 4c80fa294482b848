// The definition assistant in the window: the Variables dialog and its "Add
// to definition", the Check command, and the marks of the checks run as the
// user types.
#include <QApplication>
#include <QLineEdit>
#include <QScrollBar>
#include <QStatusBar>
#include <QTableWidget>
#include <QTest>
#include <QTextBlock>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app_test_support.h"
#include "support/text_scan.h"

using namespace s2v;

namespace {

// The example's export pair in the working folder.
void CopyExample(const WorkFolder& folder) {
  for (const char* name : {"survey.DAT", "survey.TXT"})
    std::filesystem::copy_file(std::string(EXAMPLES_DIR) + "/" + name, folder.Path(name));
}

int RowOf(QTableWidget& table, const QString& name) {
  for (int row = 0; row < table.rowCount(); ++row)
    if (table.item(row, 0)->text() == name) return row;
  return -1;
}

bool StartsWith(const std::vector<std::string>& lines, const std::string& prefix) {
  return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) { return line.rfind(prefix, 0) == 0; });
}

}  // namespace

class WindowAssistTest : public QObject {
  Q_OBJECT

 private slots:
  void variablesAreListedFilteredAndAdded() {
    WorkFolder folder;
    CopyExample(folder);
    ScriptedWindow w;
    w.dialogs->answers = {"P"};
    w->StartNewProject();
    std::vector<std::string> spc = w.Lines(Pane::Spc);
    spc[0] = "survey";
    w.SetLines(Pane::Spc, spc);

    int rows = 0;
    int shownAfterFilter = 0;
    w.dialogs->onVariables = [&](TVariablesDialog& dialog) {
      QTableWidget& table = dialog.Table();
      rows = table.rowCount();
      dialog.Filter().setText("ag");
      for (int row = 0; row < table.rowCount(); ++row) shownAfterFilter += !table.isRowHidden(row);
      dialog.Filter().clear();
      table.item(RowOf(table, "sex"), 0)->setCheckState(Qt::Checked);
      table.item(RowOf(table, "age"), 0)->setCheckState(Qt::Checked);
      // scripts/screenshot.sh keeps a picture of the dialog.
      const QString pictures = qEnvironmentVariable("SPSS2VORNEX_SCREENSHOT_DIR");
      if (!pictures.isEmpty()) {
        dialog.show();
        QTest::qWait(50);
        dialog.grab().save(pictures + "/variables.png");
      }
      dialog.AddToDefinition();
      return true;
    };
    w->VariablesItemClick();
    QCOMPARE(rows, 12);
    QCOMPARE(shownAfterFilter, 1);
    spc = w.Lines(Pane::Spc);
    QCOMPARE(spc.size(), std::size_t{4});  // the template gave way to a definition
    QCOMPARE(spc[0], std::string("survey"));
    QCOMPARE(spc[1], std::string("2"));
    QCOMPARE(ExtractWord(1, spc[2]), std::string("sex"));
    QCOMPARE(ExtractWord(1, spc[3]), std::string("age"));

    // Added to a definition of the user's own: after its last variable line,
    // with line 2's count raised, the text after it kept.
    // Variables already defined, and those without a proposal, say so beside
    // their names and cannot be ticked: none is added twice.
    w.SetLines(Pane::Spc, {"survey", "2", "sex 1 2", "age 18 30 99", "", "my notes"});
    QStringList seen;
    w.dialogs->onVariables = [&](TVariablesDialog& dialog) {
      QTableWidget& table = dialog.Table();
      seen << table.horizontalHeaderItem(1)->text();
      for (const char* name : {"sex", "age", "id", "city", "q1"}) {
        const int row = RowOf(table, name);
        seen << QString(name) + (table.item(row, 0)->flags() & Qt::ItemIsUserCheckable ? " tickable: " : ": ") +
                    table.item(row, 1)->text();
      }
      for (const char* name : {"sex", "q1"}) table.item(RowOf(table, name), 0)->setCheckState(Qt::Checked);
      dialog.AddToDefinition();
      return true;
    };
    w->VariablesItemClick();
    QCOMPARE(seen, QStringList({"Proposed line", "sex: in the definition, line 3", "age: in the definition, line 4",
                                "id: no line: identifier (every value distinct and whole)", "city: no line: text",
                                "q1 tickable: q1 1 5"}));
    spc = w.Lines(Pane::Spc);
    QCOMPARE(spc.size(), std::size_t{7});
    QCOMPARE(spc[1], std::string("3"));
    QCOMPARE(ExtractWord(1, spc[4]), std::string("q1"));
    QCOMPARE(spc[6], std::string("my notes"));
  }

  // New, Open and "Add to definition" change the SPC pane as one step that
  // undo takes back, and leave the focus in it.
  void commandsOnTheDefinitionAreUndoneAsOneStep() {
    WorkFolder folder;
    CopyExample(folder);
    WriteFile(folder.Path("other.spc"), "survey\r\n2\r\nsex 1 2\r\nage 18 30 90\r\n");
    const std::vector<std::string> typed = {"survey", "1", "sex 1 2"};
    ScriptedWindow w;
    w->show();
    QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
    w.dialogs->onVariables = [&](TVariablesDialog& dialog) {
      dialog.Table().item(RowOf(dialog.Table(), "q1"), 0)->setCheckState(Qt::Checked);
      dialog.AddToDefinition();
      return true;
    };
    const std::pair<const char*, std::function<void()>> commands[] = {
        {"New", [&] { w.dialogs->answers = {"P"}, w->StartNewProject(); }},
        {"Open", [&] { w.dialogs->answers = {folder.Path("other.spc")}, w->OpenItemClick(); }},
        {"Add to definition", [&] { w->VariablesItemClick(); }},
    };
    QPlainTextEdit& spc = w->PaneOf(Pane::Spc);
    for (const auto& [name, command] : commands) {
      w.SetLines(Pane::Spc, typed);
      w->findChild<QWidget*>("Button1")->setFocus();
      command();
      QVERIFY2(w.Lines(Pane::Spc) != typed, name);
      QVERIFY2(QApplication::focusWidget() == &spc, name);
      spc.undo();
      QVERIFY2(w.Lines(Pane::Spc) == typed, name);
    }
  }

  // A first-time user: the focus waits in the SPC pane; Variables without an
  // export on line 1 asks for its data file, names line 1 and the project,
  // and lists the variables.
  void aFirstDefinitionIsGuided() {
    WorkFolder folder;
    QDir().mkdir("data");
    for (const char* name : {"survey.DAT", "survey.TXT"})
      std::filesystem::copy_file(std::string(EXAMPLES_DIR) + "/" + name, folder.Path("data/") + name);
    ScriptedWindow w;
    w->show();
    QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
    QCOMPARE(QApplication::focusWidget(), &w->PaneOf(Pane::Spc));
    w.dialogs->answers = {folder.Path("data/survey.DAT"), "survey_project"};
    w.dialogs->onVariables = [&](TVariablesDialog& dialog) {
      dialog.Table().item(RowOf(dialog.Table(), "sex"), 0)->setCheckState(Qt::Checked);
      dialog.AddToDefinition();
      return true;
    };
    w->findChild<QWidget*>("VariablesBtn")->setFocus();
    QTest::mouseClick(w->findChild<QWidget*>("VariablesBtn"), Qt::LeftButton);
    QCOMPARE(w.dialogs->shown,
             std::vector<std::string>(
                 {"open DAT files|*.dat []", "prompt Project name: Enter project name [survey_project]", "variables"}));
    QCOMPARE(w.Lines(Pane::Spc), std::vector<std::string>({"survey", "1", "sex 1 2"}));
    QCOMPARE(w->Shell().ProjectName, std::string("survey_project"));
    QCOMPARE(QDir(QString::fromStdString(w->Folder().Path())).canonicalPath(),
             QDir(QString::fromStdString(folder.Path("data"))).canonicalPath());
    QCOMPARE(QApplication::focusWidget(), &w->PaneOf(Pane::Spc));

    // New's template: the SPSS name typed over line 1's word makes a line
    // that a run reads, and the status bar says so.
    w.dialogs->shown.clear();
    w.dialogs->answers = {"P"};
    w->StartNewProject();
    QVERIFY(w->statusBar()->currentMessage().startsWith("Line 1: write the base name of the SPSS files"));
    std::vector<std::string> spc = w.Lines(Pane::Spc);
    spc[0] = "survey";
    w.SetLines(Pane::Spc, spc);
    w->ExecuteProgram();
    const std::vector<std::string> report = w.Lines(Pane::Report);
    QVERIFY(StartsWith(report, "The file with Tabdelimited data is survey.DAT"));
    QVERIFY(!StartsWith(report, "Invalid filename"));

    // A file that is not an SPSS data file is refused with a word.
    w.SetLines(Pane::Spc, {"SPSSdata"});
    w.dialogs->shown.clear();
    w.dialogs->answers = {folder.Path("data/survey.TXT")};
    w->VariablesItemClick();
    QCOMPARE(w.dialogs->shown.back(), "inform " + kApplicationTitle.toStdString() +
                                          ": survey.TXT is not a tab-delimited SPSS data file: its name must end "
                                          "in .DAT");
    QCOMPARE(w.Lines(Pane::Spc), std::vector<std::string>({"SPSSdata"}));
  }

  // A definition typed into a fresh window and saved as NAME.spc names the
  // project NAME, so a run needs no Open first.
  void savingANewDefinitionNamesTheProject() {
    WorkFolder folder;
    CopyExample(folder);
    ScriptedWindow w;
    w.SetLines(Pane::Spc, {"survey", "2", "sex 1 2", "age 18 30 90"});
    w.dialogs->answers = {folder.Path("mine.spc")};
    w->SaveItemClick();
    QCOMPARE(w->Shell().ProjectName, std::string("mine"));
    w->ExecuteProgram();
    QVERIFY(Exists(folder.Path("mine.VAR")));
    // A project already named keeps its name.
    w.dialogs->answers = {folder.Path("other.spc")};
    w->SaveItemClick();
    QCOMPARE(w->Shell().ProjectName, std::string("mine"));
  }

  void variablesOfAMissingExportAreNotListed() {
    WorkFolder folder;
    ScriptedWindow w;
    w.SetLines(Pane::Spc, {"absent", "2"});
    w->VariablesItemClick();
    QCOMPARE(w.dialogs->shown,
             std::vector<std::string>({"inform " + kApplicationTitle.toStdString() + ": absent.DAT was not found"}));
  }

  void checkWritesEveryFindingAndGoesToTheFirstError() {
    WorkFolder folder;
    CopyExample(folder);
    ScriptedWindow w;
    w->Shell().ProjectName = "P";
    w.SetLines(Pane::Spc, {"survey", "3", "sex 1 2", "agee 18 30 99", "q1\t1\t5"});
    // A report longer than its pane, as after a run: the findings are
    // scrolled into view.
    w.SetLines(Pane::Report, std::vector<std::string>(200, "run line"));
    w->show();
    QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
    QTest::keyClick(w.window.get(), Qt::Key_F7);
    QPlainTextEdit& reportPane = w->PaneOf(Pane::Report);
    QVERIFY(reportPane.verticalScrollBar()->maximum() > 0);
    const QTextBlock last = reportPane.document()->findBlockByNumber(int(PaneLineCount(reportPane)) - 1);
    QVERIFY(reportPane.viewport()->rect().contains(reportPane.cursorRect(QTextCursor(last))));
    const std::vector<std::string> report = w.Lines(Pane::Report);
    QVERIFY(StartsWith(report, "Line 4: error: AGEE not found; did you mean AGE?"));
    QVERIFY(StartsWith(report, "Line 5: warning: a tab is not a separator"));
    QVERIFY(StartsWith(report, "Line 5: error: "));
    QVERIFY(StartsWith(report, "2 errors, 1 warning: a run would stop"));
    QCOMPARE(w->PaneOf(Pane::Spc).textCursor().blockNumber(), 3);
    QVERIFY(w.dialogs->shown.empty());
    // Nothing was written.
    QCOMPARE(Entries(folder.Path()), std::vector<std::string>({"survey.DAT", "survey.TXT"}));
  }

  // Line 2's count against the lines that follow, and bounds that do not
  // increase, are marked as the user types.
  void countsAndBoundsAreMarkedAsTheUserTypes() {
    WorkFolder folder;
    CopyExample(folder);
    ScriptedWindow w;
    w->Shell().ProjectName = "P";
    const struct {
      std::vector<std::string> spc;
      int markedBlock;
      QString status;
    } cases[] = {
        {{"survey", "3", "sex 1 2", "age 18 30 99"},
         1,
         "Line 2: Too few variables on P.SPC: 3; line 2 says 3 variables, 2 variable lines follow"},
        {{"survey", "2", "sex 1 2", "age 18 60 30 99"},
         3,
         "Line 4: AGE: the bounds do not increase (60 then 30), so no value can fall in category 2 (61 - 30)"},
    };
    QPlainTextEdit& spc = w->PaneOf(Pane::Spc);
    for (const auto& c : cases) {
      w.SetLines(Pane::Spc, {"survey", "2", "sex 1 2", "age 18 30 99"});
      QTRY_VERIFY(spc.extraSelections().isEmpty());
      w.SetLines(Pane::Spc, c.spc);
      QTRY_COMPARE(spc.extraSelections().size(), 1);
      QCOMPARE(spc.extraSelections().front().cursor.block().blockNumber(), c.markedBlock);
      QCOMPARE(w->statusBar()->currentMessage(), c.status);
    }
  }

  void linesAreMarkedAsTheUserTypes() {
    WorkFolder folder;
    CopyExample(folder);
    ScriptedWindow w;
    w->Shell().ProjectName = "P";
    w.SetLines(Pane::Report, {"report"});
    w.SetLines(Pane::Spc, {"survey", "2", "sex\t1\t2", "age 18 30 99"});
    QPlainTextEdit& spc = w->PaneOf(Pane::Spc);
    QTRY_VERIFY(!spc.extraSelections().isEmpty());
    QCOMPARE(spc.extraSelections().size(), 1);
    QCOMPARE(spc.extraSelections().front().cursor.block().blockNumber(), 2);
    QCOMPARE(spc.extraSelections().front().format.underlineStyle(), QTextCharFormat::WaveUnderline);
    QVERIFY(w->statusBar()->currentMessage().startsWith("Line 3: "));
    QCOMPARE(w.Lines(Pane::Report), std::vector<std::string>({"report"}));
    // scripts/screenshot.sh keeps a picture of the marked definition, with
    // the Check command's findings.
    const QString pictures = qEnvironmentVariable("SPSS2VORNEX_SCREENSHOT_DIR");
    if (!pictures.isEmpty()) {
      w.SetLines(Pane::Report, {});
      w->resize(1280, 760);
      w->show();
      w->CheckItemClick();
      QTRY_VERIFY(!spc.extraSelections().isEmpty());
      QVERIFY(w->grab().save(pictures + "/check.png"));
    }
    // Mended, the marks go.
    w.SetLines(Pane::Spc, {"survey", "2", "sex 1 2", "age 18 30 99"});
    QTRY_VERIFY(spc.extraSelections().isEmpty());
    QVERIFY(w->statusBar()->currentMessage().isEmpty());
  }
};

QTEST_MAIN(WindowAssistTest)
#include "window_assist_test.moc"
