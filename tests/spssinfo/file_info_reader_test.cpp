// The File Info reader on exports held in memory.
#include "spssinfo/file_info_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace s2v {
namespace {

using Lines = std::vector<std::string>;

VariableDefinition Variable(char letter, const std::string& name) {
  VariableDefinition v;
  v.Letter = letter;
  v.Name = name;
  return v;
}

std::string Joined(const Lines& lines, const std::string& lineEnd = "\r\n") {
  std::string text;
  for (const std::string& line : lines) text += line + lineEnd;
  return text;
}

// One older-layout lookup: its labels, report lines and project text.
struct OlderLookup {
  SpssFileInfo info;
  Lines report;
  std::string projectText;
};

OlderLookup LookUpOlder(const std::string& exportText, const VariableDefinition& variable) {
  OlderLookup result;
  MemorySource file(exportText);
  StringSink sink;
  BufferedWriter projectText(sink);
  result.info = LookUpVariableOlder(
      file, variable, [&](const std::string& line) { result.report.push_back(line); }, projectText);
  projectText.Flush();
  result.projectText = sink.bytes;
  return result;
}

SpssFileInfo LookUpV13(const std::string& exportText, const VariableDefinition& variable, Lines* report = nullptr) {
  MemorySource file(exportText);
  return LookUpValueLabelsV13(file, variable, [&](const std::string& line) {
    if (report) report->push_back(line);
  });
}

std::string VariableListV13(const std::string& exportText, const std::vector<VariableDefinition>& variables) {
  StringSink sink;
  BufferedWriter projectText(sink);
  WriteVariableListV13([&] { return std::make_unique<MemorySource>(exportText); }, variables, projectText);
  projectText.Flush();
  return sink.bytes;
}

Lines Labels(const SpssFileInfo& info) {
  Lines labels;
  for (const ValueLabel& label : info.Labels) labels.push_back(std::to_string(label.Code) + " " + label.Text);
  return labels;
}

const Lines kSexBlock = {
    "SEX      Sex of respondent                  2",
    "         Measurement Level: Nominal",
    "         Print Format: F1",
    "         Write Format: F1",
    "         Missing Values: 9",
    "",
    "           Value    Label",
    "",
    "               1    Male",
    "               2    Female",
    "",
};

TEST(ValueCodeTest, NumbersRoundHalfToEvenAndOtherWordsGiveTheirLeadingDigits) {
  EXPECT_EQ(ValueCode("2"), 2);
  EXPECT_EQ(ValueCode("2.5"), 2);
  EXPECT_EQ(ValueCode("3.5"), 4);
  EXPECT_EQ(ValueCode("1.5"), 2);
  EXPECT_EQ(ValueCode("-2.5"), -2);
  EXPECT_EQ(ValueCode("+7"), 7);
  EXPECT_EQ(ValueCode(".5"), 0);
  EXPECT_EQ(ValueCode("5."), 5);
  EXPECT_EQ(ValueCode("99999999999"), 2147483647);
  EXPECT_EQ(ValueCode("-99999999999"), -2147483648);
  EXPECT_EQ(ValueCode("12A"), 12);
  EXPECT_EQ(ValueCode("-3X"), 3);
  EXPECT_EQ(ValueCode("1.5X"), 15);
  EXPECT_EQ(ValueCode("|"), 0);
  EXPECT_EQ(ValueCode(""), 0);
  EXPECT_EQ(ValueCode("1E400"), 1);
}

TEST(DetectFileInfoLayoutTest, OnlyTheTwoWordTitleInAnyCaseSelectsVersion13) {
  auto layout = [](const std::string& text) {
    MemorySource file(text);
    return DetectFileInfoLayout(file);
  };
  EXPECT_EQ(layout("File Info\r\nVariable Information\r\n"), FileInfoLayout::Version13);
  EXPECT_EQ(layout("variable   information"), FileInfoLayout::Version13);
  EXPECT_EQ(layout("Variable Information table\r\n"), FileInfoLayout::Older);
  EXPECT_EQ(layout("Variable\tInformation\r\n"), FileInfoLayout::Older);
  EXPECT_EQ(layout(Joined(kSexBlock)), FileInfoLayout::Older);
  EXPECT_EQ(layout(""), FileInfoLayout::Older);
}

TEST(LookUpVariableOlderTest, ReadsTheBlockItsLineAndItsLabels) {
  OlderLookup sex =
      LookUpOlder(Joined(Lines{"ID   Number   1", "   Print Format: F4"}) + Joined(kSexBlock), Variable('A', "SEX"));
  EXPECT_TRUE(sex.info.Found);
  EXPECT_EQ(Labels(sex.info), (Lines{"1 MALE", "2 FEMALE"}));
  EXPECT_EQ(sex.report, (Lines{"A-SEX start", "A found", "SEX - category codes and labels have been found."}));
  EXPECT_EQ(sex.projectText, "A:        SEX    SEX OF RESPONDENT 2\r\n");

  // Lines ended by LF or CR alone read the same.
  for (const char* lineEnd : {"\n", "\r"}) {
    OlderLookup other = LookUpOlder(Joined(kSexBlock, lineEnd), Variable('A', "SEX"));
    EXPECT_EQ(Labels(other.info), (Lines{"1 MALE", "2 FEMALE"}));
    EXPECT_EQ(other.report, sex.report);
  }

  // Without the missing values line the blank line is passed over the same way.
  Lines noMissing = kSexBlock;
  noMissing.erase(noMissing.begin() + 4);
  EXPECT_EQ(Labels(LookUpOlder(Joined(noMissing), Variable('A', "SEX")).info), (Lines{"1 MALE", "2 FEMALE"}));

  // A name longer than the field is written whole.
  OlderLookup longName =
      LookUpOlder(Joined({"RESPONDENTID x", "Print", "Write", "", "", ""}), Variable('B', "RESPONDENTID"));
  EXPECT_EQ(longName.projectText, "B: RESPONDENTID    X\r\n");
}

TEST(LookUpVariableOlderTest, TakesTheFirstWordOfALabelAndRoundsDecimalCommaCodes) {
  OlderLookup result = LookUpOlder(Joined({"Q1 Item", "Print Format: F1", "Write Format: F1", "", "Value Label", "",
                                           "1 Very good", "1,5 Half", "2.5 Two and a half", "x Not a code", "3 Three"}),
                                   Variable('C', "Q1"));
  EXPECT_TRUE(result.info.Found);
  EXPECT_EQ(Labels(result.info), (Lines{"1 VERY", "2 HALF", "2 TWO"}));
}

TEST(LookUpVariableOlderTest, EndOfFileAtATestedPointIsTheNotFoundEnding) {
  // Not in the export at all.
  OlderLookup absent = LookUpOlder(Joined(kSexBlock), Variable('B', "AGE"));
  EXPECT_FALSE(absent.info.Found);
  EXPECT_EQ(absent.report, (Lines{"B-AGE start", "B - AGE was not found"}));
  EXPECT_EQ(absent.projectText, "");

  // No print format line: found and written, then not found at the end.
  OlderLookup noPrint = LookUpOlder(Joined({"AGE Age in years 3", "Measurement Level: Scale"}), Variable('B', "AGE"));
  EXPECT_FALSE(noPrint.info.Found);
  EXPECT_EQ(noPrint.report, (Lines{"B-AGE start", "B found", "B - AGE was not found"}));
  EXPECT_EQ(noPrint.projectText, "B:        AGE    AGE IN YEARS 3\r\n");

  // A value list that runs to the very end drops the labels read.
  Lines toTheEnd(kSexBlock.begin(), kSexBlock.end() - 1);
  OlderLookup cut = LookUpOlder(Joined(toTheEnd), Variable('A', "SEX"));
  EXPECT_FALSE(cut.info.Found);
  EXPECT_TRUE(cut.info.Labels.empty());
  EXPECT_EQ(cut.report.back(), "A - SEX was not found");

  // One line after the write format is not enough for a block without labels.
  EXPECT_FALSE(LookUpOlder(Joined({"AGE x", "Print", "Write", ""}), Variable('B', "AGE")).info.Found);
  OlderLookup plain = LookUpOlder(Joined({"AGE x", "Print", "Write", "", ""}), Variable('B', "AGE"));
  EXPECT_TRUE(plain.info.Found);
  EXPECT_TRUE(plain.info.Labels.empty());
}

TEST(LookUpVariableOlderTest, NamesAreWholeWordsInAnyCaseAndTheFirstBlockWins) {
  std::string text = Joined({"sex first", "print", "write", "", "value", "", "1 one", "",  //
                             "SEX second", "PRINT", "WRITE", "", "VALUE", "", "1 two", ""});
  EXPECT_EQ(Labels(LookUpOlder(text, Variable('A', "SEX")).info), Lines{"1 ONE"});
  EXPECT_FALSE(LookUpOlder(text, Variable('A', "SE")).info.Found);
  // An export name longer than 20 characters never equals the cut project name.
  EXPECT_FALSE(LookUpOlder(Joined({"SATISFACTIONWITHWORKLIFE x", "Print", "Write", "", ""}),
                           Variable('A', "SATISFACTIONWITHWORK"))
                   .info.Found);
}

// Of a long list, the first 41 labels and those of the variable's
// single-value categories are kept, so no category line loses its label.
TEST(LookUpVariableOlderTest, KeepsEveryLabelThatACategoryShowsOfALongList) {
  Lines text = {"CODE x", "Print", "Write", "", "Value Label", ""};
  for (int code = 1; code <= 100000; ++code) text.push_back(std::to_string(code) + " L" + std::to_string(code));
  text.push_back("490 Again");
  text.push_back("");
  VariableDefinition variable = Variable('A', "CODE");
  ProjectDefinition definition;
  ASSERT_FALSE(ParseProjectDefinition(Lines{"D", "2", "CODE 489 492", "CODE 1 2"}, "P", {"CODE"}, definition));
  variable = definition.Variables[0];
  SpssFileInfo info = LookUpOlder(Joined(text), variable).info;
  ASSERT_EQ(info.LabelCount(), 41u + 4u);
  EXPECT_EQ(info.Labels[40].Text, "L41");
  EXPECT_EQ(info.Labels[41].Text, "L489");
  EXPECT_EQ(info.Labels.back().Text, "L492");
}

const Lines kV13Export = {
    "File Information",
    "Variable Information",
    "| Variable | Position | Label | Measurement Level | Print Format |",
    "| ----- | ----- | ----- | ----- | ----- |",
    "| SEX | 2 | Sex of respondent | Nominal | F1 |",
    "| EDUC | 3 | Education | Ordinal | F1 |",
    "| AGE | 4 | Age in years | Scale | F2 |",
    "",
    "Variable Values",
    "| Value | Label |",
    "| SEX | 1 | Male |",
    "|     | 2 | Female person |",
    "| ----- | ----- | ----- |",
    "| EDUC | 1 | Primary |",
    "|      | ----- | ----- |",
    "|      | 2,5 | Secondary school |",
    "| ----- | ----- | ----- |",
};

TEST(WriteVariableListV13Test, WritesTheLabelColumnOfEachVariableFound) {
  EXPECT_EQ(VariableListV13(Joined(kV13Export), {Variable('A', "AGE"), Variable('B', "NOPE"), Variable('C', "SEX")}),
            "         AGE = AGE IN YEARS\r\n"
            "         SEX = SEX OF RESPONDENT\r\n");
  // An empty last label column writes the closing "|"; one with more cells
  // after it is no label; a row without it ends its line.
  EXPECT_EQ(VariableListV13(Joined({"| X | 1 | |", "| Y | 2 | cut short", "| Y | 3 | again |", "| Z | 4 | | Scale |"}),
                            {Variable('A', "X"), Variable('B', "Y"), Variable('C', "Z")}),
            "           X = |\r\n"
            "           Y = CUT SHORT\r\n"
            "           Z = \r\n");
}

TEST(LookUpValueLabelsV13Test, ReadsTheVariableRowsOfTheValuesTable) {
  Lines report;
  EXPECT_EQ(Labels(LookUpV13(Joined(kV13Export), Variable('A', "SEX"), &report)), (Lines{"1 MALE", "2 FEMALE_PERSON"}));
  EXPECT_TRUE(report.empty());
  EXPECT_EQ(Labels(LookUpV13(Joined(kV13Export), Variable('B', "EDUC"))), (Lines{"1 PRIMARY", "2 SECONDARY_SCHOOL"}));

  // Only in the information table: no labels, and its report line.
  SpssFileInfo age = LookUpV13(Joined(kV13Export), Variable('C', "AGE"), &report);
  EXPECT_FALSE(age.Found);
  EXPECT_EQ(report, Lines{"No category labels for AGE"});
}

TEST(LookUpValueLabelsV13Test, OddRowsAndAnEarlyEnd) {
  // An empty label column gives "|"; a code that is not a number its digits.
  EXPECT_EQ(Labels(LookUpV13(Joined({"Variable Values", "| X | 1 | |", "|   | 7b | Seven |", "| ----- |"}),
                             Variable('A', "X"))),
            (Lines{"1 |", "7 SEVEN"}));
  // The export ends inside the rows: the labels read so far are kept.
  SpssFileInfo early = LookUpV13(Joined({"variable values", "| X | 1 | One |", "|   | 2 | Two |"}), Variable('A', "X"));
  EXPECT_TRUE(early.Found);
  EXPECT_EQ(Labels(early), (Lines{"1 ONE", "2 TWO"}));
  EXPECT_TRUE(LookUpV13("Variable Values\r\n| X | 1 | One |", Variable('A', "X")).Found);
  // A line without words ends the rows as a rule does.
  EXPECT_EQ(
      Labels(LookUpV13(Joined({"Variable Values", "| X | 1 | One |", "", "|   | 2 | Two |"}), Variable('A', "X"))),
      Lines{"1 ONE"});
  // Rows before the title are not values.
  EXPECT_FALSE(LookUpV13(Joined({"| X | 1 | One |", "Variable Values"}), Variable('A', "X")).Found);
}

}  // namespace
}  // namespace s2v
