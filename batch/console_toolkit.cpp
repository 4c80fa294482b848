#include "batch/console_toolkit.h"

#include <cstdio>

namespace s2v {

namespace {

void PrintLine(std::FILE* stream, const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stream);
  std::fputc('\n', stream);
  std::fflush(stream);
}

}  // namespace

bool ConsoleToolkit::StopRequested() { return InterruptRequested(); }

void ConsoleToolkit::ShowInfo(const std::string& text) { PrintLine(stderr, text); }

bool ConsoleToolkit::AskYesNo(const std::string& text) {
  PrintLine(stderr, text);
  return false;
}

bool ConsoleToolkit::AskCaptionedYesNo(const std::string&, const std::string& text) {
  PrintLine(stderr, text);
  return false;
}

std::string ConsoleToolkit::PromptText(const std::string&, const std::string& prompt, const std::string& defaultText) {
  PrintLine(stderr, prompt);
  return defaultText;
}

std::optional<std::string> ConsoleToolkit::ChooseFileToOpen(const std::string&, const std::string&) {
  return std::nullopt;
}

void ConsoleToolkit::ClearPane(Pane pane) {
  if (pane == Pane::Spc)
    spc_ = SpcText();
  else
    report_.clear();
}

void ConsoleToolkit::AppendLine(Pane pane, const std::string& line) {
  if (pane == Pane::Spc) {
    spc_.Append(line);
    return;
  }
  report_.push_back(line);
  PrintLine(stdout, line);
}

int ConsoleToolkit::TransferChoice(TransferGroup group) {
  switch (group) {
    case TransferGroup::Mplus: return choices_.Mplus;
    case TransferGroup::Mim: return choices_.Mim;
    case TransferGroup::MLwin: return choices_.MLwin;
  }
  return 0;
}

}  // namespace s2v
