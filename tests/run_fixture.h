// A whole run in a temporary working folder, with the window seam scripted.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "run/run.h"
#include "scripted_toolkit.h"

namespace s2v {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

class RunTest : public ::testing::Test {
 protected:
  // The working folder lies in a folder of its own, beside a file that no run
  // may touch.
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("s2v-run-" + std::to_string(kProcessStamp) + "-" + TestName());
    folder_ = root_ / "work";
    fs::remove_all(root_);
    fs::create_directories(folder_);
    Write(root_ / kOutsideFile, kOutsideFile);
    folder = WorkingFolder(folder_.string());
    shell.ProjectName = "PROJ";
  }
  // Nothing is lost: every input is as it was, and nothing beside the working
  // folder was created or changed.
  void TearDown() override {
    for (const auto& [path, bytes] : inputs_) EXPECT_EQ(Read(path), bytes) << path << " changed";
    Lines beside;
    for (const auto& entry : fs::directory_iterator(root_)) beside.push_back(entry.path().filename().string());
    std::sort(beside.begin(), beside.end());
    EXPECT_EQ(beside, (Lines{kOutsideFile, "work"}));
    EXPECT_EQ(Read(root_ / kOutsideFile), kOutsideFile);
    fs::remove_all(root_);
  }

  // A path of the test: a relative one lies in the working folder.
  fs::path At(const fs::path& path) const { return path.is_absolute() ? path : folder_ / path; }

  // Writes a file that the run only reads; it must be unchanged at the end.
  void WriteInput(const fs::path& path, const std::string& bytes) {
    Write(path, bytes);
    inputs_[At(path)] = bytes;
  }

  // Tells this test program's folders from those of another one running.
  static inline const long long kProcessStamp = std::chrono::steady_clock::now().time_since_epoch().count();

  static std::string TestName() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string(info->test_suite_name()) + "-" + info->name();
  }
  void Write(const fs::path& path, const std::string& bytes) const {
    std::ofstream(At(path), std::ios::binary) << bytes;
  }
  std::string Read(const fs::path& path) const {
    std::ifstream in(At(path), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  RunOutcome Run(Lines spcLines) {
    tk.spc = std::move(spcLines);
    tk.report = {"The VORNEX project is " + shell.ProjectName};
    return ExecuteProgram(tk, shell, folder);
  }
  // Every file of the folder and its bytes.
  std::map<std::string, std::string> Contents() const {
    std::map<std::string, std::string> contents;
    for (const std::string& name : Files())
      contents[name] = fs::is_regular_file(At(name)) ? Read(name) : "(not a file)";
    return contents;
  }
  // The passing file under which a run writes the output name.
  fs::path PassingOf(const std::string& name) const {
    for (const std::string& file : Files())
      if (file.starts_with(name + ".") && file.size() == name.size() + 16 && file.ends_with(s2v::kPassingSuffix))
        return At(file);
    return At(name + ".none.s2v.part");
  }
  Lines Files() const {
    Lines names;
    for (const auto& entry : fs::directory_iterator(folder_)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  static constexpr const char* kSpssData =
      "ID\tSEX\tAGE\tINCOME\r\n"
      "1\t1\t23\t1500,5\r\n"
      "2\t2\t45\t\r\n"
      "3\t \t67\t9000\r\n";
  // Its File Info in the older layout. The last block needs two lines after
  // its write format to count as read.
  static constexpr const char* kOlderExport =
      "List of variables on the working file\r\n"
      "\r\n"
      "Name                                     Position\r\n"
      "\r\n"
      "ID       Respondent number                    1\r\n"
      "         Print Format: F4\r\n"
      "         Write Format: F4\r\n"
      "\r\n"
      "SEX      Sex of respondent                    2\r\n"
      "         Measurement Level: Nominal\r\n"
      "         Print Format: F1\r\n"
      "         Write Format: F1\r\n"
      "         Missing Values: 9\r\n"
      "\r\n"
      "           Value    Label\r\n"
      "\r\n"
      "               1    Male\r\n"
      "               2    Female\r\n"
      "\r\n"
      "AGE      Age in years                         3\r\n"
      "         Print Format: F2\r\n"
      "         Write Format: F2\r\n"
      "\r\n"
      "INCOME   Monthly income                       4\r\n"
      "         Print Format: F8.2\r\n"
      "         Write Format: F8.2\r\n"
      "\r\n"
      "\r\n";

  ScriptedToolkit tk;
  ShellState shell;
  // The run's working folder: the process's current folder is never used.
  WorkingFolder folder{"/nonexistent"};
  static constexpr const char* kOutsideFile = "outside.txt";
  fs::path root_;
  fs::path folder_;
  std::map<fs::path, std::string> inputs_;
};

}  // namespace s2v
