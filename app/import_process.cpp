#include "app/import_process.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <vector>

namespace s2v {
namespace {

constexpr qint64 kPatienceAfterStop = 2000;  // milliseconds

// A message is a letter, a blank and its text, with backslashes, line feeds
// and carriage returns escaped, ended by a line feed.
std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '\\' ? "\\\\" : c == '\n' ? "\\n" : c == '\r' ? "\\r" : std::string(1, c);
  return out;
}

std::string Unescaped(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char next = text[++i];
    out += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
  }
  return out;
}

// A signal to the child (the terminal's Ctrl+C, the session's end) stops the
// import at its next step, as the window's Stop does, so that its passing
// files go with it.
volatile std::sig_atomic_t stopSignalled = 0;
extern "C" void OnStopSignal(int) { stopSignalled = 1; }

void HandleStopSignals() {
  for (int signal : {SIGINT, SIGTERM}) std::signal(signal, OnStopSignal);
#ifdef SIGHUP
  std::signal(SIGHUP, OnStopSignal);
#endif
#ifdef SIGPIPE
  // A window gone is told by the end of its answers, not by a write's signal.
  std::signal(SIGPIPE, SIG_IGN);
#endif
}

void Send(char kind, const std::string& text = {}) {
  std::printf("%c %s\n", kind, Escaped(text).c_str());
  std::fflush(stdout);
}

// The window's answer to the last message; none once the window is gone.
std::optional<std::string> Answer() {
  std::string line;
  if (!std::getline(std::cin, line)) return std::nullopt;
  return line;
}

}  // namespace

int RunImportChild(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s %s FOLDER FILE\n", argv[0], kImportChildOption);
    return 64;
  }
  ImportProgress progress;
  progress.ReportLine = [](const std::string& line) { Send('R', line); };
  progress.CasesWritten = [](std::int64_t cases) { Send('C', std::to_string(cases)); };
  HandleStopSignals();
  progress.StopRequested = [] {
    if (stopSignalled) return true;
    Send('S');
    return Answer().value_or("s") != "c";
  };
  progress.PassingFile = [](const std::string& name) { Send('F', name); };
  auto confirm = [](const std::string& question) {
    Send('Q', question);
    return Answer().value_or("n") == "y";
  };
  try {
    const ImportResult result = ImportFile(WorkingFolder(argv[2]), argv[3], confirm, progress);
    Send(result.Done ? 'D' : result.Stopped ? 'X' : 'N', result.BaseName);
  } catch (const std::exception& failure) {
    Send('E', failure.what());
  }
  return 0;
}

ImportResult ImportInChildProcess(const QString& program, const WorkingFolder& folder, const std::string& fileName,
                                  const ConfirmReplace& confirmReplace, const ImportProgress& progress) {
  QProcess child;
  child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  child.start(program, {QString::fromLatin1(kImportChildOption), QFile::decodeName(folder.Path().c_str()),
                        QFile::decodeName(fileName.c_str())});
  if (!child.waitForStarted())
    throw std::runtime_error("The import could not be started: " + child.errorString().toStdString());

  ImportResult result;
  std::vector<std::string> passing;
  std::optional<std::string> failure;
  bool ended = false;
  auto answer = [&](const char* text) {
    child.write(text);
    child.waitForBytesWritten();
  };
  auto report = [&](const std::string& line) {
    result.ReportLines.push_back(line);
    if (progress.ReportLine) progress.ReportLine(line);
  };
  auto handle = [&](char kind, const std::string& text) {
    switch (kind) {
      case 'R': report(text); break;
      case 'C': {
        std::int64_t cases = 0;
        std::from_chars(text.data(), text.data() + text.size(), cases);
        if (progress.CasesWritten) progress.CasesWritten(cases);
        break;
      }
      case 'S': answer(progress.StopRequested && progress.StopRequested() ? "s\n" : "c\n"); break;
      case 'Q': answer(confirmReplace && confirmReplace(text) ? "y\n" : "n\n"); break;
      case 'F': passing.push_back(text); break;
      case 'E': failure = text; [[fallthrough]];
      case 'D':
      case 'X':
      case 'N':
        ended = true;
        result.BaseName = text;
        result.Done = kind == 'D';
        result.Stopped = kind == 'X';
        break;
      default: break;
    }
  };

  QByteArray pending;
  // A child that does not end within a while of the user asking it to (a
  // damaged file can keep the library busy between two steps) is ended.
  QElapsedTimer sinceStopAsked;
  for (bool running = true; running;) {
    running = child.state() != QProcess::NotRunning;
    if (running) child.waitForReadyRead(50);
    pending += child.readAllStandardOutput();
    for (qsizetype end; (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1)) {
      const QByteArray line = pending.left(end);
      if (line.size() >= 2) handle(line[0], Unescaped(line.mid(2).toStdString()));
    }
    QCoreApplication::processEvents();
    if (running && !ended && progress.StopRequested && progress.StopRequested()) {
      if (!sinceStopAsked.isValid())
        sinceStopAsked.start();
      else if (sinceStopAsked.elapsed() > kPatienceAfterStop)
        child.kill();
    }
  }

  if (!ended) {
    // The child ended before its last word, stopped by the user or brought
    // down: the files it had begun are removed.
    for (const std::string& name : passing) folder.Remove(name);
    result.Done = false;
    result.Stopped = sinceStopAsked.isValid();
    report(result.Stopped
               ? "Import stopped; nothing was written"
               : "The import of " + fileName + " ended abnormally: the file may be damaged; nothing was written");
    return result;
  }
  if (failure) throw std::runtime_error(*failure);
  return result;
}

}  // namespace s2v
