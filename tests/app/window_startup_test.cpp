// Start-up's command file, the About box, and the real message boxes and
// input box answered by a timer.
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFrame>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "app/about_box.h"
#include "app/command_file.h"
#include "app_test_support.h"
#include "support/io_error.h"

using namespace s2v;

namespace {

// Calls handle on every modal dialog that opens until it returns false or the
// timer is destroyed.
class ModalAnswerer {
 public:
  explicit ModalAnswerer(std::function<void(QWidget*)> handle) : handle_(std::move(handle)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      QWidget* modal = QApplication::activeModalWidget();
      if (modal != nullptr && modal != last_ && modal->isVisible()) {
        last_ = modal;
        handle_(modal);
      }
    });
    timer_.start(10);
  }

 private:
  std::function<void(QWidget*)> handle_;
  QTimer timer_;
  // Cleared when the dialog is gone, so a next one at the same address counts.
  QPointer<QWidget> last_;
};

struct SeenBox {
  QString caption;
  QString text;
  QMessageBox::Icon icon;
  QStringList buttons;
  QString defaultButton;
};

SeenBox Describe(QMessageBox* box) {
  SeenBox seen{box->windowTitle(), box->text(), box->icon(), {}, {}};
  for (QAbstractButton* button : box->buttons()) seen.buttons << button->text();
  seen.buttons.sort();
  if (box->defaultButton() != nullptr) seen.defaultButton = box->defaultButton()->text();
  return seen;
}

}  // namespace

class WindowStartupTest : public QObject {
  Q_OBJECT

 private slots:
  void commandFileIsCreatedOnce() {
    WorkFolder folder;
    EnsureCommandFile(WorkingFolder(folder.Path()));
    QCOMPARE(Entries(folder.Path()), std::vector<std::string>({"VORNEX.cmd"}));
    QCOMPARE(ReadFile(folder.Path("VORNEX.cmd")), std::string());
    WriteFile(folder.Path("VORNEX.cmd"), "kept");
    EnsureCommandFile(WorkingFolder(folder.Path()));
    QCOMPARE(ReadFile(folder.Path("VORNEX.cmd")), std::string("kept"));
  }

  void commandFileInAnotherCaseIsLeftAlone() {
    WorkFolder folder;
    WriteFile(folder.Path("vornex.CMD"), "mine");
    EnsureCommandFile(WorkingFolder(folder.Path()));
    QCOMPARE(Entries(folder.Path()), std::vector<std::string>({"vornex.CMD"}));
    QCOMPARE(ReadFile(folder.Path("vornex.CMD")), std::string("mine"));
  }

  void commandFileThatCannotBeCreatedIsAFailure() {
    WorkFolder folder;
    QDir().mkdir("Vornex.cmd");
    try {
      EnsureCommandFile(WorkingFolder(folder.Path()));
      QFAIL("no failure");
    } catch (const IoError& failure) {
      QCOMPARE(failure.code(), kFileAccessDenied);
    }
  }

  void aboutBoxShowsItsTextsEachTime() {
    ScriptedWindow w;
    TAboutBox about(w.window.get());
    w->SetAboutBox(&about);
    QVERIFY(!about.isVisible());
    w.SetLines(Pane::Spc, {"unchanged"});
    QCOMPARE(about.windowTitle(), QString("About"));
    QVERIFY(about.findChild<QFrame*>("Panel1") != nullptr);
    QVERIFY(about.findChild<QLabel*>("ProgramIcon")->pixmap().isNull());
    for (int showing = 0; showing < 2; ++showing) {
      QStringList texts;
      bool escapeClosed = true;
      bool okHadFocus = false;
      ModalAnswerer answerer([&](QWidget* modal) {
        for (const char* name : {"ProductName", "Version", "Copyright", "Comments"})
          texts << modal->findChild<QLabel*>(name)->text();
        auto* ok = modal->findChild<QPushButton*>("OKButton");
        okHadFocus = ok->hasFocus() && ok->isDefault() && ok->text() == "OK";
        QTest::keyClick(modal, Qt::Key_Escape);
        escapeClosed = !modal->isVisible();
        QTest::keyClick(modal, Qt::Key_Return);
      });
      w->About1Click();
      QCOMPARE(texts, QStringList({"Product Name", "Version", "Copyright", "Comments"}));
      QVERIFY(!escapeClosed);
      QVERIFY(okHadFocus);
      QVERIFY(!about.isVisible());
      QCOMPARE(about.result(), int(QDialog::Accepted));
    }
    QVERIFY(about.findChild<QLabel*>("Comments")->wordWrap());
    QCOMPARE(w.Lines(Pane::Spc), std::vector<std::string>({"unchanged"}));
  }

  // The real input box and message boxes of New and of Run's question. A
  // notice stands in the middle of the screen wherever the window is.
  void realMessageBoxes() {
    WorkFolder folder;
    TSPSStoVRXform window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.move(window.screen()->availableGeometry().topLeft() + QPoint(300, 250));
    QPoint noticeOffCentre(-1, -1);
    std::vector<SeenBox> boxes;
    QString promptSeen;
    ModalAnswerer answerer([&](QWidget* modal) {
      if (auto* input = qobject_cast<QInputDialog*>(modal)) {
        promptSeen = input->windowTitle() + ": " + input->labelText();
        input->setTextValue("SMOKE");
        input->accept();
      } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        boxes.push_back(Describe(box));
        if (box->icon() == QMessageBox::NoIcon) {
          const QPoint off = box->frameGeometry().center() - box->screen()->availableGeometry().center();
          noticeOffCentre = QPoint(std::abs(off.x()), std::abs(off.y()));
        }
        // Escape answers a question No and closes a notice.
        QTest::keyClick(box, Qt::Key_Escape);
      }
    });
    window.StartNewProject();
    QCOMPARE(promptSeen, QString("Project name: Enter project name"));
    QCOMPARE(window.Shell().ProjectName, std::string("SMOKE"));
    QCOMPARE(PaneLine(window.PaneOf(Pane::Report), 0), std::string("The VORNEX project is SMOKE"));
    QCOMPARE(boxes.size(), std::size_t{1});
    QCOMPARE(boxes[0].caption, QString("Project definition"));
    QCOMPARE(boxes[0].text, QString("Fill in the information mentioned in the SPC window"));
    QCOMPARE(boxes[0].icon, QMessageBox::NoIcon);
    QCOMPARE(boxes[0].buttons, QStringList({"OK"}));
    QVERIFY2(noticeOffCentre.x() <= 1 && noticeOffCentre.y() <= 1,
             qPrintable(QString("%1,%2").arg(noticeOffCentre.x()).arg(noticeOffCentre.y())));

    SetPaneLines(window.PaneOf(Pane::Spc), {"survey"});
    window.ExecuteProgram();
    QCOMPARE(boxes.size(), std::size_t{2});
    QCOMPARE(boxes[1].caption, QString("Confirm"));
    QCOMPARE(boxes[1].text, QString("survey.DAT does not exist here. Do you want to find it?"));
    QCOMPARE(boxes[1].icon, QMessageBox::Question);
    QCOMPARE(boxes[1].buttons, QStringList({"&No", "&Yes"}));
    QCOMPARE(boxes[1].defaultButton, QString("&Yes"));
    // Escape was No: the run stopped before the data copy.
    QVERIFY(!Exists(folder.Path("SMOKE.LAB")));
  }

  // The real save dialog, the overwrite warning and the failure box.
  void realSaveDialogAndFailureBox() {
    WorkFolder folder;
    for (const auto& entry : std::filesystem::directory_iterator(EXAMPLES_DIR))
      if (entry.is_regular_file())
        std::filesystem::copy_file(entry.path(), std::filesystem::path(folder.Path()) / entry.path().filename());
    WriteFile(folder.Path("old.spc"), "old\r\n");
    TSPSStoVRXform window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    std::vector<SeenBox> boxes;
    QStringList filters;
    ModalAnswerer answerer([&](QWidget* modal) {
      if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
        filters = dialog->nameFilters();
        // Typed as a user types it: the dialog's file list fills in the background.
        dialog->findChild<QLineEdit*>("fileNameEdit")->setText(QString::fromStdString(folder.Path("old.spc")));
        static_cast<QDialog*>(dialog)->accept();
      } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        boxes.push_back(Describe(box));
        QTest::keyClick(box, Qt::Key_Escape);
      }
    });
    SetPaneLines(window.PaneOf(Pane::Spc), {"new"});
    window.SaveItemClick();
    QCOMPARE(filters, QStringList({"SPC file (*.SPC)", "Report file (*.rep)", "All files (*.*)"}));
    QCOMPARE(boxes.size(), std::size_t{2});
    QCOMPARE(boxes[0].caption, QString("Warning"));
    QCOMPARE(boxes[0].text, QString("File already exists"));
    QCOMPARE(boxes[0].icon, QMessageBox::Warning);
    QCOMPARE(boxes[0].buttons, QStringList({"Cancel", "OK"}));
    QCOMPARE(boxes[0].defaultButton, QString("OK"));
    QCOMPARE(boxes[1].caption, kApplicationTitle);
    QCOMPARE(boxes[1].text, QString("SPC file will not be saved"));
    QCOMPARE(ReadFile(folder.Path("old.spc")), std::string("old\r\n"));

    QDir().mkdir("SMOKE.LAB");
    window.Shell().ProjectName = "SMOKE";
    SetPaneLines(window.PaneOf(Pane::Spc), {"survey"});
    window.ExecuteProgram();
    QCOMPARE(boxes.size(), std::size_t{3});
    QCOMPARE(boxes[2].caption, kApplicationTitle);
    QCOMPARE(boxes[2].text, QString("File access denied. (SMOKE.LAB)"));
    QCOMPARE(boxes[2].icon, QMessageBox::Critical);
  }
};

QTEST_MAIN(WindowStartupTest)
#include "window_startup_test.moc"
