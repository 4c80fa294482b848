// Inputs at and beyond the limits that no check refuses, and degenerate files:
// each run ends in a report line or a complete project, never a crash.
#include <random>

#include "run/data_copy.h"
#include "run_fixture.h"

namespace s2v {
namespace {

using LimitsTest = RunTest;

const Lines kProject = {"SPSSDATA", "2", "SEX 1 2", "AGE 18 30 99"};

std::string Repeated(const std::string& item, int count, const std::string& separator) {
  std::string text;
  for (int i = 1; i <= count; ++i) text += (i > 1 ? separator : "") + item + std::to_string(i);
  return text;
}

TEST_F(LimitsTest, DefinitionsBeyondTheLimitsAreRefused) {
  WriteInput("SPSSDATA.DAT", kSpssData);
  EXPECT_EQ(Run({"SPSSDATA", "60", "SEX 1 2"}), RunOutcome::Stopped);
  EXPECT_EQ(tk.report[tk.report.size() - 2], "Improper number of variables: 60");

  std::string manyBounds = "AGE " + Repeated("", 200, " ");
  EXPECT_EQ(Run({"SPSSDATA", "2", "SEX 1 2", manyBounds}), RunOutcome::Stopped);
  EXPECT_EQ(tk.report[tk.report.size() - 2], "Improper variable definition here: " + manyBounds);
  EXPECT_FALSE(fs::exists(At("PROJ.VAR")));

  // A name of 100,000 letters passes the name check and is not found.
  tk.answers = {"No"};
  EXPECT_EQ(Run({std::string(100000, 'S'), "2"}), RunOutcome::Stopped);
  EXPECT_EQ(tk.shown.back(), "ask: " + std::string(100000, 'S') + ".DAT does not exist here. Do you want to find it?");
}

TEST_F(LimitsTest, LongLinesAndWideHeadersAreReadUpToTheirLimits) {
  // 100,000 names; a value as long as a number can be, and one longer; a
  // File Info line longer than any line of the format, kept up to its limit.
  std::string header = "SEX\tAGE\t" + Repeated("V", 100000 - 2, "\t");
  const std::string longest(kMaxNumberField, '7');
  WriteInput("SPSSDATA.DAT", header + "\r\n1\t" + longest + "\r\n2\t" + longest + "7\r\n");
  std::string exportText = "SEX " + std::string(100000, 'x') + "\r\nPrint\r\nWrite\r\n\r\nValue Label\r\n\r\n" +
                           Repeated("", 10000, " Label\r\n") + " Label\r\n\r\n";
  WriteInput("SPSSDATA.TXT", exportText);
  ASSERT_EQ(Run(kProject), RunOutcome::Completed);
  EXPECT_NE(std::find(tk.report.begin(), tk.report.end(), "The dataset contains 2 cases with 100000 variables"),
            tk.report.end());
  EXPECT_EQ(Read("PROJ.DEF").substr(0, 8), "100000\r\n");
  std::string data = Read("PROJ.DAT");
  EXPECT_EQ(data.substr(0, 2), "1 ");
  EXPECT_NE(data.find("1 " + longest + " "), std::string::npos);
  EXPECT_NE(data.find("2 -999 "), std::string::npos);
  // AGE has no block in this export, so no category lines.
  EXPECT_EQ(Read("PROJ.CAT"), "A 1 LABEL\r\nA 2 LABEL\r\n");
  EXPECT_EQ(Read("PROJ.TXT"), "Variables transferred from SPSSDATA:\r\n\r\nA:        SEX    " +
                                  std::string(LineReader::kMaxLineLength - 4, 'X') + "\r\n");
}

TEST_F(LimitsTest, EmptyAndEndOfTextFilesOfEveryKind) {
  for (const std::string& bytes : {std::string(), std::string("\x1a"), std::string("\x1a\x1a\r\n")}) {
    SCOPED_TRACE(testing::PrintToString(bytes));
    WriteInput("SPSSDATA.DAT", bytes);
    EXPECT_EQ(Run(kProject), RunOutcome::Stopped);
    EXPECT_EQ(Lines(tk.report.end() - 3, tk.report.end()), (Lines{"", "AGE not found", ""}));
    EXPECT_EQ(Read("PROJ.DAT"), "");

    WriteInput("SPSSDATA.DAT", kSpssData);
    WriteInput("SPSSDATA.TXT", bytes);
    ASSERT_EQ(Run(kProject), RunOutcome::Completed);
    EXPECT_EQ(Read("PROJ.CAT"), "");
    EXPECT_EQ(Run({}), RunOutcome::Stopped);
    EXPECT_EQ(Run({std::string(bytes)}), RunOutcome::Stopped);
  }
}

TEST_F(LimitsTest, ABinaryFileGivenAsTheExportOrTheData) {
  std::mt19937 random(7);
  std::string binary(1 << 16, '\0');
  for (char& c : binary) c = static_cast<char>(random());
  binary.erase(std::remove(binary.begin(), binary.end(), '\x1a'), binary.end());
  WriteInput("SPSSDATA.DAT", kSpssData);
  WriteInput("SPSSDATA.TXT", binary);
  ASSERT_EQ(Run(kProject), RunOutcome::Completed);
  EXPECT_EQ(tk.shown.back(), "info: VORNEX files are ready");

  WriteInput("SPSSDATA.DAT", binary);
  EXPECT_EQ(Run(kProject), RunOutcome::Stopped);
}

}  // namespace
}  // namespace s2v
