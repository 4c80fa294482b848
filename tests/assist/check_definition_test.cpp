// The checks of a definition's lines and names, which read only the export's
// first record.
#include "assist/check_definition.h"

#include <gtest/gtest.h>

#include <memory>

namespace s2v {
namespace {

using Lines = std::vector<std::string>;

ExportHead Head(Lines names = {"ID", "SEX", "AGE", "INCOME", "SATISFACTION_WITH_WO", "SATISFACTION_WITH_WO"}) {
  ExportHead head;
  head.DataFound = true;
  head.FileInfoFound = true;
  head.DatasetNames = std::move(names);
  return head;
}

// "line: kind: text" of every finding.
Lines Findings(const Lines& spc, const ExportHead& head = Head(), const std::string& project = "proj") {
  Lines found;
  for (const Finding& f : CheckDefinitionLines(spc, project, head).Findings)
    found.push_back(std::to_string(f.Line) + (f.Kind == FindingKind::Error ? ": error: " : ": warning: ") + f.Text());
  return found;
}

// "line: text" of every finding of the lines and of the values of the data
// (with its File Info export in the older layout), for the columns A to D.
Lines ValueFindings(const Lines& spc, const std::string& data, const std::string& fileInfo) {
  DefinitionCheck check = CheckDefinitionLines(spc, "proj", Head({"A", "B", "C", "D"}));
  MemorySource source(data);
  ExportOpener open = [&] { return std::make_unique<MemorySource>(fileInfo); };
  CheckDefinitionValues(check, source, &open);
  Lines found;
  for (const Finding& f : check.Findings) found.push_back(std::to_string(f.Line) + ": " + f.Text());
  return found;
}

TEST(CheckDefinition, TheRunsOwnErrorsAllAtOnce) {
  struct Case {
    Lines spc;
    Lines findings;
  } cases[] = {
      {{"survey", "2", "sex 1 2", "age 18 30 90"}, {}},
      {{"survey", "2", "sex 1 2", "aeg 18 30 90"}, {"4: error: AEG not found; did you mean AGE?"}},
      {{"survey", "3", "sxe 1 2", "age 18 30", "weight 1 x"},
       {"3: error: SXE not found; did you mean SEX?", "5: error: Improper variable definition here: WEIGHT 1 X"}},
      {{"survey", "2", "nothing 1 2", "income 1.5 9"},
       {"3: error: NOTHING not found", "4: error: Improper variable definition here:INCOME 1.5 9"}},
      {{"survey", "3", "sex 1 2", "age 1"},
       {"2: error: Too few variables on proj.SPC: 3; line 2 says 3 variables, 2 variable lines follow",
        "4: error: Not enough information to define a variable here: AGE 1"}},
      // A block marker is not a variable line.
      {{"survey", "3", "sex 1 2", "<-", "age 18 30 90"},
       {"2: error: Too few variables on proj.SPC: 4; line 2 says 3 variables, 2 variable lines follow"}},
      {{"survey", "x", "sex 1 2", "agee 1 5"},
       {"2: error: NVAR is not a number: x", "4: error: AGEE not found; did you mean AGE?"}},
      {{"survey", "60"}, {"2: error: Improper number of variables: 60"}},
      {{}, {"1: error: Invalid file names", "2: error: NVAR is not a number: "}},
      // Names that the run refuses on line 1.
      {{"sur#vey", "2", "sex 1 2", "age 1 5"}, {"1: error: Invalid file names"}},
      {{"survey da+ta", "2", "sex 1 2", "age 1 5"}, {"1: error: Invalid filename : da+ta.DAT"}},
      {{"survey Survey", "2", "sex 1 2", "age 1 5"},
       {"1: error: The VORNEX data file Survey.DAT would replace the SPSS data file"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Findings(c.spc), c.findings) << testing::PrintToString(c.spc);

  EXPECT_EQ(Findings({"survey mydata", "2", "sex 1 2", "age 1 5"}, Head(), "SURVEY"),
            (Lines{"1: error: The project text file SURVEY.TXT would replace the SPSS File Info file"}));
}

TEST(CheckDefinition, TheExportFiles) {
  ExportHead noData;
  EXPECT_EQ(Findings({"survey", "2", "sex 1 2", "age 1 5"}, noData),
            (Lines{"1: error: survey.DAT does not exist here."}));
  ExportHead noFileInfo = Head();
  noFileInfo.FileInfoFound = false;
  EXPECT_EQ(Findings({"survey", "2", "sex 1 2", "age 1 5"}, noFileInfo),
            (Lines{"1: warning: The file, survey.TXT, with information on categories was not found."}));
}

TEST(CheckDefinition, WarningsOfWhatTheRunAccepts) {
  struct Case {
    Lines spc;
    Lines findings;
  } cases[] = {
      {{"survey", "2", "sex 1 2", "age 18 60 30 90"},
       {"4: warning: AGE: the bounds do not increase (60 then 30), so no value can fall in category 2 (61 - 30)"}},
      {{"survey", "2", "sex 1 2", "income 0 10.5 10.5 99.25"},
       {"4: warning: INCOME: the bounds do not increase (10.5 then 10.5), so no value can fall in category 2 "
        "(10.5 - 10.5)"}},
      // Equal first bounds make a category of a single value, which is sound.
      {{"survey", "2", "sex 1 2", "age 18 18 30"}, {}},
      {{"survey", "3", "sex 1 2", "age 1 5", "Sex 1 3"}, {"5: warning: SEX is defined twice: first on line 3"}},
      {{"survey", "2", "sex 1 2", "satisfaction_with_work_2020 1 5"},
       {"4: warning: SATISFACTION_WITH_WO: the names of columns 5 and 6 agree in their first 20 characters; the run "
        "takes column 5"}},
      {{"survey", "2", "sex\t1\t2", "age 1 5", "tabs\tafter the end are free text"},
       {"3: error: Not enough information to define a variable here: SEX\t1\t2",
        "3: warning: a tab is not a separator: \"sex<tab>1<tab>2\" is read as one word"}},
      {{"survey", "2", "sex 1 2", "age 1 5", "", "income 0 500 1000", "<-", "id 1 10 <-", "etc."},
       {"6: warning: line 2 gives 2 variables, so the run ignores this variable line",
        "8: warning: line 2 gives 2 variables, so the run ignores this variable line"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Findings(c.spc), c.findings) << testing::PrintToString(c.spc);
}

// A front end tells findings apart by their codes, never by their texts.
TEST(CheckDefinition, EachFindingSaysWhatItIsAbout) {
  using enum FindingCode;
  ExportHead noFileInfo = Head();
  noFileInfo.FileInfoFound = false;
  struct Case {
    Lines spc;
    std::vector<FindingCode> codes;
    ExportHead head = Head();
  } cases[] = {
      {{"survey", "2", "sex 1 2", "age 18 60 30 90"}, {BoundsNotIncreasing}},
      {{"survey", "3", "sex 1 2", "age 1 5", "Sex 1 3"}, {DefinedTwice}},
      {{"survey", "2", "sex 1 2", "satisfaction_with_work_2020 1 5"}, {SameFirstCharacters}},
      {{"survey", "2", "sex\t1\t2", "age 1 5"}, {RunStop, TabInLine}},
      {{"survey", "2", "sex 1 2", "age 1 5", "income 0 500 1000"}, {IgnoredVariableLine}},
      {{"survey", "2", "sex 1 2", "agee 1 5"}, {NameNotFound}},
      {{"survey", "2", "sex 1 2", "age 1 5"}, {NoFileInfo}, noFileInfo},
      {{"survey", "3", "sex 1 2", "age 1 5"}, {RunStop}},
  };
  for (const Case& c : cases) {
    std::vector<FindingCode> codes;
    for (const Finding& f : CheckDefinitionLines(c.spc, "proj", c.head).Findings) codes.push_back(f.Code);
    EXPECT_EQ(codes, c.codes) << testing::PrintToString(c.spc);
  }
}

TEST(CheckDefinition, ValuesOutsideTheEndsAndCategoriesWithoutCases) {
  const std::string data =
      "a\tb\tc\td\r\n"
      "1\t5\t25\t1\r\n"
      "2\t45\t70\t2\r\n"
      "2,5\t\t99\t-999\r\n"
      "5\tx\t\t9\r\n"
      "7\t45\t\t\r\n"
      "0\r\n";
  const std::string fileInfo =
      "C  label  3\r\n  Print Format: F2\r\n  Write Format: F2\r\n  Missing Values: 99\r\n\r\n\r\n";
  const Lines found =
      ValueFindings({"data", "4", "a 1 2 3 5", "b 0 10 20 30 40 50", "c 18 60 30 90", "d 1 3"}, data, fileInfo);
  EXPECT_EQ(found, (Lines{
                       "3: A: 2 of 6 valid values (33.3%) lie outside 1 to 5",
                       "4: B: no case falls in categories 2 (11 - 20), 3 (21 - 30) and 4 (31 - 40)",
                       // 99 is declared missing; the second category is empty by its bounds.
                       "5: C: the bounds do not increase (60 then 30), so no value can fall in category 2 (61 - 30)",
                       // -999 is missing to VORNEX.
                       "6: D: 1 of 3 valid values (33.3%) lie outside 1 to 3",
                       "6: D: no case falls in category 3 (3)",
                   }));
}

// An export of value labels in place of codes: the check and the description
// both say so, of a variable with labels and a number's format only.
TEST(CheckDefinition, DataThatHoldValueLabelsInPlaceOfCodes) {
  const std::string data = "a\tb\tc\r\nMale\tMale\tx\r\nFemale\tFemale\t1\r\n1\t2\tx\r\n";
  const std::string fileInfo =
      "Variable Information\n|-|-|\n|Variable|Print Format|\n|a|F1|\n|b|A6|\n|c|F1|\n"
      "Variable Values\n|-|-|-|\n|Value||Label|\n|a|1|Male|\n| |2|Female|\n|b|M|Male|\n|c|1|One|\n";
  EXPECT_EQ(
      ValueFindings({"data", "3", "a 1 2", "b 1 2", "c 1 2"}, data, fileInfo),
      (Lines{"3: A holds value labels, not codes: export the data with values", "3: A: no case falls in category 2 (2)",
             "4: B: no case falls in category 1 (1)", "5: C holds value labels, not codes: export the data with values",
             "5: C: no case falls in category 2 (2)"}));
}

// Once every category of a variable has had a value, the values are still
// counted: those outside the ends, and not -999 or a declared missing value
// within them.
TEST(CheckDefinition, ValuesAfterEveryCategoryHasHadOne) {
  const std::string data =
      "a\tb\tc\td\r\n"
      "1\t1\t-500\t2\r\n"
      "3\t7\t500\t15\r\n"
      "5\t9\t-999\t30\r\n"
      "0\t9\t-999\t3\r\n"
      "2\t11\t2000\t20\r\n";
  const std::string fileInfo =
      "B  label  2\r\n  Print Format: F2\r\n  Write Format: F2\r\n  Missing Values: 9\r\n\r\n\r\n";
  const Lines found =
      ValueFindings({"data", "4", "a 1 2 3", "b 0 5 10", "c -1000 0 1000", "d 1 5 10 20"}, data, fileInfo);
  EXPECT_EQ(found, (Lines{
                       "3: A: 2 of 5 valid values (40.0%) lie outside 1 to 3",
                       "4: B: 1 of 3 valid values (33.3%) lie outside 0 to 10",
                       "5: C: 1 of 3 valid values (33.3%) lie outside -1000 to 1000",
                       "6: D: 1 of 5 valid values (20.0%) lie outside 1 to 20",
                       "6: D: no case falls in category 2 (6 - 10)",
                   }));
}

TEST(CheckDefinition, NearestName) {
  const Lines names = {"AGE", "INCOME", "", "Q1", "Q2", "WEIGHT", "HEIGHT"};
  struct Case {
    const char* name;
    const char* nearest;
  } cases[] = {
      {"AEG", "AGE"},       {"INCOM", "INCOME"}, {"INCOMES", "INCOME"}, {"IMCOME", "INCOME"}, {"Q3", "Q1"},
      {"WIEGHT", "WEIGHT"}, {"XYZ", ""},         {"HEIGTH", "HEIGHT"},  {"EIGHT", "WEIGHT"},  {"SALARY", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(NearestName(c.name, names), c.nearest) << c.name;
}

}  // namespace
}  // namespace s2v
