#include "app/user_guide.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QTextBrowser>
#include <QVBoxLayout>

// The resource lives in a static library, whose loader nothing else would
// call.
static void LoadGuideResource() { Q_INIT_RESOURCE(guide); }

namespace s2v {

namespace {

const QString kSectionHeading = QStringLiteral("## The window\n");

}  // namespace

QString WindowGuideMarkdown() {
  static const bool loaded = (LoadGuideResource(), true);
  (void)loaded;
  QFile readme(QStringLiteral(":/README.md"));
  if (!readme.open(QIODevice::ReadOnly)) return QString();
  const QString text = QString::fromUtf8(readme.readAll());
  const qsizetype start = text.indexOf(kSectionHeading);
  if (start < 0) return QString();
  const qsizetype end = text.indexOf(QStringLiteral("\n## "), start + kSectionHeading.size());
  return text.mid(start, end < 0 ? -1 : end + 1 - start);
}

TUserGuide::TUserGuide(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("UserGuide"));
  setWindowTitle(QStringLiteral("User guide"));
  auto* text = new QTextBrowser;
  text->setObjectName(QStringLiteral("GuideText"));
  text->setOpenExternalLinks(true);
  // The section's heading is the guide's title.
  text->setMarkdown(WindowGuideMarkdown().mid(1));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text);
  layout->addWidget(buttons);
  resize(640, 560);
}

}  // namespace s2v
