// The modal messages and dialogs of the window. The window asks for them
// through this interface: the real boxes by default, a scripted answerer in
// the window tests.
#pragma once

#include <QString>
#include <optional>

class QWidget;

namespace s2v {
class TVariablesDialog;
}

namespace s2v {

// The caption of notices and failure messages.
inline const QString kApplicationTitle = QStringLiteral("spss2vornex");

class DialogProvider {
 public:
  virtual ~DialogProvider() = default;

  // A message without icon, with the caption and an OK button.
  virtual void Inform(QWidget* owner, const QString& caption, const QString& text) = 0;
  // A message without icon, with the caption and Yes and No; true for Yes.
  virtual bool AskYesNo(QWidget* owner, const QString& caption, const QString& text) = 0;
  // The confirmation "Confirm": question icon, Yes (the default) and No.
  virtual bool Confirm(QWidget* owner, const QString& text) = 0;
  // The warning "Warning": warning icon, OK (the default) and Cancel; true for OK.
  virtual bool WarnOkCancel(QWidget* owner, const QString& text) = 0;
  // The failure message: error icon and the application's title.
  virtual void ShowFailure(QWidget* owner, const QString& text) = 0;
  // A line of text, or nothing when cancelled.
  virtual std::optional<QString> PromptText(QWidget* owner, const QString& caption, const QString& prompt,
                                            const QString& defaultText) = 0;
  // The open or save dialog with a filter list of description|pattern pairs
  // and a proposed file name; the full path chosen, or nothing when cancelled.
  // An open dialog without a caption of its own is captioned as the system's.
  virtual std::optional<QString> ChooseOpenFile(QWidget* owner, const QString& filter, const QString& fileName,
                                                const QString& caption = QString()) = 0;
  virtual std::optional<QString> ChooseSaveFile(QWidget* owner, const QString& filter, const QString& fileName) = 0;

  // Shows the Variables dialog; true when it was closed by "Add to
  // definition".
  virtual bool ShowVariables(TVariablesDialog& dialog) = 0;

  // The folder where the file dialogs start: the window's working folder.
  void SetStartFolder(const QString& folder) { startFolder_ = folder; }
  const QString& StartFolder() const { return startFolder_; }

 private:
  QString startFolder_;
};

// The real message boxes, input box and file dialogs.
class QtDialogProvider : public DialogProvider {
 public:
  void Inform(QWidget* owner, const QString& caption, const QString& text) override;
  bool AskYesNo(QWidget* owner, const QString& caption, const QString& text) override;
  bool Confirm(QWidget* owner, const QString& text) override;
  bool WarnOkCancel(QWidget* owner, const QString& text) override;
  void ShowFailure(QWidget* owner, const QString& text) override;
  std::optional<QString> PromptText(QWidget* owner, const QString& caption, const QString& prompt,
                                    const QString& defaultText) override;
  std::optional<QString> ChooseOpenFile(QWidget* owner, const QString& filter, const QString& fileName,
                                        const QString& caption = QString()) override;
  std::optional<QString> ChooseSaveFile(QWidget* owner, const QString& filter, const QString& fileName) override;
  bool ShowVariables(TVariablesDialog& dialog) override;
};

// Moves a window that is showing to the middle of its screen.
void CentreOnScreen(QWidget& window);

// "SPC files (*.SPC)|*.SPC|All Files (*.*)|*.*" as the file dialog's name
// filters: "SPC files (*.SPC)", "All Files (*.*)". A description without its
// pattern gets it added in brackets.
QStringList ToNameFilters(const QString& filter);

}  // namespace s2v
