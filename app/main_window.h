// The main window: the SPC and REPORT panes, the commands New, Open, Import,
// Save, Exit, About and Run, the transfer groups, the case counter and the
// hints.
#pragma once

#include <QMainWindow>
#include <QStyle>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "app/dialog_provider.h"
#include "app/window_toolkit.h"
#include "assist/export_description.h"
#include "model/toolkit.h"
#include "support/working_folder.h"

class QAction;
class QDialog;
class QButtonGroup;
class QLabel;
class QLineEdit;
class QMimeData;
class QPlainTextEdit;
class QProgressBar;
class QTimer;
class QPushButton;
class QToolBar;
class QToolButton;

namespace s2v {

class TAboutBox;

class TSPSStoVRXform : public QMainWindow {
  Q_OBJECT

 public:
  // Without a provider the window uses the real message boxes and dialogs.
  explicit TSPSStoVRXform(std::unique_ptr<DialogProvider> dialogs = nullptr, QWidget* parent = nullptr);
  ~TSPSStoVRXform() override;

  void SetAboutBox(TAboutBox* aboutBox) { aboutBox_ = aboutBox; }

  ShellState& Shell() { return shell_; }
  // Where the commands find and write their files: the folder the window was
  // started in, then the folder of the last file chosen in a dialog.
  const WorkingFolder& Folder() const { return folder_; }
  DialogProvider& Dialogs() { return *dialogs_; }
  WindowToolkit& Toolkit() { return toolkit_; }
  QPlainTextEdit& PaneOf(Pane pane) { return pane == Pane::Spc ? *spc_ : *report_; }
  QLineEdit& CaseEdit() { return *caseEdit_; }
  int TransferChoice(TransferGroup group) const;
  const QString& OpenFilter() const { return openFilter_; }
  const QString& ProposedSaveName() const { return proposedSaveName_; }
  void SetProposedSaveName(const QString& name) { proposedSaveName_ = name; }
  // True while a run or an import goes on.
  bool RunInProgress() const { return running_; }
  // True once the window was closed during a run or an import; the copy ends
  // at its next case (an import's at its next thousandth).
  bool CloseRequested() const { return closeRequested_; }
  // True once Stop was pressed during the current run or import.
  bool StopPressed() const { return stopPressed_; }
  // The progress bar of a run: permille done (0 to 1000).
  void ShowProgress(int permille);
  // Shows the project name and the working folder in the status bar.
  void ShowContext();

 public slots:
  void StartNewProject();
  void OpenItemClick();
  // Open of the file at path, as if chosen in the open dialog.
  void OpenFile(const QString& path);
#ifdef SPSS2VORNEX_HAVE_IMPORT
  void ImportItemClick();
  // The import of the file at path, as if chosen in the import's dialog.
  void ImportFile(const QString& path);
  // The program whose --import-child does the import: this one, unless a
  // test names the built window program.
  void SetImportProgram(const QString& program) { importProgram_ = program; }
#endif
  void SaveItemClick();
  // The definition assistant: the variables of the SPSS files named on the
  // SPC pane's first line, and the check of the definition.
  void VariablesItemClick();
  void CheckItemClick();
  void ExitItemClick();
  void UserGuideItemClick();
  void About1Click();
  void ExecuteProgram();
  void FormCreate();
  void ShowHint(const QString& hint);

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  enum class DropKind { None, Definition, Import, SpssData };
  DropKind DropKindOf(const QMimeData* data) const;
  // Takes a drag of one file of a kind the window opens; false for any other.
  bool HandleDrag(QEvent* event);
  void BuildMenu();
  void BuildToolBar();
  void BuildCentralArea();
  void BuildStatusBar();
  QToolButton* AddToolButton(QToolBar* bar, const QString& name, QStyle::StandardPixmap icon, const QString& hint,
                             void (TSPSStoVRXform::*command)());
  void SetHint(const QString& hint);
  void SetRunCommandsEnabled(bool enabled);
  // Does the work of Run or Import with the other commands waiting, since it
  // handles the window's messages; a failure shows its message.
  void RunWithCommandsWaiting(const std::function<void()>& work);
  void ShowFailure(const std::exception& failure);
  // The project-exists question of Open, asked until the answer is Yes or the
  // name is free.
  void SettleProjectName();
  // The checks of the SPC pane that need only the export's first record,
  // run as the user types: lines with a problem are marked.
  void CheckAsTyped();
  // The export named on the SPC pane's first line, described with a
  // progress dialog; nothing when the user cancelled or a file failed.
  std::optional<ExportDescription> DescribeNamedExport(const std::string& spssName);
  // Reads the export's data through read with a progress dialog that can
  // cancel (read also gets the File Info export's opener, or null); false
  // when the user cancelled or a file failed (the failure is shown).
  bool ReadExport(const std::string& spssName, const QString& label,
                  const std::function<void(ByteSource&, const ExportOpener*)>& read, const QString& title = QString());
  std::string SpssNameOfPane() const;
  // Makes the SPSS data file at path line 1's export and moves to its
  // folder; proposes a project name when none is set. False, after telling
  // the user, for a file that is not a .DAT.
  bool UseExport(const QString& dataFile);
  // Holds the working folder for a run or an import; false, after telling
  // the user, when another program holds it.
  bool HoldFolder(std::optional<FolderLock>& lock);
  // Makes the folder of a chosen path the working folder; returns the file's
  // bare name.
  std::string EnterFolderOf(const QString& chosen);

  std::unique_ptr<DialogProvider> dialogs_;
  WindowToolkit toolkit_;
  ShellState shell_;
  WorkingFolder folder_;
  QString openFilter_;
  QString proposedSaveName_;
  QString importProgram_;
  QString currentHint_;
  bool running_ = false;
  bool closeRequested_ = false;
  bool stopPressed_ = false;
  TAboutBox* aboutBox_ = nullptr;
  QDialog* userGuide_ = nullptr;  // made when first asked for

  QPlainTextEdit* spc_ = nullptr;
  QPlainTextEdit* report_ = nullptr;
  QLineEdit* caseEdit_ = nullptr;
  QPushButton* newButton_ = nullptr;
  QPushButton* runButton_ = nullptr;
  QPushButton* stopButton_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QLabel* projectLabel_ = nullptr;
  QLabel* folderLabel_ = nullptr;
  QToolButton* openButton_ = nullptr;
  QToolButton* saveButton_ = nullptr;
  QToolButton* variablesButton_ = nullptr;
  QToolButton* checkButton_ = nullptr;
  QAction* newItem_ = nullptr;
  QAction* openItem_ = nullptr;
  QAction* importItem_ = nullptr;  // none when the import is not built
  QAction* saveItem_ = nullptr;
  QAction* variablesItem_ = nullptr;
  QAction* checkItem_ = nullptr;
  QTimer* checkTimer_ = nullptr;
  std::map<int, QString> marks_;  // SPC block number -> the problems found on it
  QButtonGroup* groups_[3] = {nullptr, nullptr, nullptr};
};

}  // namespace s2v
