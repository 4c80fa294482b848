// The category lines, and the category phase at the end of whole runs.
#include "spssinfo/category_file.h"

#include "run_fixture.h"

namespace s2v {
namespace {

// One variable as the project definition builds it from its line (a project
// has at least two variables).
VariableDefinition Defined(const std::string& line) {
  ProjectDefinition definition;
  std::string name = ExtractWord(1, line);
  UpperCaseInPlace(name);
  EXPECT_EQ(ParseProjectDefinition({"DATA", "2", line, "OTHER 1 2"}, "PROJ", {name, "OTHER"}, definition),
            std::nullopt);
  return definition.Variables.at(0);
}

std::string CategoryLines(const std::string& line, std::vector<ValueLabel> labels = {}) {
  SpssFileInfo info;
  info.Found = true;
  info.Labels = std::move(labels);
  StringSink sink;
  BufferedWriter out(sink);
  WriteCategoryLines(out, Defined(line), info);
  out.Flush();
  return sink.bytes;
}

TEST(WriteCategoryLinesTest, RangesAndSingleValues) {
  EXPECT_EQ(CategoryLines("SEX 1 2", {{1, "MALE"}, {2, "FEMALE"}}), "A 1 MALE\r\nA 2 FEMALE\r\n");
  EXPECT_EQ(CategoryLines("AGE 18 30 50 99"), "A 1 18 - 30\r\nA 2 31 - 50\r\nA 3 51 - 99\r\n");
  // A cut category of one value is named by its label, or written as its value.
  EXPECT_EQ(CategoryLines("X 1 2 3 9", {{3, "THREE"}}), "A 1 1 - 2\r\nA 2 THREE\r\nA 3 4 - 9\r\n");
  EXPECT_EQ(CategoryLines("X 1 2 3 9"), "A 1 1 - 2\r\nA 2 3\r\nA 3 4 - 9\r\n");
  EXPECT_EQ(CategoryLines("X 18 18 30", {{18, "EIGHTEEN"}}), "A 1 EIGHTEEN\r\nA 2 19 - 30\r\n");
  EXPECT_EQ(CategoryLines("X 5 3 9"), "A 1 3\r\nA 2 4 - 9\r\n");
  // A range form without labels, and a code with two labels: the first one only.
  EXPECT_EQ(CategoryLines("Q -1 1", {{0, "NONE"}, {0, "NIL"}}), "A 1 -1\r\nA 2 NONE\r\nA 3 1\r\n");
  EXPECT_EQ(CategoryLines("W -2147483648 0 2147483647"), "A 1 -2147483648 - 0\r\nA 2 1 - 2147483647\r\n");
}

TEST(WriteCategoryLinesTest, DecimalRangesRepeatEachInnerLimitInItsOwnFormat) {
  EXPECT_EQ(CategoryLines("INCOME 0 10.5 99.25"), "A 1 0 - 10.5\r\nA 2 10.5 - 99.25\r\n");
  // Trailing zeros are not significant; a label never names a decimal range.
  EXPECT_EQ(CategoryLines("R 0.50 1 2.125", {{1, "ONE"}}), "A 1 0.5 - 1\r\nA 2 1 - 2.125\r\n");
  EXPECT_EQ(CategoryLines("R -1.5 0 001.5"), "A 1 -1.5 - 0\r\nA 2 0 - 1.5\r\n");
}

using CategoryPhaseTest = RunTest;

constexpr const char* kDefinitionLines[] = {"SPSSDATA", "3", "SEX 1 2", "AGE 18 18 30", "INCOME 0 1000.5 5000"};
Lines Definition() { return Lines(std::begin(kDefinitionLines), std::end(kDefinitionLines)); }

constexpr const char* kLastRunLine = "DEF, DAT and VAR files are ready. The CAT file will be created.";
Lines ReportAfterFiles(const Lines& report) {
  auto last = std::find(report.begin(), report.end(), kLastRunLine);
  return last == report.end() ? Lines{"(the run did not get this far)"} : Lines(last + 1, report.end());
}

constexpr const char* kProjectTextHead = "Variables transferred from SPSSDATA:\r\n\r\n";

TEST_F(CategoryPhaseTest, Version13ExportGivesTheVariableListAndLabelledCategories) {
  // A lower-case title; INCOME has no values; the export ends inside the
  // values of SEX. AGE has no information row, so its first values row is
  // taken for one.
  const std::string exportText =
      "File Information\r\n"
      "variable information\r\n"
      "| Variable | Position | Label | Measurement Level |\r\n"
      "| ----- | ----- | ----- | ----- |\r\n"
      "| ID | 1 | Respondent number | Scale |\r\n"
      "| SEX | 2 | Sex of respondent | Nominal |\r\n"
      "| INCOME | 4 | Monthly income | Scale |\r\n"
      "\r\n"
      "Variable Values\r\n"
      "| Value | Label |\r\n"
      "| AGE | 18 | Just eighteen |\r\n"
      "| ----- | ----- | ----- |\r\n"
      "| SEX | 1 | Male |\r\n"
      "|     | 2 | Female person |";
  WriteInput("SPSSDATA.DAT", kSpssData);
  WriteInput("SPSSDATA.TXT", exportText);
  ASSERT_EQ(Run(Definition()), RunOutcome::Completed);
  EXPECT_EQ(ReportAfterFiles(tk.report), (Lines{"SPSS File Info version 13 or later", "", "SPSS version 13 or later",
                                                "", "No category labels for INCOME"}));
  EXPECT_EQ(Read("PROJ.TXT"), std::string(kProjectTextHead) +
                                  "         SEX = SEX OF RESPONDENT\r\n"
                                  "         AGE = JUST EIGHTEEN\r\n"
                                  "      INCOME = MONTHLY INCOME\r\n");
  EXPECT_EQ(Read("PROJ.CAT"),
            "A 1 MALE\r\nA 2 FEMALE_PERSON\r\n"
            "B 1 JUST_EIGHTEEN\r\nB 2 19 - 30\r\n"
            "C 1 0 - 1000.5\r\nC 2 1000.5 - 5000\r\n");
  EXPECT_EQ(tk.shown, Lines{"info: VORNEX files are ready"});
  EXPECT_EQ(Read("SPSSDATA.TXT"), exportText);
}

TEST_F(CategoryPhaseTest, AVariableMissingFromTheExportInEachLayout) {
  WriteInput("SPSSDATA.DAT", kSpssData);
  // Older layout: AGE has no block, so no category lines; SEX has two labels
  // for the code 1 and keeps the first.
  WriteInput("SPSSDATA.TXT",
             "SEX Sex 2\r\nPrint Format: F1\r\nWrite Format: F1\r\n\r\nValue Label\r\n\r\n1 Male\r\n1 Man\r\n\r\n"
             "INCOME Income 4\r\nPrint Format: F8\r\nWrite Format: F8\r\n\r\n\r\n");
  ASSERT_EQ(Run(Definition()), RunOutcome::Completed);
  EXPECT_EQ(ReportAfterFiles(tk.report),
            (Lines{"A-SEX start", "A found", "SEX - category codes and labels have been found.", "B-AGE start",
                   "B - AGE was not found", "C-INCOME start", "C found"}));
  EXPECT_EQ(Read("PROJ.TXT"), std::string(kProjectTextHead) +
                                  "A:        SEX    SEX 2\r\n"
                                  "C:     INCOME    INCOME 4\r\n");
  EXPECT_EQ(Read("PROJ.CAT"), "A 1 MALE\r\nA 2 2\r\nC 1 0 - 1000.5\r\nC 2 1000.5 - 5000\r\n");

  // Version 13: AGE still gets all its lines, its single value as a number.
  WriteInput("SPSSDATA.TXT",
             "Variable Information\r\n| SEX | 2 | Sex |\r\n"
             "Variable Values\r\n| SEX | 1 | Male |\r\n| ----- |\r\n");
  ASSERT_EQ(Run(Definition()), RunOutcome::Completed);
  EXPECT_EQ(ReportAfterFiles(tk.report), (Lines{"SPSS File Info version 13 or later", "", "SPSS version 13 or later",
                                                "", "No category labels for AGE", "No category labels for INCOME"}));
  EXPECT_EQ(Read("PROJ.TXT"), std::string(kProjectTextHead) + "         SEX = SEX\r\n");
  EXPECT_EQ(Read("PROJ.CAT"), "A 1 MALE\r\nA 2 2\r\nB 1 18\r\nB 2 19 - 30\r\nC 1 0 - 1000.5\r\nC 2 1000.5 - 5000\r\n");
}

TEST_F(CategoryPhaseTest, WithoutTheExportTheOldCategoryFileStays) {
  WriteInput("SPSSDATA.DAT", kSpssData);
  Write("PROJ.CAT", "old categories");
  Write("PROJ.SYS", "sys");
  Write("proj.tab", "tab");
  ASSERT_EQ(Run(Definition()), RunOutcome::Completed);
  EXPECT_EQ(ReportAfterFiles(tk.report), (Lines{"The old SYS file was deleted.", "The old TAB file was deleted.",
                                                "The file, SPSSDATA.TXT, with information on categories was not found.",
                                                "The CAT file will not be created"}));
  EXPECT_EQ(Read("PROJ.CAT"), "old categories");
  EXPECT_EQ(Read("PROJ.TXT"), kProjectTextHead);
  EXPECT_FALSE(fs::exists(At("PROJ.SYS")));
  EXPECT_FALSE(fs::exists(At("proj.tab")));
  EXPECT_EQ(tk.shown, Lines{"info: VORNEX files are ready"});
}

TEST_F(CategoryPhaseTest, AnExportWithoutTheVariablesStillReplacesTheCategoryFile) {
  WriteInput("SPSSDATA.DAT", kSpssData);
  Write("PROJ.CAT", "old categories");
  Write("PROJ.TAB", "tab");
  WriteInput("SPSSDATA.TXT", "");
  ASSERT_EQ(Run(Definition()), RunOutcome::Completed);
  EXPECT_EQ(ReportAfterFiles(tk.report),
            (Lines{"The old TAB file was deleted.", "A-SEX start", "A - SEX was not found", "B-AGE start",
                   "B - AGE was not found", "C-INCOME start", "C - INCOME was not found"}));
  EXPECT_EQ(Read("PROJ.CAT"), "");
}

TEST_F(CategoryPhaseTest, AnExportNameLongerThanTwentyCharactersIsNotFound) {
  WriteInput("SPSSDATA.DAT", "ID\tSATISFACTIONWITHWORKLIFE\r\n1\t4\r\n");
  WriteInput("SPSSDATA.TXT", "SATISFACTIONWITHWORKLIFE Satisfaction 2\r\nPrint\r\nWrite\r\n\r\n\r\n");
  ASSERT_EQ(Run({"SPSSDATA", "2", "id 1 2", "satisfactionwithworklife 1 5"}), RunOutcome::Completed);
  EXPECT_EQ(ReportAfterFiles(tk.report), (Lines{"A-ID start", "A - ID was not found", "B-SATISFACTIONWITHWORK start",
                                                "B - SATISFACTIONWITHWORK was not found"}));
  EXPECT_EQ(Read("PROJ.CAT"), "");
}

}  // namespace
}  // namespace s2v
