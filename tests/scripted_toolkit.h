// A Toolkit for tests: records what was shown and answers questions, prompts
// and dialogs from a queue.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "model/toolkit.h"

namespace s2v {

class ScriptedToolkit : public Toolkit {
 public:
  std::vector<std::string> spc;
  std::vector<std::string> report;
  std::vector<std::string> shown;   // notices, questions and dialogs, in order
  std::deque<std::string> answers;  // "Yes"/"No", prompt texts, chosen paths ("" cancels)
  std::string caseText;
  std::string proposedSaveName;
  int choices[3] = {0, 0, 0};
  int pendingMessageCalls = 0;
  std::pair<std::uint64_t, std::uint64_t> progress{0, 0};  // the last given
  // Called with each report line as it is added: lets a test change the files
  // between two steps of a run.
  std::function<void(const std::string&)> onReport;
  // Asked after each case of the copy and the transfers: true ends the run
  // there, as a signal or the window closing does.
  std::function<bool()> stopWhen;

  void ShowInfo(const std::string& text) override { shown.push_back("info: " + text); }
  bool AskYesNo(const std::string& text) override {
    shown.push_back("ask: " + text);
    return Next() == "Yes";
  }
  bool AskCaptionedYesNo(const std::string& caption, const std::string& text) override {
    shown.push_back("ask " + caption + ": " + text);
    return Next() == "Yes";
  }
  std::string PromptText(const std::string& caption, const std::string& prompt, const std::string&) override {
    shown.push_back("prompt " + caption + ": " + prompt);
    return Next();
  }
  std::optional<std::string> ChooseFileToOpen(const std::string& filter, const std::string& fileName) override {
    shown.push_back("open " + filter + " [" + fileName + "]");
    std::string path = Next();
    if (path.empty()) return std::nullopt;
    return path;
  }
  void ProposeSaveFileName(const std::string& fileName) override { proposedSaveName = fileName; }
  void ClearPane(Pane pane) override { Lines(pane).clear(); }
  void AppendLine(Pane pane, const std::string& line) override {
    Lines(pane).push_back(line);
    if (pane == Pane::Report && onReport) onReport(line);
  }
  std::size_t LineCount(Pane pane) override { return Lines(pane).size(); }
  std::string Line(Pane pane, std::size_t i) override { return Lines(pane).at(i); }
  void SetCaseText(const std::string& text) override { caseText = text; }
  int TransferChoice(TransferGroup group) override { return choices[static_cast<int>(group)]; }
  void SetProgress(std::uint64_t done, std::uint64_t total) override { progress = {done, total}; }
  void ProcessPendingMessages() override { ++pendingMessageCalls; }
  bool StopRequested() override { return stopWhen && stopWhen(); }

 private:
  std::vector<std::string>& Lines(Pane pane) { return pane == Pane::Spc ? spc : report; }
  std::string Next() {
    if (answers.empty()) {
      ADD_FAILURE() << "no scripted answer left";
      return "";
    }
    std::string answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

}  // namespace s2v
