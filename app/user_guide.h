// Help > User guide: the window's part of the user guide, which is the
// README's section on the window, built into the program.
#pragma once

#include <QDialog>
#include <QString>

namespace s2v {

// The README's section on the window, as Markdown; empty when it is missing.
QString WindowGuideMarkdown();

class TUserGuide : public QDialog {
  Q_OBJECT

 public:
  explicit TUserGuide(QWidget* parent = nullptr);
};

}  // namespace s2v
