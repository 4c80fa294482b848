// Drafts of definitions from descriptions, and that the run's parser takes
// every draft without a problem.
#include "assist/draft_definition.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "assist/description_format.h"
#include "assist_test_support.h"
#include "model/project_definition.h"

namespace s2v {
namespace {

using Lines = std::vector<std::string>;

// The second half first: the same values, not in order.
Lines Rotated(Lines values) {
  std::rotate(values.begin(), values.begin() + values.size() / 2, values.end());
  return values;
}

TEST(DraftDefinition, OneVariableEach) {
  const DictionaryEntry sexEntry = Entry("F1", "9", {{"1", "Male"}, {"2", "Female"}});
  const DictionaryEntry likert =
      Entry("F1", "9", {{"1", "No"}, {"2", "Hardly"}, {"3", "Fair"}, {"5", "Yes"}, {"9", "NA"}});
  const DictionaryEntry wideLabels = Entry("F2", "", {{"1", "One"}, {"99", "Refused"}});
  const DictionaryEntry missingBelow = Entry("F2", "-1", {{"-1", "NA"}, {"0", "None"}});
  const DictionaryEntry text = Entry("A14", "");
  struct Case {
    VariableDescription variable;
    int categories;
    std::string line;
    std::string reason;
  } cases[] = {
      // Codes: the range form over the observed codes and the labelled ones,
      // without declared missing codes at the ends.
      {Variable("sex", {"1", "2", "9", "2", ""}, &sexEntry), 4, "sex 1 2", ""},
      {Variable("Q1", {"2", "3", "9", "3"}, &likert), 4, "Q1 1 5", ""},
      {Variable("Q2", {"1", "2", "5"}, &wideLabels), 4, "Q2 1 5", ""},
      {Variable("KIDS", {"1", "3", "2"}, &missingBelow), 4, "KIDS 0 3", ""},
      {Variable("AGE", Rotated(Values(18, 59))), 4, "AGE 18 59", ""},
      // Measures: the cut form at the quantiles.
      {Variable("AGE", Rotated(Values(18, 90))), 4, "AGE 18 36 54 72 90", ""},
      {Variable("AGE", Rotated(Values(18, 90))), 2, "AGE 18 54 90", ""},
      {Variable("INCOME", Values(0, 100, 0.25, 2)), 4, "INCOME 0 25 50 75 100", ""},
      {Variable("WEIGHT", Values(0.5, 1.7, 0.1, 2)), 3, "WEIGHT 0.5 0.9 1.3 1.7", ""},
      // Two values a tenth apart: the cut between them needs a decimal more.
      {Variable("RATE", {"0.5", "0.6", "0.5"}), 4, "RATE 0.5 0.55 0.6", ""},
      // Most values at one end: no two equal bounds.
      {Variable("SKEW", {"0", "0", "0", "0", "0", "0", "0", "100"}), 4, "SKEW 0 50 100", ""},
      // Left out, each with its reason.
      {Variable("CITY", {"Aarhus", "Odense"}, &text), 4, "", "text"},
      {Variable("CITY", {"Aarhus", "Odense", "7"}), 4, "", "text"},
      {Variable("EMPTY", {"", "", "abc"}), 4, "", "text"},
      {Variable("EMPTY", {"", ""}), 4, "", "no valid values"},
      {Variable("ID", Values(1, 300)), 4, "", "identifier (every value distinct and whole)"},
      {Variable("ID", Values(1, 20)), 4, "", "identifier (every value distinct and whole)"},
      {Variable("DOWN", {"9", "7", "3", "-2", "-8"}), 4, "DOWN -8 9", ""},  // too few for an identifier
      {Variable("ONE", {"7", "", "7"}), 4, "", "constant (every valid value is 7)"},
      {Variable("BIG", {"1", "3000000000"}), 4, "",
       "values beyond the whole numbers of 32 bits that a definition holds"},
      {Variable("", {"1", "2"}), 4, "", "no name in the first record"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.variable.Name + " " + std::to_string(c.categories));
    DraftLine line = DraftVariableLine(c.variable, c.categories);
    EXPECT_EQ(line.Line, c.line);
    EXPECT_EQ(line.Reason, c.reason);
  }
}

// The dataset names of a description, as the run would read them.
Lines DatasetNames(const ExportDescription& d) {
  Lines names;
  for (const VariableDescription& v : d.Variables) names.push_back(v.DatasetName);
  return names;
}

// The draft parses without a problem and finds every name.
void ExpectTheRunTakesIt(const Draft& draft, const ExportDescription& d) {
  ProjectDefinition definition;
  std::vector<DefinitionProblem> problems = FindDefinitionProblems(draft.Lines, "PROJ", DatasetNames(d), definition);
  for (const DefinitionProblem& p : problems) ADD_FAILURE() << p.Line << ": " << p.Message;
  EXPECT_TRUE(MissingNames(definition).empty());
  EXPECT_EQ(definition.VariableCount(), draft.Defined);
}

ExportDescription Export(std::vector<VariableDescription> variables) {
  ExportDescription d;
  d.SpssName = "survey";
  for (std::size_t i = 0; i < variables.size(); ++i) variables[i].Position = i + 1;
  d.Variables = std::move(variables);
  return d;
}

TEST(DraftDefinition, AWholeDefinitionWithWhatIsLeftOut) {
  ExportDescription d = Export({Variable("id", Values(1, 50)), Variable("sex", {"1", "2", "1"}),
                                Variable("city", {"Aarhus", "Vejle"}), Variable("age", Rotated(Values(20, 80, 2)))});
  Draft draft = DraftDefinition(d, {});
  EXPECT_EQ(draft.Lines, (Lines{"survey", "2", "sex 1 2", "age 20 34 50 66 80", "",
                                "Left out:", "id: identifier (every value distinct and whole)", "city: text"}));
  ExpectTheRunTakesIt(draft, d);
}

// The description tells of value labels exported in place of codes: texts
// that outnumber the numbers of a variable with labels and a number's format.
TEST(DraftDefinition, TheDescriptionSaysWhereTheDataHoldLabels) {
  const DictionaryEntry labelled = Entry("F1", "", {{"1", "Male"}, {"2", "Female"}});
  const DictionaryEntry text = Entry("A6", "", {{"1", "Male"}});
  const DictionaryEntry unlabelled = Entry("F1", "");
  ExportDescription description;
  description.Variables = {Variable("SEX", {"Male", "Female", "1"}, &labelled),
                           Variable("KEPT", {"Male", "1", "2"}, &labelled), Variable("CITY", {"Male", "x"}, &text),
                           Variable("NOTE", {"x", "y"}, &unlabelled), Variable("FREE", {"x", "y"})};
  EXPECT_EQ(DescriptionWarnings(description),
            std::vector<std::string>{"SEX holds value labels, not codes: export the data with values"});
}

TEST(DraftDefinition, ChosenVariablesInTheirOrder) {
  ExportDescription d = Export({Variable("id", Values(1, 50)), Variable("sex", {"1", "2", "1"}),
                                Variable("age", Rotated(Values(20, 80, 2))), Variable("q1", {"1", "5"})});
  Draft draft = DraftDefinition(d, {{"Q1", "AGE", "nope", "Sex"}, 3});
  EXPECT_EQ(draft.Lines, (Lines{"survey", "3", "q1 1 5", "age 20 40 60 80", "sex 1 2"}));
  EXPECT_EQ(draft.Unknown, (Lines{"nope"}));
  ExpectTheRunTakesIt(draft, d);

  Draft one = DraftDefinition(d, {{"id", "sex"}, 4});
  EXPECT_TRUE(one.Lines.empty());
  EXPECT_EQ(one.Defined, 1);
  ASSERT_EQ(one.Left.size(), 1u);
  EXPECT_EQ(one.Left[0].Name, "id");
}

TEST(DraftDefinition, NamesThatAgreeInTheirFirst20Characters) {
  ExportDescription d =
      Export({Variable("satisfaction_with_work_2019", {"1", "2"}), Variable("satisfaction_with_work_2020", {"1", "3"}),
              Variable("a", {"1", "2"}), Variable("b", {"1", "2"})});
  Draft draft = DraftDefinition(d, {});
  EXPECT_EQ(draft.Lines, (Lines{"survey", "2", "a 1 2", "b 1 2", "", "Left out:",
                                "satisfaction_with_work_2019: its name's first 20 characters match those of "
                                "satisfaction_with_work_2020",
                                "satisfaction_with_work_2020: its name's first 20 characters match those of "
                                "satisfaction_with_work_2019"}));
  ExpectTheRunTakesIt(draft, d);
}

TEST(DraftDefinition, AtMost58Variables) {
  std::vector<VariableDescription> variables;
  for (int i = 1; i <= 61; ++i) variables.push_back(Variable("v" + std::to_string(i), {"1", "2"}));
  variables.insert(variables.begin() + 3, Variable("note", {"x", "y"}));
  ExportDescription d = Export(variables);
  Draft draft = DraftDefinition(d, {});
  EXPECT_EQ(draft.Defined, 58);
  EXPECT_EQ(draft.Lines[1], "58");
  EXPECT_EQ(draft.Lines[59], "v58 1 2");
  EXPECT_EQ(Lines(draft.Lines.end() - 4, draft.Lines.end()),
            (Lines{"note: text", "v59: past the 58th variable", "v60: past the 58th variable",
                   "v61: past the 58th variable"}));
  ExpectTheRunTakesIt(draft, d);
}

}  // namespace
}  // namespace s2v
