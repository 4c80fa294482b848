#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTextBlock>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>

#include "app/about_box.h"
#include "app/pane_lines.h"
#include "app/user_guide.h"
#include "app/variables_dialog.h"
#include "assist/check_definition.h"
#include "assist/description_format.h"
#include "assist/draft_definition.h"
#include "run/run.h"
#include "run/shell_rules.h"
#include "support/io_error.h"
#include "support/number_format.h"
#include "support/text_decoding.h"
#include "support/version.h"
#include "support/working_folder.h"

#ifdef SPSS2VORNEX_HAVE_IMPORT
#include "app/import_process.h"
#include "import/file_import.h"
#endif

namespace s2v {

namespace {

const QString kCaption = QStringLiteral(
    "Create VORNEX project from SPSS files  -  A tab-delimited data file and an exported text file with SPSS file "
    "info must be ready");
const QString kOpenFilter = QStringLiteral("SPC files (*.SPC)|*.SPC|All Files (*.*)|*.*");
const QString kImportFilter =
    QStringLiteral("SPSS and Stata files (*.sav *.zsav *.por *.dta)|*.sav;*.zsav;*.por;*.dta|All files (*.*)|*.*");
const QString kSaveFilter = QStringLiteral("SPC file (*.SPC)|*.SPC|Report file (*.rep)|*.rep|All files (*.*)|*.*");
const QString kDataFilter = QStringLiteral("DAT files|*.dat");
const QString kLineOneGuide = QStringLiteral(
    "Line 1: write the base name of the SPSS files in place of SPSSdata (survey for survey.DAT and survey.TXT)");
const char* const kHintProperty = "hint";

QString Text(const std::string& bytes) { return FromWindows1252(bytes); }
std::string Bytes(const QString& text) { return FromPaneText(text); }

// The long part of a hint: what follows its bar, or the whole text.
QString LongHint(const QString& hint) {
  qsizetype bar = hint.indexOf(QChar('|'));
  return bar < 0 ? hint : hint.mid(bar + 1);
}

std::string UpperExtension(const std::string& fileName) {
  std::size_t point = fileName.rfind('.');
  std::string extension = point == std::string::npos ? std::string() : fileName.substr(point);
  for (char& c : extension)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return extension;
}

// The one local file of a drag, or nothing.
std::optional<QString> DraggedFile(const QMimeData* data) {
  if (data == nullptr || data->urls().size() != 1 || !data->urls().front().isLocalFile()) return std::nullopt;
  return data->urls().front().toLocalFile();
}

bool SameUpperCase(const std::string& a, const std::string& b) {
  return QString::fromLatin1(a.c_str()).compare(QString::fromLatin1(b.c_str()), Qt::CaseInsensitive) == 0;
}

// Line 1 names an export unless it is empty or still holds a template's word.
bool NamesExport(const std::string& spssName) {
  return !spssName.empty() && !SameUpperCase(spssName, ExtractWord(1, NewProjectTemplate().front())) &&
         !SameUpperCase(spssName, ExtractWord(1, OpenProjectTemplate().front()));
}

// Line 1 with spssName as its first word; what a template had after its own
// word goes with it, a data name of the user's stays.
std::string LineOneWith(const std::string& line1, const std::string& spssName) {
  const std::string first = ExtractWord(1, line1);
  if (!NamesExport(first)) return spssName;
  return spssName + line1.substr(line1.find(first) + first.size());
}

QPlainTextEdit* MakePane(const QString& name) {
  auto* pane = new QPlainTextEdit;
  pane->setObjectName(name);
  // Tab moves on to the next control, as everywhere else; Ctrl+Tab types a tab.
  pane->setTabChangesFocus(true);
  pane->setLineWrapMode(QPlainTextEdit::NoWrap);
  pane->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  pane->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  pane->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  return pane;
}

QLabel* MakeLabel(const QString& name, const QString& text) {
  auto* label = new QLabel(text);
  label->setObjectName(name);
  return label;
}

// A transfer group: none, original or categorized variables (ids 0, 1, 2),
// starting at none.
QGroupBox* MakeTransferGroup(const QString& name, const QString& package, QButtonGroup*& choice) {
  auto* box = new QGroupBox(QStringLiteral("Transfer to ") + package);
  box->setObjectName(name);
  auto* items = new QVBoxLayout(box);
  choice = new QButtonGroup(box);
  const QString texts[3] = {QStringLiteral("No ") + package + QStringLiteral(" project"),
                            package + QStringLiteral(" project - original variables"),
                            package + QStringLiteral(" project - categorized variables")};
  for (int i = 0; i < 3; ++i) {
    auto* radio = new QRadioButton(texts[i]);
    radio->setObjectName(name + QString::number(i));
    choice->addButton(radio, i);
    items->addWidget(radio);
  }
  choice->button(0)->setChecked(true);
  return box;
}

}  // namespace

TSPSStoVRXform::TSPSStoVRXform(std::unique_ptr<DialogProvider> dialogs, QWidget* parent)
    : QMainWindow(parent),
      dialogs_(dialogs ? std::move(dialogs) : std::make_unique<QtDialogProvider>()),
      toolkit_(*this),
      folder_(QFile::encodeName(QDir::currentPath()).toStdString()),
      openFilter_(kOpenFilter),
      importProgram_(QCoreApplication::applicationFilePath()) {
  setObjectName(QStringLiteral("SPSStoVRXform"));
  setWindowTitle(kCaption);
  setAcceptDrops(true);
  folder_.SetWriteBehind(true);
  dialogs_->SetStartFolder(QFile::decodeName(folder_.Path().c_str()));
  BuildMenu();
  BuildToolBar();
  BuildCentralArea();
  BuildStatusBar();
  // The checks that need only the export's first record run by themselves
  // once the user has stopped typing for a moment.
  checkTimer_ = new QTimer(this);
  checkTimer_->setSingleShot(true);
  checkTimer_->setInterval(400);
  connect(checkTimer_, &QTimer::timeout, this, &TSPSStoVRXform::CheckAsTyped);
  connect(spc_, &QPlainTextEdit::textChanged, checkTimer_, qOverload<>(&QTimer::start));
  spc_->setFocus();
  FormCreate();
}

TSPSStoVRXform::~TSPSStoVRXform() { qApp->removeEventFilter(this); }

void TSPSStoVRXform::BuildMenu() {
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("SDIAppMenu"));
  auto addItem = [this](QMenu* menu, const QString& name, const QString& text, const QString& hint,
                        void (TSPSStoVRXform::*command)()) {
    QAction* item = menu->addAction(text);
    item->setObjectName(name);
    item->setStatusTip(hint);
    connect(item, &QAction::triggered, this, command);
    return item;
  };
  QMenu* file = bar->addMenu(QStringLiteral("&File"));
  file->setObjectName(QStringLiteral("FileMenu"));
  newItem_ = addItem(file, QStringLiteral("New1"), QStringLiteral("New"), QString(), &TSPSStoVRXform::StartNewProject);
  newItem_->setShortcut(QKeySequence::New);
  openItem_ = addItem(file, QStringLiteral("OpenItem"), QStringLiteral("&Open..."), QStringLiteral("Open a file"),
                      &TSPSStoVRXform::OpenItemClick);
  openItem_->setShortcut(QKeySequence::Open);
#ifdef SPSS2VORNEX_HAVE_IMPORT
  importItem_ =
      addItem(file, QStringLiteral("ImportItem"), QStringLiteral("&Import SPSS or Stata file..."),
              QStringLiteral("Import an SPSS system or portable file, or a Stata file (.sav, .zsav, .por, .dta)"),
              &TSPSStoVRXform::ImportItemClick);
#endif
  saveItem_ = addItem(file, QStringLiteral("SaveItem"), QStringLiteral("&Save..."), QStringLiteral("Save current file"),
                      &TSPSStoVRXform::SaveItemClick);
  saveItem_->setShortcut(QKeySequence::Save);

  file->addSeparator()->setObjectName(QStringLiteral("N1"));
  QAction* exit = addItem(file, QStringLiteral("ExitItem"), QStringLiteral("E&xit"), QStringLiteral("Exit application"),
                          &TSPSStoVRXform::ExitItemClick);
  exit->setShortcut(QKeySequence(Qt::ALT | Qt::Key_X));
  // The definition assistant, in a menu of its own beside File.
  QMenu* definition = bar->addMenu(QStringLiteral("&Definition"));
  definition->setObjectName(QStringLiteral("DefinitionMenu"));
  variablesItem_ =
      addItem(definition, QStringLiteral("VariablesItem"), QStringLiteral("&Variables of the SPSS files..."),
              QStringLiteral("List the variables of the SPSS files and add them to the definition"),
              &TSPSStoVRXform::VariablesItemClick);
  checkItem_ = addItem(definition, QStringLiteral("CheckItem"), QStringLiteral("&Check definition"),
                       QStringLiteral("Check the definition against the SPSS files without a run"),
                       &TSPSStoVRXform::CheckItemClick);
  checkItem_->setShortcut(QKeySequence(Qt::Key_F7));
  QMenu* help = bar->addMenu(QStringLiteral("&Help"));
  help->setObjectName(QStringLiteral("Help1"));
  QAction* guide = addItem(help, QStringLiteral("UserGuideItem"), QStringLiteral("&User guide"),
                           QStringLiteral("How to use this window"), &TSPSStoVRXform::UserGuideItemClick);
  guide->setShortcut(QKeySequence(Qt::Key_F1));
  addItem(help, QStringLiteral("About1"), QStringLiteral("&About..."), QString(), &TSPSStoVRXform::About1Click);
}

QToolButton* TSPSStoVRXform::AddToolButton(QToolBar* bar, const QString& name, QStyle::StandardPixmap icon,
                                           const QString& hint, void (TSPSStoVRXform::*command)()) {
  auto* button = new QToolButton;
  button->setObjectName(name);
  button->setIcon(style()->standardIcon(icon));
  button->setAutoRaise(true);
  button->setProperty(kHintProperty, hint);
  button->setToolTip(hint.left(hint.indexOf(QChar('|'))));
  connect(button, &QToolButton::clicked, this, command);
  bar->addWidget(button);
  return button;
}

void TSPSStoVRXform::BuildToolBar() {
  auto* bar = new QToolBar;
  bar->setObjectName(QStringLiteral("SpeedPanel"));
  bar->setMovable(false);
  bar->setFloatable(false);
  bar->toggleViewAction()->setEnabled(false);
  addToolBar(Qt::TopToolBarArea, bar);
  openButton_ = AddToolButton(bar, QStringLiteral("OpenBtn"), QStyle::SP_DialogOpenButton, QStringLiteral("Open|"),
                              &TSPSStoVRXform::OpenItemClick);
  saveButton_ = AddToolButton(bar, QStringLiteral("SaveBtn"), QStyle::SP_DialogSaveButton, QStringLiteral("Save|"),
                              &TSPSStoVRXform::SaveItemClick);
  AddToolButton(bar, QStringLiteral("ExitBtn"), QStyle::SP_DialogCloseButton, QStringLiteral("Exit|"),
                &TSPSStoVRXform::ExitItemClick);
  bar->addSeparator();
  variablesButton_ = AddToolButton(bar, QStringLiteral("VariablesBtn"), QStyle::SP_FileDialogDetailedView,
                                   QStringLiteral("Variables|List the variables of the SPSS files"),
                                   &TSPSStoVRXform::VariablesItemClick);
  checkButton_ =
      AddToolButton(bar, QStringLiteral("CheckBtn"), QStyle::SP_DialogApplyButton,
                    QStringLiteral("Check|Check the definition without a run"), &TSPSStoVRXform::CheckItemClick);
  bar->addSeparator();
  QLabel* version = MakeLabel(QStringLiteral("Label1"),
                              QStringLiteral("Version %1  January 4th. 2005").arg(QString::fromLatin1(kVersion)));
  version->setContentsMargins(8, 0, 8, 0);
  bar->addWidget(version);
}

void TSPSStoVRXform::BuildCentralArea() {
  auto* central = new QWidget;
  auto* grid = new QGridLayout(central);

  spc_ = MakePane(QStringLiteral("SPC"));
  report_ = MakePane(QStringLiteral("REPORT"));
  grid->addWidget(MakeLabel(QStringLiteral("Label2"), QStringLiteral("The contents of the SPC file.")), 0, 0);
  grid->addWidget(spc_, 1, 0);
  grid->addWidget(MakeLabel(QStringLiteral("Label3"), QStringLiteral("Report")), 0, 2);
  grid->addWidget(report_, 1, 2, 2, 1);

  QLabel* notice = MakeLabel(QStringLiteral("Memo1"), QStringLiteral("Save the SPC file with the project \n"
                                                                     "definition in the folder with the SPSS \n"
                                                                     "files before you run the program!"));
  notice->setStyleSheet(QStringLiteral("color: red; font-weight: bold; font-style: italic;"));
  notice->setTextInteractionFlags(Qt::TextSelectableByMouse);
  grid->addWidget(notice, 2, 0);

  auto* middle = new QVBoxLayout;
  newButton_ = new QPushButton(QStringLiteral("New"));
  newButton_->setObjectName(QStringLiteral("Button2"));
  connect(newButton_, &QPushButton::clicked, this, &TSPSStoVRXform::StartNewProject);
  runButton_ = new QPushButton(QStringLiteral("Run"));
  runButton_->setObjectName(QStringLiteral("Button1"));
  connect(runButton_, &QPushButton::clicked, this, &TSPSStoVRXform::ExecuteProgram);
  // Access keys that keep the buttons' texts; F5 runs from anywhere in the
  // window.
  newButton_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_N));
  runButton_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_R));
  auto* runKey = new QAction(this);
  runKey->setObjectName(QStringLiteral("RunKey"));
  runKey->setShortcut(QKeySequence(Qt::Key_F5));
  connect(runKey, &QAction::triggered, this, &TSPSStoVRXform::ExecuteProgram);
  addAction(runKey);
  caseEdit_ = new QLineEdit;
  caseEdit_->setObjectName(QStringLiteral("CaseEdit"));
  caseEdit_->setReadOnly(true);
  caseEdit_->setAlignment(Qt::AlignRight);
  middle->addWidget(newButton_);
  // Run stands well below New, closer on a small screen.
  middle->addSpacerItem(new QSpacerItem(0, 80, QSizePolicy::Minimum, QSizePolicy::Preferred));
  middle->addWidget(runButton_);
  middle->addSpacing(12);
  middle->addWidget(MakeLabel(QStringLiteral("Label4"), QStringLiteral("Cases processed")));
  middle->addWidget(caseEdit_);
  middle->addStretch();
  grid->addLayout(middle, 1, 1, 2, 1);

  // The transfer groups side by side; on a screen too narrow for the three
  // they scroll rather than widen the window.
  auto* groups = new QWidget;
  auto* row = new QHBoxLayout(groups);
  row->setContentsMargins(0, 0, 0, 0);
  const char* const names[3] = {"MplusGroup", "MIMGroup", "MLwinGroup"};
  const QString packages[3] = {QStringLiteral("Mplus"), QStringLiteral("MIM"), QStringLiteral("MLwiN")};
  for (int g = 0; g < 3; ++g) row->addWidget(MakeTransferGroup(QString::fromLatin1(names[g]), packages[g], groups_[g]));
  auto* strip = new QScrollArea;
  strip->setObjectName(QStringLiteral("TransferStrip"));
  strip->setFrameShape(QFrame::NoFrame);
  strip->setWidgetResizable(true);
  strip->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  strip->setWidget(groups);
  strip->setMinimumWidth(240);
  strip->setFixedHeight(groups->sizeHint().height() + strip->horizontalScrollBar()->sizeHint().height());
  grid->addWidget(strip, 3, 0, 1, 3);
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(2, 1);
  grid->setRowStretch(1, 1);
  setCentralWidget(central);
}

// The hints on the left; on the right the project and the working folder,
// and during a run its progress and the Stop button.
void TSPSStoVRXform::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("StatusBar"));
  bar->setSizeGripEnabled(false);
  projectLabel_ = MakeLabel(QStringLiteral("ProjectLabel"), QString());
  folderLabel_ = MakeLabel(QStringLiteral("FolderLabel"), QString());
  folderLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  progress_ = new QProgressBar;
  progress_->setObjectName(QStringLiteral("ProgressBar"));
  progress_->setRange(0, 1000);
  progress_->setMaximumWidth(200);
  progress_->setVisible(false);
  stopButton_ = new QPushButton(QStringLiteral("Stop"));
  stopButton_->setObjectName(QStringLiteral("StopButton"));
  stopButton_->setEnabled(false);
  stopButton_->setVisible(false);
  connect(stopButton_, &QPushButton::clicked, this, [this] { stopPressed_ = true; });
  bar->addPermanentWidget(projectLabel_);
  bar->addPermanentWidget(folderLabel_);
  bar->addPermanentWidget(progress_);
  bar->addPermanentWidget(stopButton_);
  ShowContext();
}

// A long name or folder is cut in the middle, so it never widens the window;
// the whole text is the label's tooltip.
void TSPSStoVRXform::ShowContext() {
  auto show = [](QLabel* label, const QString& text, int width) {
    label->setText(label->fontMetrics().elidedText(text, Qt::ElideMiddle, width));
    label->setToolTip(text);
  };
  show(projectLabel_, QStringLiteral("Project: ") + Text(shell_.ProjectName), 160);
  const QString folder = QDir(QFile::decodeName(folder_.Path().c_str())).absolutePath();
  show(folderLabel_, QStringLiteral("Folder: ") + QDir::toNativeSeparators(folder), 300);
}

void TSPSStoVRXform::ShowProgress(int permille) {
  progress_->setValue(permille);
  progress_->setVisible(true);
}

int TSPSStoVRXform::TransferChoice(TransferGroup group) const {
  int index = group == TransferGroup::Mplus ? 0 : group == TransferGroup::Mim ? 1 : 2;
  return std::max(groups_[index]->checkedId(), 0);
}

void TSPSStoVRXform::FormCreate() { qApp->installEventFilter(this); }

void TSPSStoVRXform::ShowHint(const QString& hint) { statusBar()->showMessage(hint); }

void TSPSStoVRXform::SetHint(const QString& hint) {
  if (hint == currentHint_) return;
  currentHint_ = hint;
  ShowHint(hint);
}

bool TSPSStoVRXform::event(QEvent* event) {
  // Highlighted menu items report their hints here.
  if (event->type() == QEvent::StatusTip) {
    SetHint(static_cast<QStatusTipEvent*>(event)->tip());
    return true;
  }
  return QMainWindow::event(event);
}

bool TSPSStoVRXform::eventFilter(QObject* watched, QEvent* event) {
  // A marked line of the SPC pane tells its problems under the pointer.
  if (event->type() == QEvent::ToolTip && watched == spc_->viewport()) {
    auto* help = static_cast<QHelpEvent*>(event);
    auto mark = marks_.find(spc_->cursorForPosition(help->pos()).blockNumber());
    if (mark != marks_.end())
      QToolTip::showText(help->globalPos(), mark->second, spc_);
    else
      QToolTip::hideText();
    return true;
  }
  // The panes take dropped text; a dropped file is the window's, and one of
  // another kind is refused rather than typed in as its name.
  if ((event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove || event->type() == QEvent::Drop) &&
      (watched == spc_->viewport() || watched == report_->viewport()) &&
      DraggedFile(static_cast<QDropEvent*>(event)->mimeData())) {
    if (!HandleDrag(event)) event->ignore();
    return true;
  }
  if (event->type() == QEvent::KeyPress && (watched == spc_ || watched == report_)) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Tab && key->modifiers() == Qt::ControlModifier &&
        !static_cast<QPlainTextEdit*>(watched)->isReadOnly()) {
      static_cast<QPlainTextEdit*>(watched)->insertPlainText(QStringLiteral("\t"));
      return true;
    }
  }
  // The pointer on a control of this window makes its hint, or that of the
  // nearest control around it that has one, the current hint.
  if (event->type() == QEvent::Enter && watched->isWidgetType()) {
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->window() == this) {
      QString hint;
      for (QWidget* w = widget; w != nullptr && hint.isEmpty(); w = w->parentWidget())
        hint = w->property(kHintProperty).toString();
      SetHint(LongHint(hint));
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

TSPSStoVRXform::DropKind TSPSStoVRXform::DropKindOf(const QMimeData* data) const {
  std::optional<QString> file = DraggedFile(data);
  if (running_ || !file) return DropKind::None;
  const QString extension = QFileInfo(*file).suffix().toLower();
  if (extension == QStringLiteral("spc")) return DropKind::Definition;
  if (extension == QStringLiteral("dat")) return DropKind::SpssData;
  if (importItem_ != nullptr &&
      QStringList({QStringLiteral("sav"), QStringLiteral("zsav"), QStringLiteral("por"), QStringLiteral("dta")})
          .contains(extension))
    return DropKind::Import;
  return DropKind::None;
}

// A file dropped on the window, the panes included: a definition opens, an
// SPSS or Stata file is imported, an SPSS data file becomes line 1's export.
bool TSPSStoVRXform::HandleDrag(QEvent* event) {
  auto* drag = static_cast<QDropEvent*>(event);
  const DropKind kind = DropKindOf(drag->mimeData());
  if (kind == DropKind::None) return false;
  drag->acceptProposedAction();
  if (event->type() != QEvent::Drop) return true;
  const QString file = *DraggedFile(drag->mimeData());
  // The command may show dialogs: it runs once the drop has been answered.
  QTimer::singleShot(0, this, [this, kind, file] {
    if (running_) return;
    switch (kind) {
      case DropKind::Definition: OpenFile(file); break;
      case DropKind::SpssData: UseExport(file); break;
      case DropKind::Import:
#ifdef SPSS2VORNEX_HAVE_IMPORT
        ImportFile(file);
#endif
        break;
      case DropKind::None: break;
    }
  });
  return true;
}

void TSPSStoVRXform::dragEnterEvent(QDragEnterEvent* event) {
  if (!HandleDrag(event)) QMainWindow::dragEnterEvent(event);
}

void TSPSStoVRXform::dragMoveEvent(QDragMoveEvent* event) {
  if (!HandleDrag(event)) QMainWindow::dragMoveEvent(event);
}

void TSPSStoVRXform::dropEvent(QDropEvent* event) {
  if (!HandleDrag(event)) QMainWindow::dropEvent(event);
}

void TSPSStoVRXform::closeEvent(QCloseEvent* event) {
  if (running_) {
    // The copy ends at its next case and the run's files are closed on the
    // way out; the window closes when the run has returned.
    closeRequested_ = true;
    event->ignore();
    return;
  }
  event->accept();
}

void TSPSStoVRXform::ShowFailure(const std::exception& failure) { dialogs_->ShowFailure(this, Text(failure.what())); }

// Cancel on the name prompt leaves everything as it was: the definition the
// user typed is not lost.
void TSPSStoVRXform::StartNewProject() {
  std::optional<QString> name =
      dialogs_->PromptText(this, QStringLiteral("Project name"), QStringLiteral("Enter project name"), QString());
  if (!name) return;
  shell_.ProjectName = Bytes(*name);
  shell_.SpcFileName = shell_.ProjectName + ".SPC";
  proposedSaveName_ = Text(shell_.SpcFileName);
  ClearLines(*report_);
  AppendPaneLine(*report_, "The VORNEX project is " + shell_.ProjectName);
  ReplacePaneLines(*spc_, NewProjectTemplate());
  spc_->setFocus();
  ShowContext();
  statusBar()->showMessage(kLineOneGuide);
  dialogs_->Inform(this, QStringLiteral("Project definition"),
                   QStringLiteral("Fill in the information mentioned in the SPC window"));
}

void TSPSStoVRXform::SettleProjectName() {
  while (ProjectExists(folder_, shell_.ProjectName)) {
    if (dialogs_->AskYesNo(this, QStringLiteral("Warning"),
                           QStringLiteral("Project already exists. Continue with the same name?"))) {
      ClearLines(*report_);
      AppendPaneLine(*report_, "The VORNEX project is " + shell_.ProjectName);
      AppendPaneLine(*report_, "Existing SYS and TAB files will be deleted!!!");
      return;
    }
    shell_.ProjectName = Bytes(
        dialogs_->PromptText(this, QStringLiteral("Project name"), QStringLiteral("Enter project name"), QString())
            .value_or(QString()));
    ClearLines(*report_);
    AppendPaneLine(*report_, "The VORNEX project is " + shell_.ProjectName);
  }
}

std::string TSPSStoVRXform::EnterFolderOf(const QString& chosen) {
  auto [folder, fileName] = WorkingFolder::OfFile(QFile::encodeName(chosen).toStdString(), folder_.Path());
  folder_ = std::move(folder);
  folder_.SetWriteBehind(true);
  dialogs_->SetStartFolder(QFile::decodeName(folder_.Path().c_str()));
  ShowContext();
  return fileName;
}

void TSPSStoVRXform::OpenItemClick() {
  std::optional<QString> chosen = dialogs_->ChooseOpenFile(this, openFilter_, QString());
  if (chosen) OpenFile(*chosen);
}

// The definition read replaces the SPC pane as one step that undo takes
// back; a failure leaves the pane empty, also undoably.
void TSPSStoVRXform::OpenFile(const QString& chosen) {
  std::vector<std::string> lines;
  try {
    const std::string fileName = EnterFolderOf(chosen);
    shell_.ProjectName = ProjectNameOf(fileName);
    ClearLines(*report_);
    AppendPaneLine(*report_, "The VORNEX project is " + shell_.ProjectName);
    SettleProjectName();
    shell_.SpcFileName = shell_.ProjectName + ".spc";
    proposedSaveName_ = Text(shell_.SpcFileName);
    ShowContext();
    if (folder_.Exists(fileName)) {
      TextFileSource file(folder_, fileName);
      lines = ReadAllLines(file);
    } else {
      dialogs_->Inform(this, kApplicationTitle, Text(shell_.ProjectName + " is a new project"));
      lines = OpenProjectTemplate();
    }
  } catch (const IoError& failure) {
    ReplacePaneLines(*spc_, {});
    ShowFailure(failure);
    return;
  }
  ReplacePaneLines(*spc_, lines);
  spc_->setFocus();
}

#ifdef SPSS2VORNEX_HAVE_IMPORT
// The import writes the SPSS pair beside the imported file, whose folder becomes
// the working folder. Then it starts a project on the imported data: its name
// is asked as New asks it, proposed as the file's base name with "_project".
void TSPSStoVRXform::ImportItemClick() {
  if (running_) return;
  std::optional<QString> chosen =
      dialogs_->ChooseOpenFile(this, kImportFilter, QString(), QStringLiteral("Import SPSS or Stata file"));
  if (chosen) ImportFile(*chosen);
}

void TSPSStoVRXform::ImportFile(const QString& path) {
  const std::string savName = EnterFolderOf(path);
  std::optional<FolderLock> lock;
  if (!HoldFolder(lock)) return;
  ImportResult result;
  RunWithCommandsWaiting([this, &savName, &result] {
    ClearLines(*report_);
    toolkit_.SetCaseText("");
    ImportProgress progress;
    progress.ReportLine = [this](const std::string& line) { toolkit_.AppendLine(Pane::Report, line); };
    progress.CasesWritten = [this](std::int64_t cases) {
      toolkit_.SetCaseText(FormatInteger(cases));
      toolkit_.ProcessPendingMessages();
    };
    progress.StopRequested = [this] { return toolkit_.StopRequested(); };
    result = ImportInChildProcess(
        importProgram_, folder_, savName, [this](const std::string& question) { return toolkit_.AskYesNo(question); },
        progress);
  });
  lock.reset();
  if (!result.Done) return;
  shell_.ProjectName = Bytes(dialogs_
                                 ->PromptText(this, QStringLiteral("Project name"),
                                              QStringLiteral("Enter project name"), Text(result.BaseName + "_project"))
                                 .value_or(QString()));
  shell_.SpcFileName = shell_.ProjectName + ".SPC";
  proposedSaveName_ = Text(shell_.SpcFileName);
  // A draft definition of the imported data, and their variables in the
  // report; the template when fewer than two variables can be used.
  std::vector<std::string> spcLines = ImportProjectTemplate(result.BaseName);
  if (std::optional<ExportDescription> description = DescribeNamedExport(result.BaseName)) {
    AppendPaneLine(*report_, "");
    for (const std::string& line : DescriptionTable(*description)) AppendPaneLine(*report_, line);
    for (const std::string& line : DescriptionWarnings(*description)) AppendPaneLine(*report_, line);
    Draft draft = DraftDefinition(*description, {});
    if (!draft.Lines.empty()) spcLines = std::move(draft.Lines);
  }
  ReplacePaneLines(*spc_, spcLines);
  spc_->setFocus();
  ShowContext();
}
#endif

void TSPSStoVRXform::SaveItemClick() {
  std::optional<QString> chosen = dialogs_->ChooseSaveFile(this, kSaveFilter, proposedSaveName_);
  if (!chosen) return;
  proposedSaveName_ = *chosen;
  const bool spcFile = UpperExtension(Bytes(QFileInfo(*chosen).fileName())) == ".SPC";
  const QString kind = spcFile ? QStringLiteral("SPC file") : QStringLiteral("Report file");
  try {
    const std::string fileName = EnterFolderOf(*chosen);
    if (folder_.Exists(fileName) && !dialogs_->WarnOkCancel(this, QStringLiteral("File already exists"))) {
      dialogs_->Inform(this, kApplicationTitle, kind + QStringLiteral(" will not be saved"));
      return;
    }
    TextFileWriter file(folder_, fileName);
    for (const std::string& line : PaneLines(spcFile ? *spc_ : *report_)) file.PutLine(line);
    file.Close();
    // A definition saved before any project was named names it, as opening
    // the file would.
    if (spcFile && shell_.ProjectName.empty()) {
      shell_.ProjectName = ProjectNameOf(fileName);
      shell_.SpcFileName = shell_.ProjectName + ".spc";
      ShowContext();
    }
  } catch (const IoError& failure) {
    ShowFailure(failure);
    return;
  }
  dialogs_->Inform(this, kApplicationTitle, kind + QStringLiteral(" was saved"));
}

std::string TSPSStoVRXform::SpssNameOfPane() const {
  return PaneLineCount(*spc_) > 0 ? ExtractWord(1, PaneLine(*spc_, 0)) : std::string();
}

namespace {

// The user pressed Cancel in the progress dialog of a description.
struct DescriptionCancelled {};

// The SPSS data file read with a progress dialog that the window keeps
// painting and that can cancel the reading.
class ProgressSource : public ByteSource {
 public:
  ProgressSource(FileSource& file, QProgressDialog& dialog) : file_(file), dialog_(dialog) { sinceShown_.start(); }
  std::size_t Read(char* data, std::size_t size) override {
    const std::size_t n = file_.Read(data, size);
    if (sinceShown_.elapsed() >= 30) {
      const std::uint64_t total = std::max<std::uint64_t>(file_.Size(), 1);
      dialog_.setValue(static_cast<int>(std::min<std::uint64_t>(file_.BytesRead(), total) * 1000 / total));
      QApplication::processEvents();
      sinceShown_.restart();
    }
    if (dialog_.wasCanceled()) throw DescriptionCancelled{};
    return n;
  }

 private:
  FileSource& file_;
  QProgressDialog& dialog_;
  QElapsedTimer sinceShown_;
};

}  // namespace

bool TSPSStoVRXform::ReadExport(const std::string& spssName, const QString& label,
                                const std::function<void(ByteSource&, const ExportOpener*)>& read,
                                const QString& title) {
  QProgressDialog progress(label + Text(spssName + ".DAT"), QStringLiteral("Cancel"), 0, 1000, this);
  if (!title.isEmpty()) progress.setWindowTitle(title);
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(300);
  try {
    FileSource data(folder_, spssName + ".DAT");
    ProgressSource source(data, progress);
    DecodedSource text(source);
    const std::string fileInfo = spssName + ".TXT";
    ExportOpener open = [&] { return std::make_unique<TextFileSource>(folder_, fileInfo); };
    read(text, folder_.Exists(fileInfo) ? &open : nullptr);
    return true;
  } catch (const DescriptionCancelled&) {
    return false;
  } catch (const IoError& failure) {
    ShowFailure(failure);
    return false;
  }
}

std::optional<ExportDescription> TSPSStoVRXform::DescribeNamedExport(const std::string& spssName) {
  if (spssName.empty() || !folder_.Exists(spssName + ".DAT")) {
    dialogs_->Inform(this, kApplicationTitle, Text(spssName + ".DAT was not found"));
    return std::nullopt;
  }
  std::optional<ExportDescription> description;
  ReadExport(
      spssName, QStringLiteral("Reading "),
      [&](ByteSource& data, const ExportOpener* fileInfo) { description = DescribeExport(spssName, data, fileInfo); },
      QStringLiteral("Variables of the SPSS files"));
  return description;
}

// Without an export on line 1, the user picks its data file first.
void TSPSStoVRXform::VariablesItemClick() {
  if (running_) return;
  if (!NamesExport(SpssNameOfPane())) {
    std::optional<QString> chosen = dialogs_->ChooseOpenFile(this, kDataFilter, QString());
    if (!chosen || !UseExport(*chosen)) return;
  }
  const std::string spssName = SpssNameOfPane();
  std::optional<ExportDescription> description = DescribeNamedExport(spssName);
  if (!description) return;
  std::map<std::string, std::size_t> defined;
  for (const VariableDefinition& v :
       CheckDefinitionLines(SpcText(PaneLines(*spc_)), shell_.ProjectName, ExportHead{}).Definition.Variables)
    defined.emplace(v.Name, v.Line);
  TVariablesDialog dialog(*description, defined, this);
  if (!dialogs_->ShowVariables(dialog)) return;
  if (dialog.ChosenLines().empty()) return;
  ReplacePaneLines(*spc_, AddVariableLines(PaneLines(*spc_), spssName, dialog.ChosenLines(), shell_.ProjectName));
  spc_->setFocus();
}

bool TSPSStoVRXform::UseExport(const QString& dataFile) {
  std::string fileName = Bytes(QFileInfo(dataFile).fileName());
  if (UpperExtension(fileName) != ".DAT") {
    dialogs_->Inform(this, kApplicationTitle,
                     Text(fileName + " is not a tab-delimited SPSS data file: its name must end in .DAT"));
    return false;
  }
  fileName = EnterFolderOf(dataFile);
  const std::string spssName = fileName.substr(0, fileName.size() - 4);
  std::vector<std::string> lines = PaneLines(*spc_);
  if (lines.empty()) lines.emplace_back();
  lines.front() = LineOneWith(lines.front(), spssName);
  ReplacePaneLines(*spc_, lines);
  std::optional<QString> name;
  if (shell_.ProjectName.empty() &&
      (name = dialogs_->PromptText(this, QStringLiteral("Project name"), QStringLiteral("Enter project name"),
                                   Text(spssName + "_project")))) {
    shell_.ProjectName = Bytes(*name);
    shell_.SpcFileName = shell_.ProjectName + ".SPC";
    proposedSaveName_ = Text(shell_.SpcFileName);
    ShowContext();
  }
  spc_->setFocus();
  return true;
}

// The findings go to the end of the report, scrolled into view as a run's
// lines are.
void TSPSStoVRXform::CheckItemClick() {
  if (running_) return;
  auto report = [this](const std::string& line) { toolkit_.AppendLine(Pane::Report, line); };
  const SpcText spcLines(PaneLines(*spc_));
  const std::string spssName = SpssNameOfPane();
  DefinitionCheck check = CheckDefinitionLines(spcLines, shell_.ProjectName, ReadExportHead(folder_, spssName));
  CheckOutputNames(check, folder_, spcLines, shell_.ProjectName, {});
  // The values, when the lines allow a run to read them.
  if (!check.RunStops() && folder_.Exists(spssName + ".DAT") &&
      !ReadExport(spssName, QStringLiteral("Checking "), [&](ByteSource& data, const ExportOpener* fileInfo) {
        CheckDefinitionValues(check, data, fileInfo);
      }))
    return;
  report("");
  report("Check of the definition");
  for (const Finding& finding : check.Findings)
    report("Line " + FormatInteger(static_cast<std::int64_t>(finding.Line)) + ": " +
           (finding.Kind == FindingKind::Error ? "error: " : "warning: ") + finding.Text());
  const std::size_t errors = check.Count(FindingKind::Error);
  const std::size_t warnings = check.Count(FindingKind::Warning);
  report(FormatInteger(static_cast<std::int64_t>(errors)) + (errors == 1 ? " error, " : " errors, ") +
         FormatInteger(static_cast<std::int64_t>(warnings)) + (warnings == 1 ? " warning" : " warnings") +
         (check.RunStops() ? ": a run would stop" : ": a run would pass its checks"));
  for (const Finding& finding : check.Findings) {
    if (finding.Kind != FindingKind::Error) continue;
    QTextCursor cursor(spc_->document()->findBlockByNumber(static_cast<int>(finding.Line) - 1));
    spc_->setTextCursor(cursor);
    spc_->setFocus();
    break;
  }
}

void TSPSStoVRXform::CheckAsTyped() {
  const SpcText spcLines(PaneLines(*spc_));
  DefinitionCheck check = CheckDefinitionLines(spcLines, shell_.ProjectName, ReadExportHead(folder_, SpssNameOfPane()));
  // Each line with an error, or with a slip the check marks as typed, is
  // marked once; its tooltip lists all it has.
  marks_.clear();
  for (const Finding& finding : check.Findings) {
    const bool markedAsTyped =
        finding.Code == FindingCode::TabInLine || finding.Code == FindingCode::BoundsNotIncreasing;
    if (finding.Kind != FindingKind::Error && !markedAsTyped) continue;
    QString& text = marks_[static_cast<int>(finding.Line) - 1];
    if (!text.isEmpty()) text += QChar('\n');
    text += Text(finding.Text());
  }
  QList<QTextEdit::ExtraSelection> marked;
  for (const auto& [block, text] : marks_) {
    QTextEdit::ExtraSelection selection;
    selection.cursor = QTextCursor(spc_->document()->findBlockByNumber(block));
    selection.cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    selection.format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
    selection.format.setUnderlineColor(Qt::red);
    marked.append(selection);
  }
  spc_->setExtraSelections(marked);
  if (marks_.empty())
    statusBar()->clearMessage();
  else if (marks_.begin()->first == 0 && PaneLineCount(*spc_) > 0 && !NamesExport(SpssNameOfPane()))
    statusBar()->showMessage(kLineOneGuide);
  else
    statusBar()->showMessage(QStringLiteral("Line %1: ").arg(marks_.begin()->first + 1) +
                             marks_.begin()->second.section(QChar('\n'), 0, 0));
}

void TSPSStoVRXform::ExitItemClick() { close(); }

// The guide stays open beside the window while the user works.
void TSPSStoVRXform::UserGuideItemClick() {
  if (userGuide_ == nullptr) userGuide_ = new TUserGuide(this);
  userGuide_->show();
  userGuide_->raise();
  userGuide_->activateWindow();
}

void TSPSStoVRXform::About1Click() {
  if (aboutBox_ != nullptr) aboutBox_->exec();
}

void TSPSStoVRXform::SetRunCommandsEnabled(bool enabled) {
  for (QWidget* control : std::initializer_list<QWidget*>{runButton_, newButton_, openButton_, saveButton_,
                                                          variablesButton_, checkButton_})
    control->setEnabled(enabled);
  for (QAction* item : {newItem_, openItem_, importItem_, saveItem_, variablesItem_, checkItem_})
    if (item != nullptr) item->setEnabled(enabled);
}

void TSPSStoVRXform::RunWithCommandsWaiting(const std::function<void()>& work) {
  running_ = true;
  stopPressed_ = false;
  SetRunCommandsEnabled(false);
  progress_->reset();
  stopButton_->setVisible(true);
  stopButton_->setEnabled(true);
  toolkit_.BeginRun();
  try {
    work();
  } catch (const std::exception& failure) {
    toolkit_.ShowCaseText();
    ShowFailure(failure);
  }
  toolkit_.ShowCaseText();
  running_ = false;
  stopButton_->setEnabled(false);
  stopButton_->setVisible(false);
  progress_->setVisible(false);
  SetRunCommandsEnabled(true);
  ShowContext();
  if (closeRequested_) {
    closeRequested_ = false;
    close();
  }
}

bool TSPSStoVRXform::HoldFolder(std::optional<FolderLock>& lock) {
  try {
    lock = FolderLock::TryLock(folder_);
  } catch (const IoError&) {
    return true;  // the command meets the folder's failure on its files
  }
  if (!lock) dialogs_->Inform(this, kApplicationTitle, QString::fromLatin1(kFolderBusy));
  return lock.has_value();
}

void TSPSStoVRXform::ExecuteProgram() {
  if (running_) return;
  std::optional<FolderLock> lock;
  if (!HoldFolder(lock)) return;
  RunWithCommandsWaiting([this] {
    s2v::ExecuteProgram(toolkit_, shell_, folder_);
    dialogs_->SetStartFolder(QFile::decodeName(folder_.Path().c_str()));
  });
  runButton_->setFocus();
}

}  // namespace s2v
