// The import on system files that PSPP writes from syntax in the test: the
// pair it writes must give the same project as PSPP's own tab-delimited
// export of the same data, and the category file must carry the labels.
#include "import/file_import.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstdlib>
#include <string_view>
#include <tuple>

#include "import/file_reader.h"
#include "import/sav_writer.h"
#include "run_fixture.h"
#include "support/io_error.h"

namespace s2v {
namespace {

bool HavePspp() { return std::system("command -v pspp >/dev/null 2>&1") == 0; }

constexpr const char* kNoPspp =
    "pspp is not installed (Debian package pspp; scripts/bootstrap.sh installs it): "
    "the test needs it to write system files";

// Records of tab-separated fields; LF or CR LF end a record.
std::vector<Lines> Records(const std::string& bytes) {
  std::vector<Lines> records;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    std::string_view line(bytes.data() + start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    Lines fields;
    for (std::size_t from = 0;;) {
      std::size_t tab = line.find('\t', from);
      fields.emplace_back(line.substr(from, tab == std::string_view::npos ? std::string_view::npos : tab - from));
      if (tab == std::string_view::npos) break;
      from = tab + 1;
    }
    records.push_back(std::move(fields));
    start = end + 1;
  }
  return records;
}

std::optional<double> NumberIn(std::string_view text) {
  double value = 0;
  auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size()) return std::nullopt;
  return value;
}

bool IsBlank(std::string_view text) { return text.find_first_not_of(' ') == std::string_view::npos; }

// PSPP writes a system-missing value as a blank and numbers in the fewest
// digits, with an exponent for very small or large ones; the import writes an
// empty field and no exponent. Numbers must be equal as numbers, strings as
// text.
void ExpectSameExport(const std::string& imported, const std::string& pspp) {
  std::vector<Lines> ours = Records(imported);
  std::vector<Lines> theirs = Records(pspp);
  ASSERT_EQ(ours.size(), theirs.size());
  for (std::size_t r = 0; r < ours.size(); ++r) {
    ASSERT_EQ(ours[r].size(), theirs[r].size()) << "record " << r;
    for (std::size_t f = 0; f < ours[r].size(); ++f) {
      const std::string& a = ours[r][f];
      const std::string& b = theirs[r][f];
      if (r > 0 && IsBlank(b)) {
        EXPECT_EQ(a, "") << "record " << r << " field " << f;
      } else if (std::optional<double> number = r > 0 ? NumberIn(b) : std::nullopt) {
        EXPECT_EQ(NumberIn(a), number) << "record " << r << " field " << f << ": " << a << " / " << b;
      } else {
        EXPECT_EQ(a, b) << "record " << r << " field " << f;
      }
    }
  }
}

// The VORNEX data files, value for value.
void ExpectSameNumbers(const std::string& ours, const std::string& theirs) {
  std::istringstream a(ours);
  std::istringstream b(theirs);
  std::string x;
  std::string y;
  std::size_t n = 0;
  while (a >> x) {
    ASSERT_TRUE(b >> y) << "the import's data file has more values, from value " << n;
    ASSERT_TRUE(NumberIn(x)) << x;
    EXPECT_EQ(NumberIn(x), NumberIn(y)) << "value " << n << ": " << x << " / " << y;
    ++n;
  }
  EXPECT_FALSE(b >> y) << "the export's data file has more values, from value " << n;
  EXPECT_GT(n, 0u);
}

Lines LinesOf(const std::string& bytes) {
  Lines lines;
  std::istringstream in(bytes);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

class SavImportTest : public RunTest {
 protected:
  // PSPP is given paths relative to the working folder, so the test moves
  // there; the import and the runs are given the folder itself.
  void SetUp() override {
    RunTest::SetUp();
    if (!HavePspp()) GTEST_SKIP() << kNoPspp;
    start_ = fs::current_path();
    fs::current_path(folder_);
  }
  void TearDown() override {
    if (!start_.empty()) fs::current_path(start_);
    RunTest::TearDown();
  }

  // Runs the syntax with PSPP in the working folder.
  void RunPspp(const std::string& syntax) {
    std::ofstream("make.sps", std::ios::binary) << syntax;
    ASSERT_EQ(std::system("pspp make.sps >make.log 2>&1"), 0) << Read("make.log");
  }

  // Imports the file of a path in the working folder; its folder becomes the
  // working folder.
  ImportResult Import(const std::string& path) {
    std::string savName;
    std::tie(folder, savName) = WorkingFolder::OfFile(path, folder_.string());
    return ImportFile(folder, savName, [](const std::string& question) {
      ADD_FAILURE() << "unexpected question: " << question;
      return false;
    });
  }

  // PSPP writes imp/BASE.sav and its export ref/BASE.DAT; exportSteps run
  // between the two (dates must be numbers for the export to be compared).
  // The import's File Info stands in for the one PSPP cannot export. Both
  // folders are run on the project definition, and the project files are
  // compared. Returns the import's result; imp is the working folder after.
  ImportResult ImportAndCompare(const std::string& base, const std::string& syntax, const std::string& exportSteps,
                                const Lines& spc) {
    fs::create_directories("imp");
    fs::create_directories("ref");
    RunPspp(syntax + "SAVE OUTFILE='imp/" + base + ".sav'.\n" + exportSteps + "SAVE TRANSLATE /OUTFILE='ref/" + base +
            ".DAT' /TYPE=TAB /FIELDNAMES /REPLACE.\n");
    if (HasFatalFailure()) return {};
    const fs::path imp = folder_ / "imp";
    const fs::path ref = folder_ / "ref";
    ImportResult result = Import("imp/" + base + ".sav");
    EXPECT_TRUE(result.Done);
    EXPECT_EQ(result.BaseName, base);
    EXPECT_EQ(folder.Path(), imp.string());
    ExpectSameExport(Read(imp / (base + ".DAT")), Read(ref / (base + ".DAT")));
    fs::copy_file(imp / (base + ".TXT"), ref / (base + ".TXT"));

    EXPECT_EQ(Run(spc), RunOutcome::Completed) << ::testing::PrintToString(tk.report);
    folder = WorkingFolder(ref.string());
    tk = ScriptedToolkit();
    shell.ProjectName = "PROJ";
    EXPECT_EQ(Run(spc), RunOutcome::Completed) << ::testing::PrintToString(tk.report);
    folder = WorkingFolder(imp.string());

    for (const char* ext : {".LAB", ".DEF", ".VAR", ".CAT", ".TXT"})
      EXPECT_EQ(Read(imp / ("PROJ" + std::string(ext))), Read(ref / ("PROJ" + std::string(ext)))) << ext;
    ExpectSameNumbers(Read(imp / "PROJ.DAT"), Read(ref / "PROJ.DAT"));
    return result;
  }

  void ExpectCategoryLines(const Lines& expected) {
    const Lines lines = LinesOf(Read(fs::path(folder.Path()) / "PROJ.CAT"));
    for (const std::string& line : expected)
      EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line << " is not in\n"
                                                                          << ::testing::PrintToString(lines);
  }

 private:
  fs::path start_;
};

// Numeric and string variables (one longer than 255 bytes), value labels,
// user-missing values (discrete and a range), system-missing values, a date
// and long names.
constexpr const char* kMixedSyntax = R"(INPUT PROGRAM.
STRING city (A20) /remark (A300).
LOOP #i = 1 TO 2500.
COMPUTE id = #i.
COMPUTE sex = 1 + MOD(#i, 2).
IF (MOD(#i, 50) = 0) sex = $SYSMIS.
COMPUTE agegroup = 1 + MOD(#i * 7, 6).
IF (MOD(#i, 31) = 0) agegroup = 99.
COMPUTE score = (MOD(#i * 37, 2001) - 1000) / 8.
COMPUTE income = MOD(#i * 7919, 100000) / 100.
IF (MOD(#i, 23) = 0) income = -1 - MOD(#i, 9).
IF (MOD(#i, 29) = 0) income = $SYSMIS.
COMPUTE bday = DATE.DMY(1 + MOD(#i, 28), 1 + MOD(#i, 12), 1940 + MOD(#i, 60)).
COMPUTE a_very_long_variable_name_for_testing_purposes = MOD(#i, 2).
COMPUTE q1 = 1 + MOD(#i, 5).
IF (MOD(#i, 13) = 0) q1 = 9.
DO IF MOD(#i, 4) = 0.
COMPUTE city = 'Copenhagen'.
ELSE IF MOD(#i, 4) = 1.
COMPUTE city = 'Vibo rg'.
ELSE IF MOD(#i, 4) = 2.
COMPUTE city = '12'.
END IF.
COMPUTE remark = RPAD('long', 280, 'x').
END CASE.
END LOOP.
END FILE.
END INPUT PROGRAM.
FORMATS id (F6) sex agegroup q1 (F2) score (F8.3) income (F10.2) bday (DATE11)
  a_very_long_variable_name_for_testing_purposes (F1).
VARIABLE LABELS sex 'Sex of respondent' /agegroup 'Age group' /score 'Test score'
  /a_very_long_variable_name_for_testing_purposes 'Member of the club'.
VALUE LABELS sex 1 'Male' 2 'Female person'
  /agegroup 1 '18 to 24' 2 '25 to 34' 3 '35 to 44' 4 '45 to 54' 5 '55 to 64' 6 '65 and over' 99 'No answer'
  /q1 1 'Strongly disagree' 5 'Strongly agree' 9 'No answer'
  /a_very_long_variable_name_for_testing_purposes 0 'No' 1 'Yes'
  /city 'Copenhagen' 'Capital'.
MISSING VALUES agegroup (99) /income (-9 THRU -1) /q1 (9).
)";

TEST_F(SavImportTest, MixedVariablesGiveTheProjectOfPsppsExport) {
  ImportResult result =
      ImportAndCompare("mixed", kMixedSyntax, "FORMATS bday (F12.0).\n",
                       {"mixed", "6", "sex 1 2", "agegroup 1 6", "<-", "score -125 0 50 125", "income 0 100 500 1000",
                        "a_very_long_variable_name_for_testing_purposes 0 1", "q1 1 5"});
  ExpectCategoryLines({"A 1 MALE", "A 2 FEMALE_PERSON", "B 1 18_TO_24", "B 4 45_TO_54", "B 6 65_AND_OVER",
                       "F 1 STRONGLY_DISAGREE", "F 2 2", "F 5 STRONGLY_AGREE"});
  EXPECT_EQ(result.ReportLines,
            (Lines{"The SPSS system file is mixed.sav", "10 variables found on the system file, 2 of them string",
                   "2500 cases found on the system file", "15 value labels found for 5 variables",
                   "3 variables with user-missing values: the data keep them as values",
                   "Names longer than 20 characters get no labels in a project: "
                   "a_very_long_variable_name_for_testing_purposes",
                   "Written: mixed.DAT (tab-delimited data) and mixed.TXT (File Info)"}));
  // User-missing codes stay in the data; the long string is one field.
  const std::vector<Lines> records = Records(Read(fs::path(folder.Path()) / "mixed.DAT"));
  ASSERT_EQ(records.size(), 2501u);
  EXPECT_EQ(records[31][4], "99");
  EXPECT_EQ(records[23][6], "-6");
  EXPECT_EQ(records[1][1], std::string("long") + std::string(276, 'x'));
}

// More than 255 variables and a few thousand cases.
constexpr const char* kWideSyntax = R"(INPUT PROGRAM.
VECTOR v(300, F8.2).
LOOP #i = 1 TO 3000.
LOOP #j = 1 TO 300.
COMPUTE v(#j) = MOD(#i * 7 + #j * 13, 101) / 4.
IF (MOD(#i + #j, 17) = 0) v(#j) = $SYSMIS.
END LOOP.
END CASE.
END LOOP.
END FILE.
END INPUT PROGRAM.
COMPUTE v1 = 1 + MOD($CASENUM, 3).
VALUE LABELS v1 1 'Low' 2 'Middle' 3 'High' /v300 0 'Zero'.
MISSING VALUES v2 (0).
)";

TEST_F(SavImportTest, WideFileGivesTheProjectOfPsppsExport) {
  ImportResult result = ImportAndCompare(
      "wide", kWideSyntax, "", {"wide", "4", "v1 1 3", "v2 0 5 10 25.25", "<-", "v150 0 10 20 30", "v300 0 25"});
  ExpectCategoryLines({"A 1 LOW", "A 2 MIDDLE", "A 3 HIGH", "D 1 ZERO"});
  EXPECT_EQ(result.ReportLines[1], "300 variables found on the system file");
  EXPECT_EQ(result.ReportLines[2], "3000 cases found on the system file");
  EXPECT_EQ(LinesOf(Read(fs::path(folder.Path()) / "PROJ.LAB")).size(), 300u);
}

// Numbers that PSPP writes with an exponent are equal as numbers; the run
// reads the import's as numbers, where it takes PSPP's for missing.
TEST_F(SavImportTest, VerySmallAndLargeNumbersAreWrittenWithoutExponent) {
  RunPspp(
      "DATA LIST LIST /tiny (F8.4) huge (F12.0).\nBEGIN DATA\n0.00001 1e20\n-3.3e-7 -2e16\nEND DATA.\n"
      "SAVE OUTFILE='extremes.sav'.\n"
      "SAVE TRANSLATE /OUTFILE='pspp.dat' /TYPE=TAB /FIELDNAMES /REPLACE.\n");
  ASSERT_TRUE(Import("extremes.sav").Done);
  ExpectSameExport(Read("extremes.DAT"), Read("pspp.dat"));
  EXPECT_EQ(Read("extremes.DAT"),
            "tiny\thuge\r\n0.00001\t100000000000000000000\r\n-0.00000033\t-20000000000000000\r\n");
  EXPECT_NE(Read("pspp.dat").find("1e-05"), std::string::npos);
}

class SavImportFilesTest : public SavImportTest {
 protected:
  void SetUp() override {
    SavImportTest::SetUp();
    if (IsSkipped()) return;
    RunPspp(
        "DATA LIST LIST /x (F2) y (F4.1).\nBEGIN DATA\n1 2.5\n2 .\nEND DATA.\n"
        "VALUE LABELS x 1 'One' 2 'Two'.\nSAVE OUTFILE='small.sav'.\n");
    fs::remove("make.sps");
    fs::remove("make.log");
  }

  ImportResult ImportAnswering(bool answer) {
    return ImportFile(folder, "small.sav", [this, answer](const std::string& question) {
      questions.push_back(question);
      return answer;
    });
  }

  static constexpr const char* kSmallData = "x\ty\r\n1\t2.5\r\n2\t\r\n";
  Lines questions;
};

TEST_F(SavImportFilesTest, ReportsWhatItFoundAndCountsTheCases) {
  std::vector<std::int64_t> counts;
  Lines shown;
  ImportProgress progress;
  progress.ReportLine = [&](const std::string& line) { shown.push_back(line); };
  progress.CasesWritten = [&](std::int64_t n) { counts.push_back(n); };
  ImportResult result = ImportFile(folder, "small.sav", nullptr, progress);
  EXPECT_TRUE(result.Done);
  EXPECT_EQ(result.BaseName, "small");
  EXPECT_EQ(result.ReportLines, (Lines{"The SPSS system file is small.sav", "2 variables found on the system file",
                                       "2 cases found on the system file", "2 value labels found for 1 variable",
                                       "Written: small.DAT (tab-delimited data) and small.TXT (File Info)"}));
  EXPECT_EQ(shown, result.ReportLines);
  EXPECT_EQ(counts, std::vector<std::int64_t>{2});
  EXPECT_EQ(Read("small.DAT"), kSmallData);
  EXPECT_EQ(Files(), (Lines{"small.DAT", "small.TXT", "small.sav"}));
}

TEST_F(SavImportFilesTest, KeepsAnExistingFileUnlessReplacingIsConfirmed) {
  Write("SMALL.dat", "old");
  ImportResult result = ImportAnswering(false);
  EXPECT_FALSE(result.Done);
  EXPECT_EQ(questions, Lines{"SMALL.dat already exists. Replace it?"});
  EXPECT_EQ(result.ReportLines.back(), "SMALL.dat was kept; nothing was imported");
  EXPECT_EQ(Read("SMALL.dat"), "old");
  EXPECT_EQ(Files(), (Lines{"SMALL.dat", "small.sav"}));
}

TEST_F(SavImportFilesTest, ReplacesExistingFilesUnderTheirNamesWhenConfirmed) {
  Write("SMALL.dat", "old");
  Write("small.txt", "old");
  EXPECT_TRUE(ImportAnswering(true).Done);
  EXPECT_EQ(questions, Lines{"SMALL.dat and small.txt already exist. Replace them?"});
  EXPECT_EQ(Files(), (Lines{"SMALL.dat", "small.sav", "small.txt"}));
  EXPECT_EQ(Read("SMALL.dat"), kSmallData);
  EXPECT_EQ(Read("small.txt").substr(0, 18), "File Information\r\n");
}

TEST_F(SavImportFilesTest, AFailureToFinishLeavesNoFileBehind) {
  fs::create_directory("small.DAT");  // the data file cannot take its name
  try {
    ImportAnswering(true);
    ADD_FAILURE() << "no input/output failure";
  } catch (const IoError& error) {
    EXPECT_EQ(error.code(), kFileAccessDenied);
  }
  EXPECT_EQ(Files(), (Lines{"small.DAT", "small.sav"}));
}

TEST_F(SavImportFilesTest, TheSystemFileIsFoundWithoutRegardToCase) {
  ImportResult result = ImportAnswering(false);
  ASSERT_TRUE(result.Done);
  fs::rename("small.sav", "Small.SAV");
  fs::remove("small.DAT");
  fs::remove("small.TXT");
  result = ImportAnswering(false);
  EXPECT_TRUE(result.Done);
  EXPECT_EQ(result.BaseName, "small");
  EXPECT_EQ(Read("small.DAT"), kSmallData);
}

TEST_F(SavImportFilesTest, ACutFileIsRefusedAndItsPartialDataRemoved) {
  const std::string bytes = Read("small.sav");
  Write("small.sav", bytes.substr(0, bytes.size() - 8));
  ImportResult result = ImportAnswering(false);
  EXPECT_FALSE(result.Done);
  EXPECT_EQ(result.ReportLines.back().rfind("small.sav could not be read as an SPSS system file: ", 0), 0u)
      << result.ReportLines.back();
  EXPECT_EQ(Files(), Lines{"small.sav"});
}

TEST_F(SavImportFilesTest, CompressedAndUncompressedFilesGiveTheSameData) {
  RunPspp(
      "GET FILE='small.sav'.\nSAVE OUTFILE='plain.sav' /UNCOMPRESSED.\n"
      "SAVE OUTFILE='packed.zsav' /ZCOMPRESSED.\n");
  ASSERT_TRUE(Import("plain.sav").Done);
  ASSERT_TRUE(Import("packed.zsav").Done);
  EXPECT_EQ(Read("plain.DAT"), kSmallData);
  EXPECT_EQ(Read("packed.DAT"), kSmallData);
}

// Refusals that need no system file.
class SavImportRefusalTest : public RunTest {};

TEST_F(SavImportRefusalTest, AFileThatIsNotASystemFileLeavesNothing) {
  Write("junk.sav", "not a system file\r\n");
  ImportResult result = ImportFile(folder, "junk.sav", nullptr);
  EXPECT_FALSE(result.Done);
  ASSERT_EQ(result.ReportLines.size(), 2u);
  EXPECT_EQ(result.ReportLines[1].rfind("junk.sav could not be read as an SPSS system file: ", 0), 0u)
      << result.ReportLines[1];
  EXPECT_EQ(Files(), Lines{"junk.sav"});
}

TEST_F(SavImportRefusalTest, AMissingFileIsAnInputOutputFailure) {
  try {
    ImportFile(folder, "absent.sav", nullptr);
    ADD_FAILURE() << "no input/output failure";
  } catch (const IoError& error) {
    EXPECT_EQ(error.code(), kFileNotFound);
  }
  EXPECT_TRUE(Files().empty());
}

TEST_F(SavImportRefusalTest, NamesThatTheRunWouldRefuseOrThatWouldReplaceTheInput) {
  Write("my+survey.sav", "x");
  Write("survey.dat", "x");
  Write("a.b.sav", "x");
  ImportResult refused = ImportFile(folder, "my+survey.sav", nullptr);
  EXPECT_FALSE(refused.Done);
  EXPECT_EQ(refused.ReportLines.back(),
            "The name my+survey cannot name the SPSS files of a run: use letters, digits, \"-\" and \"_\" only");
  EXPECT_FALSE(ImportFile(folder, "a.b.sav", nullptr).Done);
  ImportResult itself = ImportFile(folder, "survey.dat", nullptr);
  EXPECT_FALSE(itself.Done);
  EXPECT_EQ(itself.ReportLines.back(), "The import would replace survey.dat itself");
  EXPECT_EQ(Files(), (Lines{"a.b.sav", "my+survey.sav", "survey.dat"}));
}

// The values a library hands over must make whole cases.
TEST(CaseShape, ValuesMakeWholeCasesInDictionaryOrder) {
  struct Case {
    std::vector<std::size_t> indexes;
    std::int64_t announced;
    std::optional<std::string> fault;
  } cases[] = {
      {{0, 1, 2, 0, 1, 2}, 2, std::nullopt},
      {{0, 1, 2, 0, 1, 2}, -1, std::nullopt},
      {{}, 0, std::nullopt},
      // Values for two of three variables: the third never comes.
      {{0, 1, 0, 1}, -1, "case 1 does not have one value for each of the 3 variables of the dictionary"},
      {{0, 1, 2, 0, 2}, -1, "case 2 does not have one value for each of the 3 variables of the dictionary"},
      {{0, 1, 2, 0}, -1, "case 2 ends after 1 of the values of its 3 variables"},
      {{0, 1, 2}, 2, "the file announces 2 cases but holds 1"},
  };
  for (const Case& c : cases) {
    CaseShape shape(3);
    int ended = 0;
    for (std::size_t index : c.indexes) {
      bool caseEnded = false;
      if (!shape.Value(index, caseEnded)) break;
      ended += caseEnded;
    }
    EXPECT_EQ(shape.Fault(c.announced), c.fault) << testing::PrintToString(c.indexes);
    if (!c.fault) {
      EXPECT_EQ(ended, shape.Cases());
    }
  }
}

// A system file committed with the tests (3 variables, 3 cases, written by
// PSPP without compression), so that these run without PSPP.
class CommittedSavTest : public RunTest {
 protected:
  std::string SavBytes() const { return Read(fs::path(TEST_DATA_DIR) / "import" / "three.sav"); }
};

TEST_F(CommittedSavTest, ImportsAndAnnouncedCaseCountIsChecked) {
  WriteInput("three.sav", SavBytes());
  ImportResult result = ImportFile(folder, "three.sav", nullptr);
  ASSERT_TRUE(result.Done) << testing::PrintToString(result.ReportLines);
  EXPECT_EQ(Read("three.DAT"), "a\tb\tc\r\n1\t2\t3\r\n4\t5\t6\r\n7\t8\t9\r\n");

  // The header's case count (offset 80) made larger than the cases held.
  std::string damaged = SavBytes();
  damaged[80] = 5;
  WriteInput("five.sav", damaged);
  result = ImportFile(folder, "five.sav", nullptr);
  EXPECT_FALSE(result.Done);
  EXPECT_EQ(result.ReportLines.back().rfind("five.sav could not be read as an SPSS system file: ", 0), 0u);
  EXPECT_EQ(Files(), (Lines{"five.sav", "three.DAT", "three.TXT", "three.sav"}));
}

TEST_F(CommittedSavTest, AStopLeavesNoFile) {
  std::vector<std::vector<double>> rows(2500, {1.0, 2.5});
  WriteInput("many.sav", WriteSav({"x", "y"}, rows));
  ImportProgress progress;
  std::vector<std::int64_t> asked;
  progress.StopRequested = [&] { return true; };
  progress.CasesWritten = [&](std::int64_t cases) { asked.push_back(cases); };
  ImportResult result = ImportFile(folder, "many.sav", nullptr, progress);
  EXPECT_FALSE(result.Done);
  EXPECT_TRUE(result.Stopped);
  EXPECT_EQ(asked, std::vector<std::int64_t>{1000});
  EXPECT_EQ(result.ReportLines.back(), "Import stopped at case 1000; nothing was written");
  EXPECT_EQ(Files(), Lines{"many.sav"});
}

TEST_F(CommittedSavTest, AnOutputLinkedToTheSystemFileIsRefused) {
  WriteInput("three.sav", SavBytes());
  fs::create_hard_link(At("three.sav"), At("three.TXT"));
  ImportResult result = ImportFile(folder, "three.sav", [](const std::string&) { return true; });
  EXPECT_FALSE(result.Done);
  EXPECT_EQ(result.ReportLines.back(), "The import would replace three.sav itself");
  EXPECT_EQ(Read("three.sav"), SavBytes());
}

}  // namespace
}  // namespace s2v
