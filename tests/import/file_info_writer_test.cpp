// The import's File Info text, read back by the run's File Info reader.
#include "import/file_info_writer.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <memory>
#include <string>
#include <vector>

#include "spssinfo/file_info_reader.h"

namespace s2v {
namespace {

SavCode Number(double value) { return {false, value, {}}; }
SavCode Text(const std::string& text) { return {true, 0, text}; }

SavVariable Numeric(const std::string& name, const std::string& label, std::vector<SavValueLabel> labels = {}) {
  SavVariable v;
  v.Name = name;
  v.Label = label;
  v.Format = "F8.2";
  v.Measure = SavMeasure::Scale;
  v.ValueLabels = std::move(labels);
  return v;
}

VariableDefinition Variable(char letter, const std::string& name) {
  VariableDefinition v;
  v.Letter = letter;
  v.Name = name;
  return v;
}

class FileInfoWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SavVariable sex = Numeric("sex", "Sex of respondent", {{Number(1), "Male"}, {Number(2), "Female person"}});
    sex.Measure = SavMeasure::Nominal;
    SavVariable q1 = Numeric("q1", "Trust | distrust", {{Number(1), "Yes | no"}, {Number(9), "No answer"}});
    q1.Missing = {{Number(9), Number(9)}, {Number(-DBL_MAX), Number(-1)}};
    SavVariable city = Numeric("city", "", {{Text("M"), "Malmo"}, {Text("a b"), "Two"}, {Text(" "), "Blank"}});
    city.IsString = true;
    city.Format = "A14";
    city.Measure = SavMeasure::Unknown;
    // Variables named like the tables' column headings.
    SavVariable value = Numeric("value", "Value of the house", {{Number(2.5), "Half"}, {Number(-1), "Unknown"}});
    SavVariable variable = Numeric("Variable", "A variable");
    SavVariable unlabelled = Numeric("income", "", {{Number(0), ""}});
    SavVariable longName = Numeric("satisfaction_with_the_service", "Satisfaction", {{Number(1), "Low"}});
    dictionary.Variables = {sex, q1, city, value, variable, unlabelled, longName};

    StringSink sink;
    BufferedWriter out(sink);
    summary = WriteFileInfo(dictionary, out);
    out.Flush();
    text = sink.bytes;
  }

  SpssFileInfo Labels(const std::string& name, std::vector<std::string>* report = nullptr) {
    MemorySource file(text);
    return LookUpValueLabelsV13(file, Variable('A', name), [&](const std::string& line) {
      if (report) report->push_back(line);
    });
  }

  static void ExpectLabels(const SpssFileInfo& info, const std::vector<std::pair<int, std::string>>& expected) {
    ASSERT_TRUE(info.Found);
    ASSERT_EQ(info.Labels.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
      EXPECT_EQ(info.Labels[i].Code, expected[i].first) << i;
      EXPECT_EQ(info.Labels[i].Text, expected[i].second) << i;
    }
  }

  SavDictionary dictionary;
  FileInfoSummary summary;
  std::string text;
};

TEST_F(FileInfoWriterTest, IsReadInTheTableLayout) {
  MemorySource file(text);
  EXPECT_EQ(DetectFileInfoLayout(file), FileInfoLayout::Version13);
  EXPECT_EQ(text.find('\n'), text.find('\r') + 1) << "lines end with CR LF";
}

TEST_F(FileInfoWriterTest, EveryVariableHasItsInformationLine) {
  StringSink sink;
  BufferedWriter projectText(sink);
  std::vector<VariableDefinition> variables = {Variable('A', "SEX"), Variable('B', "Q1"), Variable('C', "VALUE"),
                                               Variable('D', "VARIABLE"), Variable('E', "INCOME")};
  WriteVariableListV13([&] { return std::make_unique<MemorySource>(text); }, variables, projectText);
  projectText.Flush();
  EXPECT_EQ(sink.bytes,
            "         SEX = SEX OF RESPONDENT\r\n"
            "          Q1 = TRUST / DISTRUST\r\n"
            "       VALUE = VALUE OF THE HOUSE\r\n"
            "    VARIABLE = A VARIABLE\r\n"
            // An empty label cell gives no label, as in SPSS's own exports.
            "      INCOME = \r\n");
}

TEST_F(FileInfoWriterTest, ValueLabelsReadBackPerVariable) {
  ExpectLabels(Labels("SEX"), {{1, "MALE"}, {2, "FEMALE_PERSON"}});
  ExpectLabels(Labels("Q1"), {{1, "YES_/_NO"}, {9, "NO_ANSWER"}});
  ExpectLabels(Labels("VALUE"), {{2, "HALF"}, {-1, "UNKNOWN"}});
  ExpectLabels(Labels("CITY"), {{0, "MALMO"}});
  ExpectLabels(Labels("INCOME"), {{0, "|"}});
}

TEST_F(FileInfoWriterTest, VariablesWithoutLabelsAreNotInTheValuesTable) {
  std::vector<std::string> report;
  EXPECT_FALSE(Labels("VARIABLE", &report).Found);
  EXPECT_EQ(report, std::vector<std::string>{"No category labels for VARIABLE"});
  // A project holds a long name cut to 20 characters, which the reader never
  // finds; the import says so in its report.
  EXPECT_FALSE(Labels("SATISFACTION_WITH_TH").Found);
  EXPECT_TRUE(Labels("SATISFACTION_WITH_THE_SERVICE").Found);
}

TEST_F(FileInfoWriterTest, SummaryCountsWhatWasWritten) {
  EXPECT_EQ(summary.ValueLabels, 9u);
  EXPECT_EQ(summary.LabelledVariables, 6u);
  EXPECT_EQ(summary.LabelsLeftOut, 2u);
}

TEST_F(FileInfoWriterTest, InformationRowsCarryFormatsAndMissingValues) {
  EXPECT_NE(text.find("| q1                            | 2        | Trust / distrust   | Scale             | F8.2  "
                      "       | F8.2         | 9, LO thru -1  |\r\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("| city                          | 3        |                    |                   | A14"),
            std::string::npos)
      << text;
}

}  // namespace
}  // namespace s2v
