#include "app/dialog_provider.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QScreen>

#include "app/variables_dialog.h"

namespace s2v {

void CentreOnScreen(QWidget& window) {
  if (QScreen* screen = window.screen())
    window.move(window.pos() + screen->availableGeometry().center() - window.frameGeometry().center());
}

namespace {

// A notice stands in the middle of the screen, not of the window that owns it.
class ScreenCentredBox : public QMessageBox {
 public:
  using QMessageBox::QMessageBox;

 protected:
  void showEvent(QShowEvent* event) override {
    QMessageBox::showEvent(event);
    CentreOnScreen(*this);
  }
};

int ShowBox(QWidget* owner, QMessageBox::Icon icon, const QString& caption, const QString& text,
            QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton,
            QMessageBox::StandardButton escapeButton) {
  QMessageBox box(icon, caption, text, buttons, owner);
  box.setDefaultButton(defaultButton);
  box.setEscapeButton(escapeButton);
  return box.exec();
}

std::optional<QString> RunFileDialog(QWidget* owner, QFileDialog::AcceptMode mode, const QString& filter,
                                     const QString& fileName, const QString& startFolder,
                                     const QString& caption = QString()) {
  QFileDialog dialog(owner, caption);
  dialog.setAcceptMode(mode);
  // A name that does not exist yet may be typed in both dialogs; the save
  // command asks its own question before replacing a file.
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.setNameFilters(ToNameFilters(filter));
  QFileInfo proposed(fileName);
  dialog.setDirectory(proposed.isAbsolute() ? proposed.absolutePath() : startFolder);
  dialog.selectFile(proposed.fileName());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().constFirst();
}

}  // namespace

void QtDialogProvider::Inform(QWidget* owner, const QString& caption, const QString& text) {
  ScreenCentredBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, owner);
  box.setEscapeButton(QMessageBox::Ok);
  box.exec();
}

bool QtDialogProvider::AskYesNo(QWidget* owner, const QString& caption, const QString& text) {
  return ShowBox(owner, QMessageBox::NoIcon, caption, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes,
                 QMessageBox::No) == QMessageBox::Yes;
}

bool QtDialogProvider::Confirm(QWidget* owner, const QString& text) {
  return ShowBox(owner, QMessageBox::Question, QStringLiteral("Confirm"), text, QMessageBox::Yes | QMessageBox::No,
                 QMessageBox::Yes, QMessageBox::No) == QMessageBox::Yes;
}

bool QtDialogProvider::WarnOkCancel(QWidget* owner, const QString& text) {
  return ShowBox(owner, QMessageBox::Warning, QStringLiteral("Warning"), text, QMessageBox::Ok | QMessageBox::Cancel,
                 QMessageBox::Ok, QMessageBox::Cancel) == QMessageBox::Ok;
}

void QtDialogProvider::ShowFailure(QWidget* owner, const QString& text) {
  ShowBox(owner, QMessageBox::Critical, kApplicationTitle, text, QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok);
}

std::optional<QString> QtDialogProvider::PromptText(QWidget* owner, const QString& caption, const QString& prompt,
                                                    const QString& defaultText) {
  bool ok = false;
  QString text = QInputDialog::getText(owner, caption, prompt, QLineEdit::Normal, defaultText, &ok);
  if (!ok) return std::nullopt;
  return text;
}

std::optional<QString> QtDialogProvider::ChooseOpenFile(QWidget* owner, const QString& filter, const QString& fileName,
                                                        const QString& caption) {
  return RunFileDialog(owner, QFileDialog::AcceptOpen, filter, fileName, StartFolder(), caption);
}

std::optional<QString> QtDialogProvider::ChooseSaveFile(QWidget* owner, const QString& filter,
                                                        const QString& fileName) {
  return RunFileDialog(owner, QFileDialog::AcceptSave, filter, fileName, StartFolder());
}

QStringList ToNameFilters(const QString& filter) {
  QStringList parts = filter.split(QChar('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString& description = parts[i];
    const QString pattern = parts[i + 1];
    QString bracketed = QStringLiteral("(") + QString(pattern).replace(QChar(';'), QChar(' ')) + QStringLiteral(")");
    filters << (description.contains(bracketed) ? description : description + QChar(' ') + bracketed);
  }
  return filters;
}

bool QtDialogProvider::ShowVariables(TVariablesDialog& dialog) { return dialog.exec() == QDialog::Accepted; }

}  // namespace s2v
