#include "app/about_box.h"

#include <QFrame>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dialog_provider.h"

namespace s2v {

namespace {

QLabel* AddLabel(QGridLayout* grid, const char* name, const QString& text, int row, int column, int columnSpan = 1) {
  auto* label = new QLabel(text);
  label->setObjectName(QString::fromLatin1(name));
  grid->addWidget(label, row, column, 1, columnSpan);
  return label;
}

}  // namespace

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName(QStringLiteral("AboutBox"));
  setWindowTitle(QStringLiteral("About"));
  setModal(true);

  auto* panel = new QFrame;
  panel->setObjectName(QStringLiteral("Panel1"));
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  auto* grid = new QGridLayout(panel);
  auto* icon = new QLabel;
  icon->setObjectName(QStringLiteral("ProgramIcon"));
  icon->setFixedSize(64, 64);
  grid->addWidget(icon, 0, 0, 2, 1);
  AddLabel(grid, "ProductName", QStringLiteral("Product Name"), 0, 1);
  AddLabel(grid, "Version", QStringLiteral("Version"), 1, 1);
  AddLabel(grid, "Copyright", QStringLiteral("Copyright"), 2, 0, 2);
  AddLabel(grid, "Comments", QStringLiteral("Comments"), 3, 0, 2)->setWordWrap(true);
  grid->setColumnMinimumWidth(1, 180);

  auto* ok = new QPushButton(QStringLiteral("OK"));
  ok->setObjectName(QStringLiteral("OKButton"));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(panel);
  layout->addWidget(ok, 0, Qt::AlignHCenter);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TAboutBox::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CentreOnScreen(*this);
  findChild<QPushButton*>(QStringLiteral("OKButton"))->setFocus();
}

void TAboutBox::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    event->ignore();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace s2v
