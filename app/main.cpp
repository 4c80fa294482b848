// spss2vornex: the desktop window.
#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <cstdio>
#include <string_view>

#include "app/about_box.h"
#include "app/command_file.h"
#include "app/dialog_provider.h"
#ifdef SPSS2VORNEX_HAVE_IMPORT
#include "app/import_process.h"
#endif
#include "app/main_window.h"
#include "support/io_error.h"
#include "support/standard_descriptors.h"
#include "support/version.h"
#include "support/working_folder.h"

int main(int argc, char** argv) {
  s2v::OpenMissingStandardDescriptors();
#ifdef SPSS2VORNEX_HAVE_IMPORT
  // The window's import, in a process of its own.
  if (argc > 1 && std::string_view(argv[1]) == s2v::kImportChildOption) return s2v::RunImportChild(argc, argv);
#endif
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("spss2vornex"));
  QApplication::setApplicationVersion(QString::fromLatin1(s2v::kVersion));
  // No display name: Qt would add it to every caption the window manager
  // shows, and the captions are the program's own texts.
  QApplication::setDesktopFileName(QStringLiteral("spss2vornex"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/spss2vornex.svg")));

  try {
    s2v::EnsureCommandFile(s2v::WorkingFolder("."));
  } catch (const s2v::IoError& failure) {
    const QString text = QStringLiteral("VORNEX.cmd cannot be created in this folder: ") + failure.what();
    std::fprintf(stderr, "spss2vornex: %s\n", text.toLocal8Bit().constData());
    QMessageBox::critical(nullptr, s2v::kApplicationTitle, text);
    return 1;
  }

  s2v::TSPSStoVRXform window;
  s2v::TAboutBox aboutBox(&window);
  window.SetAboutBox(&aboutBox);
  window.showMaximized();
  return QApplication::exec();
}
