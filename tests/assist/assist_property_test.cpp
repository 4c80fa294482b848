// Properties of the assistant on generated exports, checked against the run
// itself: the draft of any export passes the check and the run completes on
// it; the check gives an error exactly when the run stops at a check, with the
// run's own message; the description is the same on every reading.
#include <cstdlib>
#include <random>

#include "assist/check_definition.h"
#include "assist/description_format.h"
#include "assist/draft_definition.h"
#include "model/project_names.h"
#include "run_fixture.h"

namespace s2v {
namespace {

struct GeneratedExport {
  std::string Data;
  std::string FileInfo;  // older layout; empty: none
};

// An export of a few dozen cases whose columns are of the kinds users have:
// codes with a declared missing code, ages, incomes with decimal commas, text,
// an identifier, a constant, an empty column, signed decimals, long names that
// agree in their first 20 characters, values beyond 32 bits, and names no
// run can take as they stand (block markers, commas, blanks, high bytes,
// none); with empty and blank fields, short and long cases, CR LF or LF line
// ends.
GeneratedExport Generate(std::mt19937& random) {
  static const std::vector<std::string> kAwkwardNames = {"<-",
                                                         "<x",
                                                         "a,b",
                                                         "two words",
                                                         "",
                                                         " ",
                                                         "\xC6\xD8",
                                                         "x\"y",
                                                         "12",
                                                         ">",
                                                         "-",
                                                         "V1",
                                                         "#",
                                                         "a\xA0"
                                                         "b"};
  auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  struct Column {
    std::string name;
    int kind;
    int codes;
  };
  std::vector<Column> columns;
  const int count = 2 + below(70);
  for (int i = 1; i <= count; ++i) {
    int kind = below(10);
    std::string name = kind == 8 ? "satisfaction_with_item_" + std::to_string(i) : "v" + std::to_string(i);
    if (below(3) == 0) name[0] = static_cast<char>(name[0] - 'a' + 'A');
    if (below(12) == 0) name = kAwkwardNames[static_cast<std::size_t>(below(static_cast<int>(kAwkwardNames.size())))];
    columns.push_back({name, kind, 2 + below(6)});
  }
  const std::string lineEnd = below(4) == 0 ? "\n" : "\r\n";
  GeneratedExport generated;
  for (std::size_t i = 0; i < columns.size(); ++i) generated.Data += (i > 0 ? "\t" : "") + columns[i].name;
  generated.Data += lineEnd;
  const int cases = below(90);
  for (int c = 0; c < cases; ++c) {
    std::size_t fields = columns.size();
    if (below(20) == 0) fields = 1 + static_cast<std::size_t>(below(static_cast<int>(columns.size())));
    if (below(20) == 0) fields += 2;
    for (std::size_t i = 0; i < fields; ++i) {
      if (i > 0) generated.Data += '\t';
      if (i >= columns.size()) {
        generated.Data += "1";
        continue;
      }
      const Column& column = columns[i];
      int r = below(100);
      if (r < 3 && column.kind != 4) continue;
      if (r < 4 && column.kind != 4) {
        generated.Data += ' ';
        continue;
      }
      switch (column.kind) {
        case 0: generated.Data += std::to_string(below(10) == 0 ? 9 : 1 + below(column.codes)); break;
        case 1: generated.Data += std::to_string(18 + below(73)); break;
        case 2: generated.Data += std::to_string(below(9000)) + "," + std::to_string(10 + below(90)); break;
        case 3: generated.Data += below(2) ? "Aarhus" : "Odense"; break;
        case 4: generated.Data += std::to_string(1000 + c); break;
        case 5: generated.Data += "5"; break;
        case 6: break;
        case 7: generated.Data += std::to_string(below(101) - 50) + "." + std::to_string(below(10)); break;
        case 8: generated.Data += std::to_string(1 + below(4)); break;
        default: generated.Data += std::to_string(3000000000LL + below(1000)); break;
      }
    }
    generated.Data += lineEnd;
  }

  if (below(3) == 0) return generated;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const Column& column = columns[i];
    if (below(10) == 0) continue;
    auto& text = generated.FileInfo;
    text += column.name + "   Label of " + column.name + "   " + std::to_string(i + 1) + "\r\n";
    text += std::string("         Print Format: ") + (column.kind == 3 ? "A10" : "F8.2") + "\r\n";
    text += "         Write Format: F8.2\r\n";
    if (column.kind == 0) text += "         Missing Values: 9\r\n";
    text += "\r\n";
    if (column.kind == 0) {
      text += "           Value    Label\r\n\r\n";
      for (int code = 1; code <= column.codes; ++code)
        text += "               " + std::to_string(code) + "    Code\r\n";
      text += "               9    No answer\r\n\r\n";
    }
  }
  return generated;
}

class AssistPropertyTest : public RunTest {
 protected:
  // Writes the export pair "gen" of the seed into the working folder.
  void WriteExport(unsigned seed) {
    std::mt19937 random(seed);
    GeneratedExport generated = Generate(random);
    WriteInput("gen.DAT", generated.Data);
    if (!generated.FileInfo.empty()) WriteInput("gen.TXT", generated.FileInfo);
  }

  // The message at which the run stopped: its last report line, or the
  // question it asked about a missing data file.
  std::string RunStopMessage() const {
    for (const std::string& shown : tk.shown)
      if (shown.find("does not exist here") != std::string::npos) return shown.substr(shown.find(": ") + 2);
    for (auto it = tk.report.rbegin(); it != tk.report.rend(); ++it)
      if (!it->empty()) return *it;
    return {};
  }

  // Checks lines, runs them, and expects the check to foresee the run.
  // Returns whether the run stopped.
  bool ExpectTheCheckForeseesTheRun(const Lines& lines) {
    SCOPED_TRACE(testing::PrintToString(lines));
    DefinitionCheck check = CheckDefinition(folder, lines, shell.ProjectName, false);
    tk.answers = {"No"};
    tk.shown.clear();
    RunOutcome outcome = Run(lines);
    EXPECT_EQ(outcome == RunOutcome::Stopped, check.RunStops()) << "stopped at: " << RunStopMessage();
    if (outcome != RunOutcome::Stopped) return false;
    std::string message = RunStopMessage();
    const std::string question = " Do you want to find it?";
    if (message.size() > question.size() && message.ends_with(question))
      message.resize(message.size() - question.size());
    Lines errors;
    for (const Finding& f : check.Findings)
      if (f.Kind == FindingKind::Error) errors.push_back(f.Message);
    EXPECT_NE(std::find(errors.begin(), errors.end(), message), errors.end())
        << "the run stopped at \"" << message << "\"; the check gave " << testing::PrintToString(errors);
    return true;
  }
};

TEST_F(AssistPropertyTest, TheDraftPassesTheCheckAndTheRunCompletes) {
  int drafted = 0;
  for (unsigned seed = 1; seed <= 30; ++seed) {
    SCOPED_TRACE(seed);
    WriteExport(seed);
    ExportDescription description = DescribeExport(folder, "gen");
    // The same bytes on every reading.
    EXPECT_EQ(DescriptionTable(DescribeExport(folder, "gen")), DescriptionTable(description));
    EXPECT_EQ(DescriptionTsv(DescribeExport(folder, "gen")), DescriptionTsv(description));

    Draft draft = DraftDefinition(description, {{}, 2 + static_cast<int>(seed % 5)});
    if (draft.Lines.empty()) {
      EXPECT_LT(draft.Defined, 2);
      continue;
    }
    ++drafted;
    DefinitionCheck check = CheckDefinition(folder, draft.Lines, shell.ProjectName, true);
    for (const Finding& f : check.Findings)
      if (f.Kind == FindingKind::Error) ADD_FAILURE() << f.Line << ": " << f.Text();
    EXPECT_EQ(Run(draft.Lines), RunOutcome::Completed) << testing::PrintToString(tk.report);
    fs::remove(At("gen.TXT"));
    inputs_.erase(At("gen.TXT"));
  }
  EXPECT_GT(drafted, 20);
}

// Slips of every kind in a sound definition.
Lines Mutated(Lines lines, std::mt19937& random) {
  auto below = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
  const std::size_t variableLine = 2 + below(lines.size() - 2);
  std::string& line = lines[variableLine];
  switch (below(14)) {
    case 0: line.insert(1, "x"); break;                                         // a misspelt name
    case 1: line.erase(1, 1); break;                                            // another
    case 2: lines[1] = std::to_string(std::atoi(lines[1].c_str()) + 1); break;  // too few variables
    case 3: lines[1] = "two"; break;
    case 4: lines[1] = below(2) ? "1" : "59"; break;
    case 5: line = ExtractWord(1, line) + " " + ExtractWord(2, line); break;  // one bound
    case 6: line += " abc"; break;
    case 7: line = ExtractWord(1, line) + " 1.5 9"; break;  // a range with decimals
    case 8: lines[0] = below(2) ? "gen gen" : "ge#n"; break;
    case 9: lines[0] = "absent"; break;
    case 10: lines.insert(lines.begin() + static_cast<long>(variableLine), "<-"); break;
    case 11: lines.insert(lines.begin() + static_cast<long>(variableLine), ""); break;
    case 12: line += "\t1"; break;
    default: lines[1] = std::to_string(std::atoi(lines[1].c_str()) - 1); break;  // a line too many
  }
  return lines;
}

TEST_F(AssistPropertyTest, TheCheckGivesAnErrorExactlyWhenTheRunStops) {
  std::mt19937 random(1414);
  int checked = 0;
  int stopped = 0;
  for (unsigned seed = 100; checked < 60 && seed < 200; ++seed) {
    WriteExport(seed);
    Draft draft = DraftDefinition(DescribeExport(folder, "gen"), {});
    if (draft.Lines.empty()) continue;
    // The draft without its free text, so that a slip can reach every line.
    Lines sound(draft.Lines.begin(), draft.Lines.begin() + 2 + draft.Defined);
    for (int slips = 0; slips < 3; ++slips) {
      Lines lines = Mutated(sound, random);
      if (random() % 3 == 0) lines = Mutated(lines, random);
      // A project name too long for the file system's names.
      if (random() % 12 == 0) shell.ProjectName = std::string(250, 'P');
      stopped += ExpectTheCheckForeseesTheRun(lines) ? 1 : 0;
      shell.ProjectName = "PROJ";
      ++checked;
    }
  }
  EXPECT_GE(checked, 60);
  // Both outcomes are met often.
  EXPECT_GT(stopped, checked / 4);
  EXPECT_LT(stopped, checked - checked / 10);
}

}  // namespace
}  // namespace s2v
