// The window's controls and its commands New, Open, Save, Exit and the hints,
// driven on the real widgets with the dialogs answered by a script.
#include <QAction>
#include <QButtonGroup>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTextBlock>
#include <QToolBar>
#include <QToolButton>

#include "app_test_support.h"

using namespace s2v;

namespace {

const std::vector<std::string> kNewTemplate = {
    "SPSSdata", "Number of variables", "VAR1 min <cuts> max", "VAR2 min <cuts> max",
    "<-",       "VAR3 min <cuts> max", "VAR4 min <cuts> max"};
const std::vector<std::string> kOpenTemplate = {"SPSSDATA  <Existing VORNEX DAT file>",
                                                "Number of variables",
                                                "VAR1 min cuts max",
                                                "VAR2 min cuts max",
                                                "<-",
                                                "VAR3 min cuts max",
                                                "etc."};
const std::string kOpenFilter = "open SPC files (*.SPC)|*.SPC|All Files (*.*)|*.* []";
const std::string kSaveFilter = "save SPC file (*.SPC)|*.SPC|Report file (*.rep)|*.rep|All files (*.*)|*.*";
const std::string kExistsQuestion = "yesno Warning: Project already exists. Continue with the same name?";
const std::string kNamePrompt = "prompt Project name: Enter project name []";

}  // namespace

class WindowCommandsTest : public QObject {
  Q_OBJECT

 private slots:
  void controlsCarryTheirNamesAndTexts() {
    ScriptedWindow w;
    QCOMPARE(w->objectName(), QString("SPSStoVRXform"));
    QCOMPARE(w->windowTitle(),
             QString("Create VORNEX project from SPSS files  -  A tab-delimited data file and an exported text file "
                     "with SPSS file info must be ready"));
    for (const char* name :
         {"SpeedPanel", "OpenBtn", "SaveBtn", "ExitBtn", "Label1", "Label2", "Label3", "Label4", "SPC", "REPORT",
          "Button1", "Button2", "Memo1", "CaseEdit", "MplusGroup", "MIMGroup", "MLwinGroup", "StatusBar", "SDIAppMenu"})
      QVERIFY2(w->findChild<QWidget*>(name) != nullptr, name);
    auto label = [&](const char* name) { return w->findChild<QLabel*>(name)->text(); };
    QCOMPARE(label("Label1"), QString("Version 0.1.0  January 4th. 2005"));
    QCOMPARE(label("Label2"), QString("The contents of the SPC file."));
    QCOMPARE(label("Label3"), QString("Report"));
    QCOMPARE(label("Label4"), QString("Cases processed"));
    QCOMPARE(label("Memo1"), QString("Save the SPC file with the project \ndefinition in the folder with the SPSS \n"
                                     "files before you run the program!"));
    QCOMPARE(w->findChild<QPushButton*>("Button1")->text(), QString("Run"));
    QCOMPARE(w->findChild<QPushButton*>("Button2")->text(), QString("New"));
    QVERIFY(w->findChild<QLineEdit*>("CaseEdit")->text().isEmpty());
    QVERIFY(w->findChild<QToolBar*>("SpeedPanel")->findChild<QLabel*>("Label1") != nullptr);

    for (const char* name : {"SPC", "REPORT"}) {
      auto* pane = w->findChild<QPlainTextEdit*>(name);
      QCOMPARE(pane->lineWrapMode(), QPlainTextEdit::NoWrap);
      QCOMPARE(pane->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
      QCOMPARE(pane->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
      // The toolkit's fixed font, whatever the machine calls "monospace", and
      // in use fixed-pitch: every character as wide as another.
      QCOMPARE(pane->font().family(), QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
      const QFontMetrics metrics(pane->font());
      QCOMPARE(metrics.horizontalAdvance(QChar('i')), metrics.horizontalAdvance(QChar('W')));
      QCOMPARE(PaneLineCount(*pane), std::size_t{0});
    }

    const std::pair<const char*, QString> buttons[] = {{"OpenBtn", "Open"}, {"SaveBtn", "Save"}, {"ExitBtn", "Exit"}};
    for (const auto& [name, tip] : buttons) {
      auto* button = w->findChild<QToolButton*>(name);
      QCOMPARE(button->toolTip(), tip);
      QVERIFY(!button->icon().isNull());
      QCOMPARE(button->parentWidget()->objectName(), QString("SpeedPanel"));
    }

    const char* groups[] = {"MplusGroup", "MIMGroup", "MLwinGroup"};
    const QString packages[] = {"Mplus", "MIM", "MLwiN"};
    for (int g = 0; g < 3; ++g) {
      auto* box = w->findChild<QGroupBox*>(groups[g]);
      QCOMPARE(box->title(), "Transfer to " + packages[g]);
      QList<QRadioButton*> items = box->findChildren<QRadioButton*>();
      QCOMPARE(items.size(), 3);
      QCOMPARE(items[0]->text(), "No " + packages[g] + " project");
      QCOMPARE(items[1]->text(), packages[g] + " project - original variables");
      QCOMPARE(items[2]->text(), packages[g] + " project - categorized variables");
      QVERIFY(items[0]->isChecked());
      items[g == 2 ? 1 : 2]->setChecked(true);
    }
    QCOMPARE(w->TransferChoice(TransferGroup::Mplus), 2);
    QCOMPARE(w->TransferChoice(TransferGroup::Mim), 2);
    QCOMPARE(w->TransferChoice(TransferGroup::MLwin), 1);
  }

  void arrangementFollowsTheLayout() {
    ScriptedWindow w;
    w->resize(1200, 800);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
    auto at = [&](const char* name) {
      auto* widget = w->findChild<QWidget*>(name);
      return QRect(widget->mapTo(w.window.get(), QPoint(0, 0)), widget->size());
    };
    QVERIFY(at("SpeedPanel").bottom() <= at("SPC").top());
    QVERIFY(at("Label2").bottom() <= at("SPC").top());
    QVERIFY(at("Label3").bottom() <= at("REPORT").top());
    QVERIFY(at("SPC").right() < at("Button2").left() && at("Button2").right() < at("REPORT").left());
    QVERIFY(at("Button2").bottom() < at("Button1").top());
    QVERIFY(at("Button1").bottom() < at("Label4").top() && at("Label4").bottom() <= at("CaseEdit").top());
    QVERIFY(at("SPC").bottom() < at("Memo1").top());
    QVERIFY(at("MplusGroup").right() < at("MIMGroup").left() && at("MIMGroup").right() < at("MLwinGroup").left());
    QVERIFY(at("REPORT").bottom() < at("MplusGroup").top());
    QVERIFY(at("MplusGroup").bottom() < at("StatusBar").top());
  }

  // The window fits small screens, in the logical pixels of its scale, with
  // room for a title bar, also in a folder of a long path: 1366 x 768, and
  // 1400 x 900 at a scale factor of 2.
  void windowFitsSmallScreens() {
    WorkFolder folder;
    const std::string deep = folder.Path(std::string(120, 'd') + "/" + std::string(120, 'e'));
    QVERIFY(QDir().mkpath(QString::fromStdString(deep)));
    ScriptedWindow w;
    w.dialogs->answers = {deep + "/" + std::string(60, 'p') + ".spc"};
    w->OpenItemClick();
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
    const struct {
      QSize screen;
      int scale;
    } screens[] = {{{1366, 768}, 1}, {{1400, 900}, 2}};
    const QSize needed = w->minimumSizeHint().expandedTo(w->minimumSize());
    for (const auto& [screen, scale] : screens) {
      const QSize room(screen.width() / scale, screen.height() / scale - 30);
      QVERIFY2(needed.width() <= room.width() && needed.height() <= room.height(),
               qPrintable(QString("%1 x %2 on %3 x %4")
                              .arg(needed.width())
                              .arg(needed.height())
                              .arg(screen.width())
                              .arg(screen.height())));
    }
  }

  void menuItemsCarryHintsAndShortcut() {
    ScriptedWindow w;
    auto* bar = w->findChild<QMenuBar*>("SDIAppMenu");
    QCOMPARE(w->menuBar(), bar);
    auto* file = w->findChild<QMenu*>("FileMenu");
    auto* help = w->findChild<QMenu*>("Help1");
    QCOMPARE(file->title(), QString("&File"));
    QCOMPARE(help->title(), QString("&Help"));
    QStringList items;
    for (QAction* item : file->actions())
      items << item->objectName() + "=" + item->text() + "|" + item->statusTip() + "|" + item->shortcut().toString();
    QStringList expected = {"New1=New||Ctrl+N", "OpenItem=&Open...|Open a file|Ctrl+O"};
#ifdef SPSS2VORNEX_HAVE_IMPORT
    expected << "ImportItem=&Import SPSS or Stata file...|Import an SPSS system or portable file, or a Stata file "
                "(.sav, .zsav, .por, .dta)|";
#else
    QVERIFY(w->findChild<QAction*>("ImportItem") == nullptr);
#endif
    expected << "SaveItem=&Save...|Save current file|Ctrl+S"
             << "N1=||"
             << "ExitItem=E&xit|Exit application|Alt+X";
    QCOMPARE(items, expected);
    QVERIFY(file->actions()[expected.indexOf("N1=||")]->isSeparator());
    QCOMPARE(help->actions().size(), 2);
    QCOMPARE(help->actions()[0]->objectName(), QString("UserGuideItem"));
    QCOMPARE(help->actions()[0]->shortcut(), QKeySequence(Qt::Key_F1));
    QCOMPARE(help->actions()[1]->objectName(), QString("About1"));
    QCOMPARE(help->actions()[1]->text(), QString("&About..."));
  }

  void newFillsTheTemplate() {
    WorkFolder folder;
    WriteFile(folder.Path("P1.DEF"), "x");  // New does not look for the project's files.
    ScriptedWindow w;
    w.dialogs->answers = {"P1"};
    w.SetLines(Pane::Report, {"old report"});
    w.SetLines(Pane::Spc, {"old spc"});
    w->StartNewProject();
    QCOMPARE(w.dialogs->shown, std::vector<std::string>({kNamePrompt,
                                                         "inform Project definition: Fill in the information "
                                                         "mentioned in the SPC window"}));
    QCOMPARE(w.Lines(Pane::Report), std::vector<std::string>({"The VORNEX project is P1"}));
    QCOMPARE(w.Lines(Pane::Spc), kNewTemplate);
    QCOMPARE(w->Shell().ProjectName, std::string("P1"));
    QCOMPARE(w->Shell().SpcFileName, std::string("P1.SPC"));

    // The save dialog proposes the new name.
    w.dialogs->answers = {""};
    w->SaveItemClick();
    QCOMPARE(w.dialogs->shown.back(), kSaveFilter + " [P1.SPC]");
  }

  // Cancel keeps the definition typed, the report and the project's name.
  void newWithThePromptCancelled() {
    ScriptedWindow w;
    w->Shell().ProjectName = "TYPED";
    w.SetLines(Pane::Spc, {"survey", "2", "sex 1 2", "age 18 30 90"});
    w.SetLines(Pane::Report, {"The VORNEX project is TYPED"});
    w.dialogs->answers = {"<cancel>", ""};
    w->StartNewProject();
    QCOMPARE(w.dialogs->shown, std::vector<std::string>({kNamePrompt}));
    QCOMPARE(w.Lines(Pane::Spc), std::vector<std::string>({"survey", "2", "sex 1 2", "age 18 30 90"}));
    QCOMPARE(w.Lines(Pane::Report), std::vector<std::string>({"The VORNEX project is TYPED"}));
    QCOMPARE(w->Shell().ProjectName, std::string("TYPED"));
    w->SaveItemClick();
    QCOMPARE(w.dialogs->shown.back(), kSaveFilter + " []");
  }

  void openReadsAnExistingFile() {
    WorkFolder folder;
    QDir().mkdir("sub");
    const std::string path = folder.Path("sub/survey.old.spc");
    // Blank lines stay; CR, LF and CR LF end lines; Ctrl-Z ends the text.
    WriteFile(path,
              "survey\r\n\r\n2\nsex 1 2\rage 1 9\r\n\x1a"
              "after the end\r\n");
    ScriptedWindow w;
    w.SetLines(Pane::Spc, {"old"});
    w.dialogs->answers = {path};
    w->OpenItemClick();
    QCOMPARE(w.dialogs->shown, std::vector<std::string>({kOpenFilter}));
    QCOMPARE(w->Shell().ProjectName, std::string("survey"));
    QCOMPARE(w->Shell().SpcFileName, std::string("survey.spc"));
    QCOMPARE(w.Lines(Pane::Report), std::vector<std::string>({"The VORNEX project is survey"}));
    QCOMPARE(w.Lines(Pane::Spc), std::vector<std::string>({"survey", "", "2", "sex 1 2", "age 1 9"}));
    // The chosen file's folder is the working folder now.
    QCOMPARE(QDir(QString::fromStdString(w->Folder().Path())).canonicalPath(),
             QDir(QString::fromStdString(folder.Path("sub"))).canonicalPath());
    w.dialogs->answers = {""};
    w->SaveItemClick();
    QCOMPARE(w.dialogs->shown.back(), kSaveFilter + " [survey.spc]");
  }

  void openOfANewFileGivesTheTemplate() {
    WorkFolder folder;
    ScriptedWindow w;
    w.dialogs->answers = {folder.Path(".spc")};
    w->OpenItemClick();
    QCOMPARE(w->Shell().ProjectName, std::string(".spc"));
    QCOMPARE(w.dialogs->shown, std::vector<std::string>({kOpenFilter, "inform " + kApplicationTitle.toStdString() +
                                                                          ": .spc is a new project"}));
    QCOMPARE(w.Lines(Pane::Spc), kOpenTemplate);
    QCOMPARE(w.Lines(Pane::Report), std::vector<std::string>({"The VORNEX project is .spc"}));
    QVERIFY(!Exists(folder.Path(".spc")));
  }

  void openCancelledChangesNothing() {
    ScriptedWindow w;
    w.SetLines(Pane::Spc, {"keep"});
    w->Shell().ProjectName = "KEEP";
    w.dialogs->answers = {""};
    w->OpenItemClick();
    QCOMPARE(w.Lines(Pane::Spc), std::vector<std::string>({"keep"}));
    QCOMPARE(w->Shell().ProjectName, std::string("KEEP"));
  }

  void projectExistsAnsweredYes() {
    WorkFolder folder;
    WriteFile(folder.Path("proj.def"), "");
    WriteFile(folder.Path("PROJ.spc"), "survey\r\n");
    ScriptedWindow w;
    w.dialogs->answers = {folder.Path("PROJ.spc"), "Yes"};
    w->OpenItemClick();
    QCOMPARE(w.dialogs->shown, std::vector<std::string>({kOpenFilter, kExistsQuestion}));
    QCOMPARE(w.Lines(Pane::Report),
             std::vector<std::string>({"The VORNEX project is PROJ", "Existing SYS and TAB files will be deleted!!!"}));
    QCOMPARE(w.Lines(Pane::Spc), std::vector<std::string>({"survey"}));
  }

  void projectExistsAnsweredNoAsksAgainForATakenName() {
    WorkFolder folder;
    WriteFile(folder.Path("PROJ.DEF"), "");
    WriteFile(folder.Path("TAKEN.DEF"), "");
    WriteFile(folder.Path("PROJ.spc"), "survey\r\n");
    ScriptedWindow w;
    w.dialogs->answers = {folder.Path("PROJ.spc"), "No", "TAKEN", "No", "FREE"};
    w->OpenItemClick();
    QCOMPARE(w.dialogs->shown,
             std::vector<std::string>({kOpenFilter, kExistsQuestion, kNamePrompt, kExistsQuestion, kNamePrompt}));
    QCOMPARE(w.Lines(Pane::Report), std::vector<std::string>({"The VORNEX project is FREE"}));
    QCOMPARE(w->Shell().ProjectName, std::string("FREE"));
    QCOMPARE(w->Shell().SpcFileName, std::string("FREE.spc"));
    QCOMPARE(w.Lines(Pane::Spc), std::vector<std::string>({"survey"}));
  }

  void saveWritesThePaneOfItsKind() {
    WorkFolder folder;
    ScriptedWindow w;
    w.SetLines(Pane::Spc, {"spc 1", "", "spc 3"});
    w.SetLines(Pane::Report, {"report 1"});
    const std::string title = kApplicationTitle.toStdString();
    struct Case {
      std::string name;
      std::string bytes;
      std::string message;
    };
    const Case cases[] = {{"x.Spc", "spc 1\r\n\r\nspc 3\r\n", "SPC file was saved"},
                          {"x.rep", "report 1\r\n", "Report file was saved"},
                          {"x.txt", "report 1\r\n", "Report file was saved"},
                          {"noext", "report 1\r\n", "Report file was saved"},
                          {"a.spc.rep", "report 1\r\n", "Report file was saved"}};
    for (const Case& c : cases) {
      w.dialogs->shown.clear();
      w.dialogs->answers = {folder.Path(c.name)};
      w->SaveItemClick();
      QCOMPARE(w.dialogs->shown.back(), "inform " + title + ": " + c.message);
      QCOMPARE(ReadFile(folder.Path(c.name)), c.bytes);
    }
    // The path chosen is proposed by the next Save.
    w.dialogs->answers = {""};
    w->SaveItemClick();
    QCOMPARE(w.dialogs->shown.back(), kSaveFilter + " [" + folder.Path("a.spc.rep") + "]");
  }

  void saveOverAnExistingFileAsksFirst() {
    WorkFolder folder;
    WriteFile(folder.Path("X.SPC"), "old\r\n");
    ScriptedWindow w;
    w.SetLines(Pane::Spc, {"new"});
    const std::string title = kApplicationTitle.toStdString();
    // The existing file is found whatever the case of the typed name.
    w.dialogs->answers = {folder.Path("x.spc"), "Cancel"};
    w->SaveItemClick();
    QCOMPARE(w.dialogs->shown, std::vector<std::string>({kSaveFilter + " []", "warning: File already exists",
                                                         "inform " + title + ": SPC file will not be saved"}));
    QCOMPARE(ReadFile(folder.Path("X.SPC")), std::string("old\r\n"));
    w.dialogs->shown.clear();
    w.dialogs->answers = {folder.Path("x.spc"), "OK"};
    w->SaveItemClick();
    QCOMPARE(w.dialogs->shown.back(), "inform " + title + ": SPC file was saved");
    QCOMPARE(ReadFile(folder.Path("X.SPC")), std::string("new\r\n"));
    QCOMPARE(Entries(folder.Path()), std::vector<std::string>({"X.SPC"}));

    // An empty pane gives an empty file.
    w.SetLines(Pane::Report, {});
    w.dialogs->answers = {folder.Path("empty.rep")};
    w->SaveItemClick();
    QVERIFY(Exists(folder.Path("empty.rep")));
    QCOMPARE(ReadFile(folder.Path("empty.rep")), std::string());
  }

  void saveIntoAMissingFolderShowsTheFailure() {
    WorkFolder folder;
    ScriptedWindow w;
    w.dialogs->answers = {folder.Path("nowhere/x.spc")};
    w->SaveItemClick();
    QCOMPARE(w.dialogs->shown.back(), "failure " + kApplicationTitle.toStdString() + ": File not found. (x.spc)");
    QVERIFY(!Exists(folder.Path("nowhere")));
  }

  void bytesSurviveOpenAndSave() {
    WorkFolder folder;
    std::string line;
    for (int c = 0; c < 256; ++c)
      if (c != '\r' && c != '\n' && c != 26) line += static_cast<char>(c);
    const std::string bytes = line + "\r\n\r\n" + "caf\xe9 \xff\r\n";
    WriteFile(folder.Path("bytes.spc"), bytes);
    ScriptedWindow w;
    w.dialogs->answers = {folder.Path("bytes.spc"), folder.Path("copy.spc")};
    w->OpenItemClick();
    QCOMPARE(w.Lines(Pane::Spc).size(), std::size_t{3});
    const QString shown = w->PaneOf(Pane::Spc).document()->firstBlock().text();
    QCOMPARE(shown.back(), QChar(0xff));
    // The pane shows Windows-1252: the euro sign, dashes and quotes of SPSS
    // labels as themselves, its unassigned bytes as the controls of their codes.
    QCOMPARE(shown.at(0x80 - 3), QChar(0x20AC));
    QCOMPARE(shown.at(0x96 - 3), QChar(0x2013));
    QCOMPARE(shown.at(0x93 - 3), QChar(0x201C));
    QCOMPARE(shown.at(0x81 - 3), QChar(0x81));
    QCOMPARE(shown.at(0x9D - 3), QChar(0x9D));
    w->SaveItemClick();
    QCOMPARE(ReadFile(folder.Path("copy.spc")), bytes);
  }

  void filterListsBecomeNameFilters() {
    QCOMPARE(ToNameFilters("SPC files (*.SPC)|*.SPC|All Files (*.*)|*.*"),
             QStringList({"SPC files (*.SPC)", "All Files (*.*)"}));
    QCOMPARE(ToNameFilters("DAT files|*.dat"), QStringList({"DAT files (*.dat)"}));
    QCOMPARE(ToNameFilters("Data|*.dat;*.txt|odd"), QStringList({"Data (*.dat *.txt)"}));
  }

  void paneLinesFollowTheMemoRules() {
    QPlainTextEdit pane;
    AppendPaneLine(pane, "");
    AppendPaneLine(pane, "second");
    QCOMPARE(PaneLineCount(pane), std::size_t{2});
    QCOMPARE(PaneLine(pane, 0), std::string());
    QCOMPARE(PaneLine(pane, 1), std::string("second"));
    // Text typed after the last line is a line; a line feed inside a line stays.
    pane.setPlainText("typed");
    AppendPaneLine(pane, "a\nb");
    QCOMPARE(PaneLines(pane), std::vector<std::string>({"typed", "a\nb"}));
    // Typed characters are written in Windows-1252; what it cannot hold is "?".
    pane.setPlainText(QString::fromUtf8("\xe2\x82\xac 5 \xe2\x80\x93 \xce\xa9 \xc2\x80"));
    QCOMPARE(PaneLine(pane, 0), std::string("\x80 5 \x96 ? ?"));
  }

  void hintsReachTheStatusBar() {
    ScriptedWindow w;
    w->resize(1000, 700);
    w->show();
    QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
    QStatusBar* status = w->findChild<QStatusBar*>("StatusBar");
    auto* file = w->findChild<QMenu*>("FileMenu");
    std::vector<std::pair<const char*, QString>> items = {
        {"OpenItem", "Open a file"}, {"SaveItem", "Save current file"}, {"ExitItem", "Exit application"}};
#ifdef SPSS2VORNEX_HAVE_IMPORT
    items.emplace_back("ImportItem",
                       "Import an SPSS system or portable file, or a Stata file (.sav, .zsav, .por, .dta)");
#endif
    for (const auto& [name, hint] : items) {
      w->menuBar()->setActiveAction(file->menuAction());
      QTRY_VERIFY(file->isVisible());
      file->setActiveAction(w->findChild<QAction*>(name));
      QTRY_COMPARE(status->currentMessage(), hint);
      file->hide();
    }
    // A tool bar button's hint has an empty long part: the status bar empties.
    QTest::mouseMove(w->findChild<QToolButton*>("OpenBtn"));
    QTRY_COMPARE(status->currentMessage(), QString());
    w->ShowHint("shown by the handler");
    QCOMPARE(status->currentMessage(), QString("shown by the handler"));
  }

  void exitAndAltXCloseTheWindow() {
    ScriptedWindow w;
    w.SetLines(Pane::Spc, {"unsaved"});
    w->show();
    QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
    QTest::keyClick(w.window.get(), Qt::Key_X, Qt::AltModifier);
    QTRY_VERIFY(!w->isVisible());
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
    QTest::mouseClick(w->findChild<QToolButton*>("ExitBtn"), Qt::LeftButton);
    QTRY_VERIFY(!w->isVisible());
    QVERIFY(w.dialogs->shown.empty());
  }
};

QTEST_MAIN(WindowCommandsTest)
#include "window_commands_test.moc"
