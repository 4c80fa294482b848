// Helpers of the window tests: a scripted dialog provider, a temporary working
// folder and small file helpers.
#pragma once

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <deque>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/dialog_provider.h"
#include "app/main_window.h"
#include "app/pane_lines.h"
#include "app/variables_dialog.h"

namespace s2v {

// Records every message and dialog and answers them from a queue: "Yes"/"No"
// or "OK"/"Cancel" for questions, the text for prompts ("<cancel>" cancels),
// a path for file dialogs ("" cancels).
class ScriptedDialogs : public DialogProvider {
 public:
  std::vector<std::string> shown;
  std::deque<std::string> answers;
  // Called with each notice's text while it shows, when set.
  std::function<void(const QString&)> onInform;

  void Inform(QWidget*, const QString& caption, const QString& text) override {
    Record("inform " + caption + ": " + text);
    if (onInform) onInform(text);
  }
  bool AskYesNo(QWidget*, const QString& caption, const QString& text) override {
    Record("yesno " + caption + ": " + text);
    return Next() == "Yes";
  }
  bool Confirm(QWidget*, const QString& text) override {
    Record("confirm: " + text);
    return Next() == "Yes";
  }
  bool WarnOkCancel(QWidget*, const QString& text) override {
    Record("warning: " + text);
    return Next() == "OK";
  }
  void ShowFailure(QWidget*, const QString& text) override { Record("failure " + kApplicationTitle + ": " + text); }
  std::optional<QString> PromptText(QWidget*, const QString& caption, const QString& prompt,
                                    const QString& defaultText) override {
    Record("prompt " + caption + ": " + prompt + " [" + defaultText + "]");
    std::string answer = Next();
    if (answer == "<cancel>") return std::nullopt;
    return QString::fromStdString(answer);
  }
  // A caption of the dialog's own is recorded after the filter and the name.
  std::optional<QString> ChooseOpenFile(QWidget*, const QString& filter, const QString& fileName,
                                        const QString& caption) override {
    return ChooseFile("open " + filter + " [" + fileName + "]" + (caption.isEmpty() ? "" : " " + caption));
  }
  std::optional<QString> ChooseSaveFile(QWidget*, const QString& filter, const QString& fileName) override {
    return ChooseFile("save " + filter + " [" + fileName + "]");
  }
  // The Variables dialog is handed to onVariables, which plays the user;
  // without it the dialog is closed.
  std::function<bool(TVariablesDialog&)> onVariables;
  bool ShowVariables(TVariablesDialog& dialog) override {
    Record("variables");
    return onVariables ? onVariables(dialog) : false;
  }

 private:
  void Record(const QString& entry) { shown.push_back(entry.toStdString()); }
  std::optional<QString> ChooseFile(const QString& entry) {
    Record(entry);
    std::string path = Next();
    if (path.empty()) return std::nullopt;
    return QString::fromStdString(path);
  }
  std::string Next() {
    if (answers.empty()) {
      QTest::qFail("a dialog was shown that the test did not expect", __FILE__, __LINE__);
      return "";
    }
    std::string answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

// A window with scripted dialogs.
struct ScriptedWindow {
  ScriptedDialogs* dialogs;
  std::unique_ptr<TSPSStoVRXform> window;

  ScriptedWindow() {
    auto scripted = std::make_unique<ScriptedDialogs>();
    dialogs = scripted.get();
    window = std::make_unique<TSPSStoVRXform>(std::move(scripted));
  }
  TSPSStoVRXform* operator->() { return window.get(); }
  std::vector<std::string> Lines(Pane pane) { return PaneLines(window->PaneOf(pane)); }
  void SetLines(Pane pane, const std::vector<std::string>& lines) { SetPaneLines(window->PaneOf(pane), lines); }
};

// A fresh temporary folder that is the working folder while the object lives.
class WorkFolder {
 public:
  WorkFolder() : previous_(QDir::currentPath()) { QDir::setCurrent(dir_.path()); }
  ~WorkFolder() { QDir::setCurrent(previous_); }
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;
  std::string Path(const std::string& name = "") const {
    return name.empty() ? dir_.path().toStdString() : dir_.path().toStdString() + "/" + name;
  }

 private:
  QString previous_;
  QTemporaryDir dir_;
};

// Drags the file at path onto target and drops it there, then lets the
// command it starts run; false when target refused the drag.
inline bool DropFile(QWidget* target, const std::string& path) {
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  enter.ignore();
  QApplication::sendEvent(target, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  drop.ignore();
  QApplication::sendEvent(target, &drop);
  QCoreApplication::processEvents();
  return drop.isAccepted();
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool Exists(const std::string& path) { return QFileInfo::exists(QString::fromStdString(path)); }

inline std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  for (const QString& name : QDir(QString::fromStdString(folder)).entryList(QDir::Files, QDir::Name))
    names.push_back(name.toStdString());
  return names;
}

}  // namespace s2v

// Lets QCOMPARE print the vectors of lines it compares.
namespace QTest {
template <>
inline char* toString(const std::vector<std::string>& lines) {
  std::string text = "{";
  for (const std::string& line : lines) text += "\n  [" + line + "]";
  return qstrdup((text + "\n}").c_str());
}
template <>
inline char* toString(const std::string& text) {
  return qstrdup(("[" + text + "]").c_str());
}
}  // namespace QTest
