#include "model/project_definition.h"

#include <gtest/gtest.h>

namespace s2v {
namespace {

const std::vector<std::string> kDataset = {"ID", "SEX", "AGE", "INCOME", "WEIGHT", "HEIGHT", "ABCDEFGHIJKLMNOPQRST"};

struct Parsed {
  std::optional<std::string> error;
  ProjectDefinition definition;
};

Parsed Parse(std::vector<std::string> lines) {
  Parsed p;
  p.error = ParseProjectDefinition(lines, "PROJ", kDataset, p.definition);
  return p;
}

TEST(ProjectDefinition, WorkedExample) {
  Parsed p = Parse({"SPSSDATA MYDATA", "3", "AGE 18 30 45 65 99", "sex 1 2", "<-", "INCOME 0 1000.5 5000 9000"});
  ASSERT_FALSE(p.error) << *p.error;
  const auto& vars = p.definition.Variables;
  ASSERT_EQ(vars.size(), 3u);
  EXPECT_EQ(vars[0].Letter, 'A');
  EXPECT_EQ(vars[0].DatasetColumn, 3);
  EXPECT_EQ(vars[0].CategoryCount, 4);
  EXPECT_EQ(vars[0].Bounds, (std::vector<double>{18, 30, 45, 65, 99}));
  EXPECT_EQ(vars[1].Name, "SEX");
  EXPECT_EQ(vars[1].CategoryCount, 2);
  EXPECT_EQ(vars[1].Bounds, (std::vector<double>{1, 1, 2}));
  EXPECT_EQ(vars[2].ValueKind, WordKind::Decimal);
  EXPECT_EQ(vars[2].CategoryCount, 3);
  EXPECT_EQ(vars[2].Bounds, (std::vector<double>{0, 1000.5, 5000, 9000}));
  EXPECT_EQ(vars[2].WholeBounds, (std::vector<std::int32_t>{0, -999, 5000, 9000}));
  EXPECT_EQ(p.definition.BlockEnds, (std::vector<int>{2, 3}));
}

TEST(ProjectDefinition, RangeAndCutForms) {
  Parsed p = Parse({"S", "3", "AGE 1 5", "WEIGHT 40 62.5 80", "HEIGHT 0 -12.0 7"});
  ASSERT_FALSE(p.error) << *p.error;
  const auto& age = p.definition.Variables[0];
  EXPECT_EQ(age.CategoryCount, 5);
  EXPECT_EQ(age.Bounds, (std::vector<double>{1, 1, 2, 3, 4, 5}));
  EXPECT_EQ(age.WholeBounds, (std::vector<std::int32_t>{1, 1, 2, 3, 4, 5}));
  EXPECT_EQ(age.BoundWidths, (std::vector<int>{1, 1, 1, 1, 1, 1}));
  EXPECT_EQ(age.ValueKind, WordKind::Integer);
  const auto& weight = p.definition.Variables[1];
  EXPECT_EQ(weight.ValueKind, WordKind::Decimal);
  EXPECT_EQ(weight.WholeBounds, (std::vector<std::int32_t>{40, -999, 80}));
  EXPECT_EQ(weight.BoundDecimals, (std::vector<int>{0, 1, 0}));
  const auto& height = p.definition.Variables[2];
  EXPECT_EQ(height.WholeBounds, (std::vector<std::int32_t>{0, -12, 7}));
  EXPECT_EQ(height.BoundDecimals[1], 0);
}

TEST(ProjectDefinition, NamesAreMatchedInUpperCaseAndCutTo20) {
  Parsed p = Parse({"S", "2", "income 0 9", "abcdefghijklmnopqrstuvw 1 2"});
  ASSERT_FALSE(p.error);
  EXPECT_EQ(p.definition.Variables[0].DatasetColumn, 4);
  EXPECT_EQ(p.definition.Variables[1].Name, "ABCDEFGHIJKLMNOPQRST");
  EXPECT_EQ(p.definition.Variables[1].DatasetColumn, 7);
  Parsed missing = Parse({"S", "3", "NOPE 1 2", "SEX 1 2", "GONE 1 2"});
  ASSERT_FALSE(missing.error);
  EXPECT_EQ(MissingNames(missing.definition), (std::vector<std::string>{"NOPE", "GONE"}));
}

TEST(ProjectDefinition, BlockMarkers) {
  struct Case {
    std::vector<std::string> lines;
    std::vector<int> blockEnds;
  } cases[] = {
      {{"S", "4", "ID 1 2", "SEX 1 2", "<-", "AGE 1 2", "INCOME 1 2"}, {2, 4}},
      {{"S", "4", "ID 1 2", "SEX 1 2 <-", "AGE 1 2", "INCOME 1 2"}, {2, 4}},
      {{"S", "4", "ID 1 2", "SEX 1 2", "AGE 1 2", "INCOME 1 2"}, {4}},
      {{"S", "2", "<-", "ID 1 2", "SEX 1 2"}, {0, 2}},
      {{"S", "2", "", "ID 1 2", "  ", "<-", "", "SEX 1 2", "etc."}, {1, 2}},
  };
  for (const Case& c : cases) {
    Parsed p = Parse(c.lines);
    ASSERT_FALSE(p.error) << *p.error;
    EXPECT_EQ(p.definition.BlockEnds, c.blockEnds) << c.lines[3];
  }
}

TEST(ProjectDefinition, Messages) {
  struct Case {
    std::vector<std::string> lines;
    const char* message;
  } cases[] = {
      {{"S", "5 "}, "NVAR is not a number: 5 "},
      {{"S", "five"}, "NVAR is not a number: five"},
      {{"S"}, "NVAR is not a number: "},
      {{"S", "1"}, "Improper number of variables: 1"},
      {{"S", "59"}, "Improper number of variables: 59"},
      {{"S", "258"}, "Improper number of variables: 258"},
      {{"S", "99999999999"}, "Improper number of variables: 99999999999"},
      {{"S", "2", "AGE 1 2"}, "Too few variables on PROJ.SPC: 2"},
      {{"S", "2", "AGE 1 2", "<-", ""}, "Too few variables on PROJ.SPC"},
      {{"S", "2", "AGE 1 2", "<-", "<-"}, "Not enough information to define a variable here: <-"},
      {{"S", "2", "age 1", "SEX 1 2"}, "Not enough information to define a variable here: AGE 1"},
      {{"S", "2", "AGE 1 x", "SEX 1 2"}, "Improper variable definition here: AGE 1 X"},
      {{"S", "2", "AGE 1 1,5 3", "SEX 1 2"}, "Improper variable definition here: AGE 1 1,5 3"},
      {{"S", "2", "HEIGHT 1.5 9", "SEX 1 2"}, "Improper variable definition here:HEIGHT 1.5 9"},
      {{"S", "2", "AGE 5 1", "SEX 1 2"}, "Improper variable definition here: AGE 5 1"},
      {{"S", "2", "AGE 1 43", "SEX 1 2"}, "Improper variable definition here: AGE 1 43"},
      {{"S", "2", "AGE 0 9999999999", "SEX 1 2"}, "Improper variable definition here: AGE 0 9999999999"},
      {{"S", "2", "AGE 1 2 <-", "SEX"}, "Not enough information to define a variable here: SEX"},
      // Parse errors come before missing names.
      {{"S", "2", "NOPE 1 2", "SEX 1"}, "Not enough information to define a variable here: SEX 1"},
  };
  for (const Case& c : cases) {
    Parsed p = Parse(c.lines);
    ASSERT_TRUE(p.error) << c.message;
    EXPECT_EQ(*p.error, c.message);
    // Looking for every problem finds the same one first.
    ProjectDefinition definition;
    std::vector<DefinitionProblem> problems = FindDefinitionProblems(c.lines, "PROJ", kDataset, definition);
    ASSERT_FALSE(problems.empty()) << c.message;
    EXPECT_EQ(problems.front().Message, c.message);
  }
  EXPECT_FALSE(Parse({"S", "   2", "AGE 1 42", "SEX 1 2"}).error);
}

// "line: message" of every problem.
std::vector<std::string> Problems(const std::vector<std::string>& lines, ProjectDefinition* definition = nullptr) {
  ProjectDefinition local;
  std::vector<std::string> found;
  for (const DefinitionProblem& p : FindDefinitionProblems(lines, "PROJ", kDataset, definition ? *definition : local))
    found.push_back(std::to_string(p.Line) + ": " + p.Message);
  return found;
}

TEST(ProjectDefinition, EveryProblemWithItsLine) {
  ProjectDefinition definition;
  EXPECT_EQ(Problems({"S", "4", "", "AGE 1", "SEX 1 2", "<-", "INCOME 1 x", "WEIGHT 1.5 2"}, &definition),
            (std::vector<std::string>{"4: Not enough information to define a variable here: AGE 1",
                                      "7: Improper variable definition here: INCOME 1 X",
                                      "8: Improper variable definition here:WEIGHT 1.5 2"}));
  // The sound line keeps its place: letter B, line 5.
  ASSERT_EQ(definition.Variables.size(), 1u);
  EXPECT_EQ(definition.Variables[0].Letter, 'B');
  EXPECT_EQ(definition.Variables[0].Line, 5u);

  // The text ends before the count is reached: the last problem, at the end.
  EXPECT_EQ(Problems({"S", "3", "AGE 1", "SEX 1 2"}),
            (std::vector<std::string>{"3: Not enough information to define a variable here: AGE 1",
                                      "4: Too few variables on PROJ.SPC: 3"}));
  EXPECT_EQ(Problems({"S", "2"}), (std::vector<std::string>{"2: Too few variables on PROJ.SPC: 1"}));

  // Without a count, every later line is read as a variable line.
  definition = {};
  EXPECT_EQ(Problems({"S", "two", "AGE 1 2", "", "SEX", "ID 1 5"}, &definition),
            (std::vector<std::string>{"2: NVAR is not a number: two",
                                      "5: Not enough information to define a variable here: SEX"}));
  ASSERT_EQ(definition.Variables.size(), 2u);
  EXPECT_EQ(definition.Variables[1].Name, "ID");
  EXPECT_EQ(definition.Variables[1].Line, 6u);
  EXPECT_EQ(Problems({"S", "1", "AGE 1 2"}), (std::vector<std::string>{"2: Improper number of variables: 1"}));
}

TEST(ProjectDefinition, CutFormHoldsAtMost43Bounds) {
  std::string line = "AGE";
  for (int i = 0; i < 43; ++i) line += " " + std::to_string(i);
  EXPECT_FALSE(Parse({"S", "2", line, "SEX 1 2"}).error);
  EXPECT_EQ(*Parse({"S", "2", line + " 99", "SEX 1 2"}).error, "Improper variable definition here: " + line + " 99");
}

TEST(ProjectDefinition, Letters) {
  EXPECT_EQ(LetterFor(1), 'A');
  EXPECT_EQ(LetterFor(26), 'Z');
  EXPECT_EQ(LetterFor(27), 'a');
  EXPECT_EQ(LetterFor(52), 'z');
  EXPECT_EQ(static_cast<unsigned char>(LetterFor(58)), 128);
}

}  // namespace
}  // namespace s2v
