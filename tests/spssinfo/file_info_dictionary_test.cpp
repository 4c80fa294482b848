// The File Info export read as a dictionary, in both layouts.
#include "spssinfo/file_info_dictionary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "support/text_decoding.h"
#include "support/text_scan.h"

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

// The tables of SPSS 16 and later, and the version 13 layout of the same
// dictionary, as the run and the assistant read them.
struct TableVariable {
  std::string name, label, missing;
  std::vector<std::pair<std::string, std::string>> labels;
};

const std::vector<TableVariable> kTableDictionary = {
    {"id", "", "", {}},
    {"sex", "Sex of respondent", "-99", {{"1", "male"}, {"2", "female person"}}},
    {"educ", "Highest education", "8, 9", {{"1", "Primary"}, {"9", "No answer"}}},
    {"age", "Age in years", "", {}},
};

// SPSS's bordered form: "|" against the text, rules as wide as the cells
// between all rows, the information table with all of SPSS 27's columns.
std::string BorderedTables(const std::string& end) {
  const Lines heading = {"Variable",     "Position",  "Label",        "Measurement Level", "Role",
                         "Column Width", "Alignment", "Print Format", "Write Format",      "Missing Values"};
  auto row = [](const Lines& cells, const std::vector<std::size_t>& widths) {
    std::string line;
    for (std::size_t i = 0; i < cells.size(); ++i)
      line += "|" + cells[i] + std::string(widths[i] - cells[i].size(), ' ');
    return line + "|";
  };
  auto rule = [](const std::vector<std::size_t>& widths, bool firstBlank) {
    std::string line;
    for (std::size_t i = 0; i < widths.size(); ++i)
      line += "|" + std::string(widths[i], i == 0 && firstBlank ? ' ' : '-');
    return line + "|";
  };
  std::vector<Lines> rows;
  for (std::size_t v = 0; v < kTableDictionary.size(); ++v) {
    const TableVariable& t = kTableDictionary[v];
    rows.push_back({t.name, std::to_string(v + 1), t.label.empty() ? "<none>" : t.label, "Nominal", "Input", "8",
                    "Right", "F8", "F8", t.missing});
  }
  std::vector<std::size_t> widths(heading.size());
  for (std::size_t i = 0; i < heading.size(); ++i) {
    widths[i] = heading[i].size();
    for (const Lines& r : rows) widths[i] = std::max(widths[i], r[i].size());
  }
  Lines lines = {"Variable Information", rule(widths, false), row(heading, widths), rule(widths, false)};
  for (const Lines& r : rows) {
    lines.push_back(row(r, widths));
    lines.push_back(rule(widths, false));
  }
  lines.back() = "|" + std::string(40, '-') + "|";
  lines.push_back("Variables in the working file");
  lines.push_back("");
  lines.push_back("Variable Values");
  std::vector<std::size_t> valueWidths = {4, 1, 13};
  lines.push_back(rule({valueWidths[0] + 1 + valueWidths[1], valueWidths[2]}, false));
  lines.push_back(row({"Value", "Label"}, {valueWidths[0] + 1 + valueWidths[1], valueWidths[2]}));
  for (const TableVariable& t : kTableDictionary) {
    if (t.labels.empty()) continue;
    lines.push_back(rule(valueWidths, false));
    for (std::size_t k = 0; k < t.labels.size(); ++k) {
      if (k > 0) lines.push_back(rule(valueWidths, true));
      lines.push_back(row({k == 0 ? t.name : "", t.labels[k].first, t.labels[k].second}, valueWidths));
    }
  }
  lines.push_back("|" + std::string(20, '-') + "|");
  std::string text;
  for (const std::string& line : lines) text += line + end;
  return text;
}

// The same with tabs between the cells and no borders.
std::string TabbedTables() {
  std::string text =
      "Variable Information\r\nVariable\tPosition\tLabel\tMeasurement Level\tPrint Format\tMissing Values\r\n";
  for (std::size_t v = 0; v < kTableDictionary.size(); ++v) {
    const TableVariable& t = kTableDictionary[v];
    text += t.name + "\t" + std::to_string(v + 1) + "\t" + (t.label.empty() ? "<none>" : t.label) + "\tScale\tF8\t" +
            t.missing + "\r\n";
  }
  text += "Variables in the working file\r\n\r\nVariable Values\r\nValue\t\tLabel\r\n";
  for (const TableVariable& t : kTableDictionary)
    for (std::size_t k = 0; k < t.labels.size(); ++k)
      text += (k == 0 ? t.name : "") + "\t" + t.labels[k].first + "\t" + t.labels[k].second + "\r\n";
  return text;
}

// The version 13 layout of the same dictionary, blanks around the bars.
std::string Version13Tables() {
  std::string text = "Variable Information\r\n| Variable | Position | Label | Measurement Level | Print Format |\r\n";
  for (std::size_t v = 0; v < kTableDictionary.size(); ++v) {
    const TableVariable& t = kTableDictionary[v];
    text += "| " + t.name + " | " + std::to_string(v + 1) + " | " + t.label + (t.label.empty() ? "" : " ") +
            "| Nominal | F8 |\r\n";
  }
  text += "\r\nVariable Values\r\n| Value | Label |\r\n";
  for (const TableVariable& t : kTableDictionary) {
    if (t.labels.empty()) continue;
    for (std::size_t k = 0; k < t.labels.size(); ++k)
      text += "| " + (k == 0 ? t.name : std::string("  ")) + " | " + t.labels[k].first + " | " + t.labels[k].second +
              " |\r\n";
    text += "| ----- | ----- | ----- |\r\n";
  }
  return text;
}

struct RunReading {
  FileInfoLayout layout;
  std::string projectText;
  Lines labels;  // "LETTER code text" of each value label, and the report lines
};

// What a run takes from an export, through the reader its layout selects.
RunReading ReadAsTheRunDoes(const std::string& text) {
  auto open = [&]() -> std::unique_ptr<ByteSource> { return std::make_unique<MemorySource>(text); };
  std::vector<VariableDefinition> variables;
  Lines names;
  for (const TableVariable& t : kTableDictionary) {
    VariableDefinition variable;
    variable.Name = t.name;
    UpperCaseInPlace(variable.Name);
    variable.Letter = static_cast<char>('A' + variables.size());
    names.push_back(variable.Name);
    variables.push_back(variable);
  }
  RunReading reading{DetectFileInfoLayout(*open()), {}, {}};
  StringSink sink;
  BufferedWriter projectText(sink);
  auto report = [&](const std::string& line) { reading.labels.push_back(line); };
  const FileInfoDictionary dictionary = ReadFileInfoDictionary(open, names);
  if (reading.layout == FileInfoLayout::Tables)
    WriteVariableListTables(dictionary, variables, projectText);
  else
    WriteVariableListV13(open, variables, projectText);
  for (const VariableDefinition& variable : variables) {
    std::unique_ptr<ByteSource> file = open();
    const SpssFileInfo info = reading.layout == FileInfoLayout::Tables
                                  ? ValueLabelsOfTables(dictionary, variable, report)
                                  : LookUpValueLabelsV13(*file, variable, report);
    for (const ValueLabel& label : info.Labels)
      reading.labels.push_back(std::string(1, variable.Letter) + " " + std::to_string(label.Code) + " " + label.Text);
  }
  projectText.Flush();
  reading.projectText = sink.bytes;
  return reading;
}

std::string Utf8Marked(const std::string& text) { return "\xEF\xBB\xBF" + text; }

TEST(FileInfoTables, EveryFormOfSpss16AndLaterGivesWhatVersion13Gives) {
  const RunReading version13 = ReadAsTheRunDoes(Version13Tables());
  ASSERT_EQ(version13.layout, FileInfoLayout::Version13);
  EXPECT_EQ(version13.labels, (Lines{"No category labels for ID", "B 1 MALE", "B 2 FEMALE_PERSON", "C 1 PRIMARY",
                                     "C 9 NO_ANSWER", "No category labels for AGE"}));
  auto bordered = [](const std::string& end) { return BorderedTables(end); };
  const struct {
    const char* form;
    std::string text;
  } forms[] = {{"LF", bordered("\n")}, {"CR LF", bordered("\r\n")}, {"CR", bordered("\r")}, {"tabs", TabbedTables()}};
  for (const auto& form : forms) {
    SCOPED_TRACE(form.form);
    const RunReading tables = ReadAsTheRunDoes(form.text);
    EXPECT_EQ(tables.layout, FileInfoLayout::Tables);
    EXPECT_EQ(tables.labels, version13.labels);
    // A variable without a label has an empty one, not a border.
    EXPECT_EQ(tables.projectText,
              "          ID = \r\n         SEX = SEX OF RESPONDENT\r\n"
              "        EDUC = HIGHEST EDUCATION\r\n         AGE = AGE IN YEARS\r\n");

    const FileInfoDictionary dictionary = Read(form.text, {"ID", "SEX", "EDUC", "AGE"});
    for (const TableVariable& t : kTableDictionary) {
      SCOPED_TRACE(t.name);
      const DictionaryEntry* entry = dictionary.Find(t.name);
      ASSERT_NE(entry, nullptr);
      EXPECT_EQ(entry->Label, t.label);
      EXPECT_EQ(entry->Missing.Text, t.missing);  // by its heading, whatever columns stand before it
      EXPECT_EQ(entry->PrintFormat, "F8");
      Lines labels;
      for (const auto& [code, text] : t.labels) labels.push_back(code + "=" + text);
      EXPECT_EQ(Labels(*entry), labels);
    }
    EXPECT_TRUE(dictionary.Find("SEX")->Missing.Contains(-99));
  }
}

TEST(FileInfoTables, LabelsKeepTheirCommasAndAnyDictionaryReadsTheSameInUnicode) {
  std::string text = BorderedTables("\n");
  const std::size_t at = text.find("Highest education");
  text.replace(at, 17, "High, education  ");
  const RunReading reading = ReadAsTheRunDoes(text);
  EXPECT_NE(reading.projectText.find("EDUC = HIGH, EDUCATION\r\n"), std::string::npos);
  // A File Info in UTF-8 with its mark reads as its 8-bit self.
  const std::string marked = Utf8Marked(text);
  MemorySource raw(marked);
  DecodedSource decoded(raw);
  std::string plain(text.size() + 16, '\0');
  plain.resize(decoded.Read(plain.data(), plain.size()));
  EXPECT_EQ(plain, text);
}

}  // namespace
}  // namespace s2v
