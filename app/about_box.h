// The about box: fixed texts and an OK button.
#pragma once

#include <QDialog>

namespace s2v {

class TAboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit TAboutBox(QWidget* parent = nullptr);

 protected:
  void showEvent(QShowEvent* event) override;
  // The box has no cancel button, so Escape does not close it.
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace s2v
