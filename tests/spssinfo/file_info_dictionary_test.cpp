// The File Info export read as a dictionary, in both layouts.
#include "spssinfo/file_info_dictionary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

namespace s2v {
namespace {

using Lines = std::vector<std::string>;

std::string Joined(const Lines& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

FileInfoDictionary Read(const std::string& exportText, const Lines& names) {
  return ReadFileInfoDictionary([&] { return std::make_unique<MemorySource>(exportText); }, names);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// "code=text" of each label.
Lines Labels(const DictionaryEntry& entry) {
  Lines labels;
  for (const DictionaryLabel& label : entry.Labels) labels.push_back(label.Code + "=" + label.Text);
  return labels;
}

TEST(DeclaredMissing, ItemsRangesAndDecimalCommas) {
  constexpr double kInf = INFINITY;
  struct Case {
    const char* text;
    std::vector<std::pair<double, double>> ranges;
  } cases[] = {
      {"9", {{9, 9}}},
      {"  8, 9  ", {{8, 8}, {9, 9}}},
      {"8,9", {{8.9, 8.9}}},  // no blank after the comma: a decimal comma
      {"-1,5; 99", {{-1.5, -1.5}, {99, 99}}},
      {"1 thru 3, 99", {{1, 3}, {99, 99}}},
      {"LO THRU 0", {{-kInf, 0}}},
      {"lowest thru -1, 97 THRU highest", {{-kInf, -1}, {97, kInf}}},
      {"'NA', 'DK'", {}},  // the missing values of a text variable
      {"", {}},
      {"9 8", {}},  // not one number
  };
  for (const Case& c : cases) {
    DeclaredMissing missing = ParseDeclaredMissing(c.text);
    std::vector<std::pair<double, double>> ranges;
    for (const MissingRange& r : missing.Ranges) ranges.emplace_back(r.Low, r.High);
    EXPECT_EQ(ranges, c.ranges) << c.text;
  }
  DeclaredMissing missing = ParseDeclaredMissing("1 thru 3, 9");
  EXPECT_EQ(missing.Text, "1 thru 3, 9");
  EXPECT_TRUE(missing.Contains(2.5));
  EXPECT_TRUE(missing.Contains(9));
  EXPECT_FALSE(missing.Contains(4));
  EXPECT_FALSE(missing.Contains(3.5));
}

TEST(FileInfoDictionary, OlderLayoutBlocks) {
  const std::string text = Joined({
      "List of variables on the working file",
      "",
      "Name                                     Position",
      "",
      "ID       Respondent number                    1",
      "         Print Format: F4",
      "         Write Format: F4",
      "",
      "sex      Sex of respondent                    2",
      "         Measurement Level: Nominal",
      "         Print Format: F1",
      "         Write Format: F1",
      "         Missing Values: 9, 0",
      "",
      "           Value    Label",
      "",
      "               1    Male person",
      "             2,5    Half",
      "               2    Female",
      "",
      "CITY     City or town                        3",
      "         Print Format: A14",
      "         Write Format: A14",
      "SCORE    Score                               4",
      "         Print Format: F4.1",
      "         Write Format: F4.1",
      "",
      "           Value    Label",
      "",
      "               1    One",
  });
  FileInfoDictionary dictionary = Read(text, {"ID", "SEX", "CITY", "SCORE", "ABSENT"});
  EXPECT_EQ(dictionary.Layout, FileInfoLayout::Older);
  EXPECT_EQ(dictionary.size(), 4u);
  EXPECT_EQ(dictionary.Find("absent"), nullptr);

  const DictionaryEntry* id = dictionary.Find("id");
  ASSERT_NE(id, nullptr);
  EXPECT_EQ(id->Label, "Respondent number");
  EXPECT_EQ(id->PrintFormat, "F4");
  EXPECT_TRUE(id->Labels.empty());

  const DictionaryEntry* sex = dictionary.Find("SEX");
  ASSERT_NE(sex, nullptr);
  EXPECT_EQ(sex->Name, "sex");
  EXPECT_EQ(sex->Missing.Text, "9, 0");
  EXPECT_TRUE(sex->Missing.Contains(0));
  EXPECT_EQ(Labels(*sex), (Lines{"1=Male person", "2.5=Half", "2=Female"}));
  EXPECT_EQ(sex->Labels[1].Value, 2.5);

  // A block right after the write format line of the one before it.
  const DictionaryEntry* city = dictionary.Find("CITY");
  ASSERT_NE(city, nullptr);
  EXPECT_TRUE(city->IsText());
  const DictionaryEntry* score = dictionary.Find("SCORE");
  ASSERT_NE(score, nullptr);
  EXPECT_FALSE(score->IsText());
  EXPECT_EQ(Labels(*score), (Lines{"1=One"}));
}

TEST(FileInfoDictionary, OnlyTheNamesAskedForAreKept) {
  const std::string text = Joined({"A  first 1", "  Print Format: F1", "  Write Format: F1", "", "B  second 2",
                                   "  Print Format: F2", "  Write Format: F2", ""});
  FileInfoDictionary dictionary = Read(text, {"B"});
  EXPECT_EQ(dictionary.size(), 1u);
  ASSERT_NE(dictionary.Find("B"), nullptr);
  EXPECT_EQ(dictionary.Find("B")->PrintFormat, "F2");
}

TEST(FileInfoDictionary, Version13Tables) {
  const std::string text = Joined({
      "variable information",
      "| Variable | Position | Label | Measurement Level | Print Format | Write Format | Missing Values |",
      "| -------- | -------- | ----- | ----------------- | ------------ | ------------ | -------------- |",
      "| sex      | 1        | Sex of respondent | Nominal | F1 | F1 | 9 |",
      "| name     | 2        | Name  | Nominal           | A20          | A20          |                |",
      "| score    | 3        |       | Scale             | F5.2         | F5.2         | LO thru 0      |",
      "",
      "Variable Values",
      "| Value | Label |",
      "| ----- | ----- | ----- |",
      "| sex   | 1     | Male  |",
      "|       | 2     | Female person |",
      "|       | 9     | No answer |",
      "| ----- | ----- | ----- |",
      "| score | 1,5   | Low   |",
      "| ----- | ----- | ----- |",
      "| sex   | 7     | Not the first rows |",
  });
  FileInfoDictionary dictionary = Read(text, {"SEX", "NAME", "SCORE"});
  EXPECT_EQ(dictionary.Layout, FileInfoLayout::Version13);
  const DictionaryEntry* sex = dictionary.Find("SEX");
  ASSERT_NE(sex, nullptr);
  EXPECT_EQ(sex->Label, "Sex of respondent");
  EXPECT_EQ(sex->PrintFormat, "F1");
  EXPECT_TRUE(sex->Missing.Contains(9));
  EXPECT_EQ(Labels(*sex), (Lines{"1=Male", "2=Female person", "9=No answer"}));
  EXPECT_TRUE(dictionary.Find("NAME")->IsText());
  const DictionaryEntry* score = dictionary.Find("score");
  EXPECT_EQ(score->Label, "");
  EXPECT_TRUE(score->Missing.Contains(-5));
  EXPECT_FALSE(score->Missing.Contains(0.5));
  EXPECT_EQ(Labels(*score), (Lines{"1.5=Low"}));
}

// The two example exports describe the same dataset in the two layouts.
TEST(FileInfoDictionary, BothLayoutsOfTheExampleAgree) {
  const Lines names = {"ID", "SEX", "AGE", "INCOME", "Q1", "Q2", "Q3", "Q4", "Q5", "REGION", "CITY", "WEIGHT"};
  FileInfoDictionary older = Read(ReadFile(EXAMPLES_DIR "/survey.TXT"), names);
  FileInfoDictionary v13 = Read(ReadFile(EXAMPLES_DIR "/version13/survey.TXT"), names);
  ASSERT_EQ(older.Layout, FileInfoLayout::Older);
  ASSERT_EQ(v13.Layout, FileInfoLayout::Version13);
  ASSERT_EQ(older.size(), names.size());
  ASSERT_EQ(v13.size(), names.size());
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const DictionaryEntry& a = *older.Find(name);
    const DictionaryEntry& b = *v13.Find(name);
    EXPECT_EQ(a.Label, b.Label);
    EXPECT_EQ(a.PrintFormat, b.PrintFormat);
    EXPECT_EQ(a.Missing.Text, b.Missing.Text);
    // The version 13 export also labels the missing code 9.
    Lines labelsA = Labels(a), labelsB = Labels(b);
    if (labelsB.size() == labelsA.size() + 1 && labelsB.back() == "9=No answer") labelsB.pop_back();
    EXPECT_EQ(labelsA, labelsB);
  }
  EXPECT_EQ(Labels(*older.Find("Q1")).size(), 5u);
  EXPECT_TRUE(older.Find("CITY")->IsText());
}

}  // namespace
}  // namespace s2v
