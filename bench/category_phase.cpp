// category_phase: times the category phase (File Info reader and category
// file) for a project of 58 variables on a synthetic File Info export.
//
// Usage: category_phase [--vars M] [--layout older|v13] [--runs R] [--export FILE]
//
// The export describes the variables V1..VM of the benchmark data set (see
// generate_export.cpp): every tenth variable, starting with V1, is a Likert
// item with five labelled values and a missing code; the others are
// measurements without labels. The 58 project variables are spread evenly
// over the dictionary, the last one being VM, so every lookup reads deep into
// the export. With --export the export is only written to FILE.

#include "run/category_phase.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "model/project_definition.h"
#include "model/toolkit.h"
#include "support/working_folder.h"

namespace {

namespace fs = std::filesystem;

class SilentToolkit : public s2v::Toolkit {
 public:
  void ShowInfo(const std::string&) override {}
  bool AskYesNo(const std::string&) override { return false; }
  bool AskCaptionedYesNo(const std::string&, const std::string&) override { return false; }
  std::string PromptText(const std::string&, const std::string&, const std::string& text) override { return text; }
  std::optional<std::string> ChooseFileToOpen(const std::string&, const std::string&) override { return {}; }
  void ProposeSaveFileName(const std::string&) override {}
  void ClearPane(s2v::Pane) override {}
  void AppendLine(s2v::Pane, const std::string&) override { ++lines; }
  std::size_t LineCount(s2v::Pane) override { return 0; }
  std::string Line(s2v::Pane, std::size_t) override { return {}; }
  void SetCaseText(const std::string&) override {}
  int TransferChoice(s2v::TransferGroup) override { return 0; }
  void SetProgress(std::uint64_t, std::uint64_t) override {}
  void ProcessPendingMessages() override {}
  bool StopRequested() override { return false; }
  std::size_t lines = 0;
};

const char* const kLikert[] = {"Strongly disagree", "Disagree", "Neither agree nor disagree", "Agree",
                               "Strongly agree"};

bool IsLikert(int j) { return (j - 1) % 10 == 0; }

std::string OlderExport(int vars) {
  std::string text =
      "List of variables on the working file\r\n\r\nName                                     Position\r\n\r\n";
  for (int j = 1; j <= vars; ++j) {
    std::string name = "V" + std::to_string(j);
    name.resize(std::max<std::size_t>(name.size(), 9), ' ');
    text += name + "Question " + std::to_string(j) + " of the benchmark survey    " + std::to_string(j) + "\r\n";
    text += IsLikert(j) ? "         Measurement Level: Ordinal\r\n" : "         Measurement Level: Scale\r\n";
    text += "         Print Format: F8.2\r\n         Write Format: F8.2\r\n";
    if (IsLikert(j)) {
      text += "         Missing Values: 9\r\n\r\n           Value    Label\r\n\r\n";
      for (int v = 1; v <= 5; ++v) text += "               " + std::to_string(v) + "    " + kLikert[v - 1] + "\r\n";
      text += "               9    No answer\r\n";
    }
    text += "\r\n";
  }
  return text + "\r\n";
}

std::string Version13Export(int vars) {
  std::string text =
      "File Information\r\n\r\nVariable Information\r\n"
      "| Variable | Position | Label | Measurement Level | Print Format | Write Format | Missing Values |\r\n"
      "| -------- | -------- | ----- | ----------------- | ------------ | ------------ | -------------- |\r\n";
  for (int j = 1; j <= vars; ++j)
    text += "| V" + std::to_string(j) + " | " + std::to_string(j) + " | Question " + std::to_string(j) +
            " of the benchmark survey | " +
            (IsLikert(j) ? "Ordinal | F1 | F1 | 9 |\r\n" : "Scale | F8.2 | F8.2 | |\r\n");
  text += "Variables in the working file\r\n\r\nVariable Values\r\n| Value | | Label |\r\n";
  for (int j = 1; j <= vars; j += 10) {
    for (int v = 1; v <= 5; ++v)
      text += (v == 1 ? "| V" + std::to_string(j) : std::string("|    ")) + " | " + std::to_string(v) + " | " +
              kLikert[v - 1] + " |\r\n";
    text += "|    | 9 | No answer |\r\n| -------- | ----- | ------------------ |\r\n";
  }
  return text;
}

// 58 project variables spread over V1..VM (repeated when M is smaller).
std::vector<std::string> ProjectLines(int vars) {
  std::vector<std::string> lines = {"BENCH", "58"};
  for (int k = 1; k <= 58; ++k) {
    int j = vars >= 58 ? (k * vars + 57) / 58 : (k - 1) % vars + 1;
    if (k == 1) j = 1;
    lines.push_back("V" + std::to_string(j) + (IsLikert(j) ? " 1 5" : " 0 10 100 1000 100000000"));
  }
  return lines;
}

int Usage() {
  std::cerr << "usage: category_phase [--vars M] [--layout older|v13] [--runs R] [--export FILE]\n";
  return 64;
}

}  // namespace

int main(int argc, char** argv) {
  int vars = 5000, runs = 5;
  std::string layout = "older", exportFile;
  for (int i = 1; i < argc; ++i) {
    std::string option = argv[i];
    if (i + 1 >= argc) return Usage();
    std::string value = argv[++i];
    if (option == "--vars")
      vars = std::atoi(value.c_str());
    else if (option == "--layout")
      layout = value;
    else if (option == "--runs")
      runs = std::atoi(value.c_str());
    else if (option == "--export")
      exportFile = value;
    else
      return Usage();
  }
  if (vars < 1 || runs < 1 || (layout != "older" && layout != "v13")) return Usage();
  const std::string exportText = layout == "older" ? OlderExport(vars) : Version13Export(vars);
  if (!exportFile.empty()) {
    std::ofstream(exportFile, std::ios::binary) << exportText;
    return 0;
  }

  fs::path folder = fs::temp_directory_path() / ("s2v-category-bench-" + std::to_string(getpid()));
  fs::create_directories(folder);
  std::ofstream(folder / "BENCH.TXT", std::ios::binary) << exportText;
  const s2v::WorkingFolder work(folder.string());

  std::vector<std::string> names;
  for (int j = 1; j <= vars; ++j) names.push_back("V" + std::to_string(j));
  s2v::ProjectDefinition definition;
  if (auto error = s2v::ParseProjectDefinition(ProjectLines(vars), "BENCHPROJ", names, definition)) {
    std::cerr << *error << "\n";
    return 1;
  }

  double best = 1e9;
  SilentToolkit toolkit;
  for (int run = 0; run < runs; ++run) {
    auto start = std::chrono::steady_clock::now();
    s2v::TextFileWriter projectText(work, "BENCHPROJ.TXT");
    s2v::WriteCategoryFilePhase(
        {toolkit, work, "BENCHPROJ", "BENCH", definition.Variables, projectText, s2v::CodePage::Windows1252()});
    std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    best = std::min(best, seconds.count());
  }
  std::printf("%s layout, %d variables in the export (%zu bytes), 58 project variables: best of %d %.4f s\n",
              layout.c_str(), vars, exportText.size(), runs, best);
  fs::remove_all(folder);
  return 0;
}
