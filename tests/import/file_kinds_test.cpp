// The import of each kind of file, on small files committed with the tests:
// labels.sav and labels.zsav (written by PSPP in UTF-8), labels.por (PSPP's
// portable file) and labels.dta (a Stata 14 file written through libreadstat,
// with an extended missing value). See tests/data/import/make_labels.*.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "import/file_import.h"
#include "import/file_reader.h"
#include "import/sav_writer.h"
#include "run_fixture.h"

namespace s2v {
namespace {

const Lines kSpc = {"labels", "2", "SEX 1 2", "REGION 1 3"};

class FileKindTest : public RunTest, public ::testing::WithParamInterface<const char*> {
 protected:
  std::string Committed(const std::string& name) const { return Read(fs::path(TEST_DATA_DIR) / "import" / name); }
  ImportResult Import(const std::string& name, const CodePage& codePage = CodePage::Windows1252()) {
    return ImportFile(folder, name, nullptr, {}, codePage);
  }
};

TEST_P(FileKindTest, ImportsAndTheRunsCategoryFileCarriesItsValueLabels) {
  const std::string name = GetParam();
  WriteInput(name, Committed(name));
  ImportResult result = Import(name);
  ASSERT_TRUE(result.Done) << testing::PrintToString(result.ReportLines);
  EXPECT_EQ(result.BaseName, "labels");
  const std::string data = Read("labels.DAT");
  EXPECT_EQ(data.substr(0, data.find('\r')), "SEX\tAGE\tREGION\tNAME");
  EXPECT_NE(result.ReportLines[1].find("4 variables found on the "), std::string::npos);
  EXPECT_NE(result.ReportLines[2].find("4 cases found on the "), std::string::npos);

  ASSERT_EQ(Run(kSpc), RunOutcome::Completed) << testing::PrintToString(tk.report);
  const std::string categories = Read("PROJ.CAT");
  EXPECT_NE(categories.find("A 2 WEIBLICH\r\n"), std::string::npos) << categories;
  EXPECT_NE(categories.find("B 3 SYMBOL"), std::string::npos) << categories;
}

TEST_P(FileKindTest, ThePairHasThePermissionsOfAFileWrittenThere) {
  const std::string name = GetParam();
  WriteInput(name, Committed(name));
  const mode_t before = umask(022);
  ImportResult result = Import(name);
  umask(before);
  ASSERT_TRUE(result.Done);
  for (const char* file : {"labels.DAT", "labels.TXT"})
    EXPECT_EQ(fs::status(At(file)).permissions(), static_cast<fs::perms>(0644)) << file;
}

TEST_P(FileKindTest, ADamagedFileEndsWithItsReasonAndLeavesNoFile) {
  const std::string name = GetParam();
  const std::string whole = Committed(name);
  // Cut at several places, and the mark of the kind changed (a portable
  // file's first 200 bytes are free text; its mark follows a table).
  std::vector<std::string> damaged;
  for (std::size_t cut : {std::size_t{4}, std::size_t{100}, whole.size() / 2, whole.size() * 3 / 4})
    damaged.push_back(whole.substr(0, cut));
  std::string header = whole;
  const std::size_t tag = header.find("SPSSPORT");
  const std::size_t at = tag == std::string::npos ? 0 : tag + 5;
  header[at] = 'X';
  header[at + 1] = 'Y';
  damaged.push_back(header);
  for (std::size_t i = 0; i < damaged.size(); ++i) {
    WriteInput(name, damaged[i]);
    ImportResult result = Import(name);
    EXPECT_FALSE(result.Done) << name << " damage " << i;
    EXPECT_NE(result.ReportLines.back().find(" could not be read as "), std::string::npos)
        << name << " damage " << i << ": " << result.ReportLines.back();
    EXPECT_EQ(Files(), Lines{name}) << name << " damage " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(EachKind, FileKindTest,
                         ::testing::Values("labels.sav", "labels.zsav", "labels.por", "labels.dta"),
                         [](const auto& info) {
                           std::string name = info.param;
                           return name.substr(name.find('.') + 1);
                         });

using KindOfFileTest = FileKindTest;

TEST_F(KindOfFileTest, TheFirstBytesTellTheKindAndTheExtensionOnlyWhenTheyDoNot) {
  const std::vector<std::tuple<std::string, std::string, ImportKind>> files = {
      {"labels.sav", "stata.dta", ImportKind::SystemFile},
      {"labels.zsav", "portable.por", ImportKind::SystemFile},
      {"labels.dta", "system.sav", ImportKind::StataFile},
      {"make_labels_dta.cpp", "source.dta", ImportKind::StataFile},
      {"labels.por", "plain.txt", ImportKind::PortableFile}};
  for (const auto& [committed, name, kind] : files) {
    const std::string content = Committed(committed);
    EXPECT_EQ(ImportKindOf(MemoryImportBytes(content), name), kind) << name;
  }
  const MemoryImportBytes unknown("neither of them");
  EXPECT_EQ(ImportKindOf(unknown, "a.POR"), ImportKind::PortableFile);
  EXPECT_EQ(ImportKindOf(unknown, "a.Dta"), ImportKind::StataFile);
  EXPECT_EQ(ImportKindOf(unknown, "a.sav"), ImportKind::SystemFile);
  EXPECT_EQ(ImportKindOf(unknown, "dta"), ImportKind::SystemFile);

  WriteInput("study.dta", Committed("labels.sav"));
  ImportResult result = Import("study.dta");
  ASSERT_TRUE(result.Done);
  EXPECT_EQ(result.ReportLines.front(), "The SPSS system file is study.dta");
}

TEST_F(KindOfFileTest, StataFloatsAreWrittenAsTheDecimalsTheyShow) {
  WriteInput("floats.dta", WriteStataFloats({0.1f, 2.5f, 0.001f, 123456.7f, -3.3f, 16777216.0f}));
  ASSERT_TRUE(Import("floats.dta").Done);
  EXPECT_EQ(Read("floats.DAT"), "x\r\n0.1\r\n2.5\r\n0.001\r\n123456.7\r\n-3.3\r\n16777216\r\n");
}

bool Reports(const ImportResult& result, const std::string& line) {
  return std::find(result.ReportLines.begin(), result.ReportLines.end(), line) != result.ReportLines.end();
}

// The texts of strL variables of each release that has them; other writers
// keep texts as binary data, which is written when it is text and left empty,
// and named, when it is not.
TEST_F(KindOfFileTest, StrlTextsAreReadAndBinaryDataIsNamed) {
  for (long release : {117L, 118L, 119L}) {
    std::string bytes = WriteStataStrls(release, {"first text", "", "line\nend", "data\x01"});
    // A text's bytes follow its type and its size (4 bytes).
    for (const char* binary : {"first text", "data\x01"}) {
      const std::size_t at = bytes.rfind(binary);
      ASSERT_NE(at, std::string::npos);
      bytes[at - 5] = static_cast<char>(129);
    }
    const std::string name = "strl" + std::to_string(release);
    WriteInput(name + ".dta", bytes);
    ImportResult result = Import(name + ".dta");
    ASSERT_TRUE(result.Done) << release << testing::PrintToString(result.ReportLines);
    EXPECT_EQ(Read(name + ".DAT"), "n\tt\r\n1\tfirst text\r\n2\t\r\n3\tline end\r\n4\t\r\n") << release;
    EXPECT_TRUE(Reports(result,
                        "Stata strL values that are binary data, not text, are written empty: 1 value of the "
                        "variable t"))
        << release << testing::PrintToString(result.ReportLines);
    EXPECT_NE(Read(name + ".TXT").find("| A10 "), std::string::npos) << release;
  }
}

// Releases up to 105: 2^333 was the missing double up to release 104, and
// value labels are kept in a layout of their own. Releases the library
// cannot read are refused by their number.
TEST_F(KindOfFileTest, OldStataReleasesKeepTheirMissingValuesAndLabels) {
  using namespace std::string_literals;
  const std::string oldMissing = DoubleBytes(std::ldexp(1.0, 333));
  WriteInput("old104.dta", WriteOldStata(104, "di", {DoubleBytes(2.5) + "\x07\0"s, oldMissing + "\xff\x7f"s}, {}));
  ASSERT_TRUE(Import("old104.dta").Done);
  EXPECT_EQ(Read("old104.DAT"), "v1\tv2\r\n2.5\t7\r\n\t\r\n");

  WriteInput("old105.dta", WriteOldStata(105, "ib", {"\x01\0\x05"s, "\x02\0\x06"s}, {{1, "one"}, {2, "eighteen"}}));
  ImportResult labelled = Import("old105.dta");
  ASSERT_TRUE(labelled.Done) << testing::PrintToString(labelled.ReportLines);
  EXPECT_EQ(Read("old105.DAT"), "v1\tv2\r\n1\t5\r\n2\t6\r\n");
  EXPECT_TRUE(Reports(labelled, "2 value labels found for 1 variable")) << testing::PrintToString(labelled.ReportLines);
  const std::string info = Read("old105.TXT");
  EXPECT_NE(info.find("| one "), std::string::npos) << info;
  EXPECT_NE(info.find("| eighteen "), std::string::npos) << info;

  const std::vector<std::pair<std::string, std::string>> refused = {
      {"old102.dta", "f\0\1\0\1\0\1\0\0\0"s},
      {"new120.dta", "<stata_dta><header><release>120</release><byteorder>LSF</byteorder>"}};
  for (const auto& [file, bytes] : refused) {
    WriteInput(file, bytes);
    ImportResult result = Import(file);
    EXPECT_FALSE(result.Done);
    const std::string release = file.substr(3, 3);
    EXPECT_TRUE(Reports(result, file + " could not be read as a Stata file: it is of Stata release " + release +
                                    ", which the import cannot read (it reads releases 104 to 119)"))
        << testing::PrintToString(result.ReportLines);
  }
}

// A string's print format is A and its width, whatever width the format
// gives; a file name's blanks become "_" in the pair's name.
TEST_F(KindOfFileTest, AStringsFormatIsItsWidthAndBlanksInTheNameBecomeUnderscores) {
  WriteInput("Employee data.sav", WriteSavString(1, "A3", {"a", "b"}));
  ImportResult result = Import("Employee data.sav");
  ASSERT_TRUE(result.Done) << testing::PrintToString(result.ReportLines);
  EXPECT_EQ(result.BaseName, "Employee_data");
  EXPECT_TRUE(Reports(result,
                      "The name Employee data has blanks, which a run's file names cannot hold: the pair is named "
                      "Employee_data"));
  EXPECT_EQ(Read("Employee_data.DAT"), "s\r\na\r\nb\r\n");
  const std::string info = Read("Employee_data.TXT");
  EXPECT_NE(info.find("| A1           | A1 "), std::string::npos) << info;
}

// The library reads a portable file one byte at a time; the file is read in
// large pieces all the same (one read a byte made a 6 MB file take half a
// minute).
TEST_F(KindOfFileTest, APortableFileIsReadInLargePieces) {
  class CountedBytes : public MemoryImportBytes {
   public:
    using MemoryImportBytes::MemoryImportBytes;
    std::size_t ReadAt(std::uint64_t offset, char* data, std::size_t size) const override {
      ++reads;
      return MemoryImportBytes::ReadAt(offset, data, size);
    }
    mutable int reads = 0;
  };
  class Cases : public ImportCaseHandler {
   public:
    void Dictionary(const SavDictionary&) override {}
    void Number(double) override {}
    void SystemMissing() override {}
    void String(std::string_view) override {}
    void EndCase() override { ++cases; }
    int cases = 0;
  };
  const std::string content = Committed("labels.por");
  CountedBytes bytes(content);
  Cases cases;
  SavDictionary dictionary;
  ASSERT_FALSE(ReadImportFile(bytes, ImportKind::PortableFile, cases, dictionary).has_value());
  EXPECT_EQ(cases.cases, 4);
  EXPECT_EQ(dictionary.Variables.size(), 4u);
  EXPECT_LT(bytes.reads, 10) << content.size() << " bytes";
}

using CodePageImportTest = FileKindTest;

TEST_F(CodePageImportTest, UnicodeTextsAreWrittenInWindows1252AndWhatItCannotHoldIsCounted) {
  WriteInput("labels.sav", Committed("labels.sav"));
  ImportResult result = Import("labels.sav");
  ASSERT_TRUE(result.Done);
  EXPECT_NE(std::find(result.ReportLines.begin(), result.ReportLines.end(),
                      "3 texts lost characters that WINDOWS-1252 cannot hold, written as \"?\": 3 labels, of the "
                      "variables AGE REGION"),
            result.ReportLines.end())
      << testing::PrintToString(result.ReportLines);
  const std::string info = Read("labels.TXT");
  for (const char* text : {"| M\xE4nnlich ", "| \xD6sterreich \x80 ", "| ?????? ", "| Symbol ? ", "Jahren \x96 ?"})
    EXPECT_NE(info.find(text), std::string::npos) << text << "\n" << info;
  EXPECT_NE(Read("labels.DAT").find("\tJ\xFCrgen\r\n"), std::string::npos);

  ASSERT_EQ(Run(kSpc), RunOutcome::Completed);
  const std::string categories = Read("PROJ.CAT");
  EXPECT_NE(categories.find("A 1 M\xE4NNLICH\r\n"), std::string::npos) << categories;
  EXPECT_NE(categories.find("B 2 \xD6STERREICH_\x80\r\n"), std::string::npos) << categories;
}

TEST_F(CodePageImportTest, TextsNotInTheEncodingTheFileNamesAreTakenAsTheyStand) {
  // A label in Latin-1 bytes in a file that says it is in UTF-8, as older
  // programs wrote them: the library cannot translate it.
  std::string bytes = Committed("labels.sav");
  const std::size_t label = bytes.find("M\xC3\xA4nnlich");
  ASSERT_NE(label, std::string::npos);
  bytes.replace(label, 3, "M\xE4\xE4");
  WriteInput("old.sav", bytes);
  ImportResult result = Import("old.sav");
  ASSERT_TRUE(result.Done) << testing::PrintToString(result.ReportLines);
  EXPECT_NE(Read("old.TXT").find("| M\xE4\xE4nnlich "), std::string::npos);
  EXPECT_NE(Read("old.DAT").find("\tJ\xFCrgen\r\n"), std::string::npos);
}

TEST_F(CodePageImportTest, UnicodeTextsAreKeptWhenTheUserAsksForUtf8) {
  WriteInput("labels.dta", Committed("labels.dta"));
  ImportResult result = Import("labels.dta", *CodePage::Named("UTF-8"));
  ASSERT_TRUE(result.Done);
  for (const std::string& line : result.ReportLines) EXPECT_EQ(line.find(" lost characters "), std::string::npos);
  EXPECT_NE(std::find(result.ReportLines.begin(), result.ReportLines.end(), "The texts are written in UTF-8"),
            result.ReportLines.end());
  const std::string info = Read("labels.TXT");
  EXPECT_NE(info.find("| \xCE\x95\xCE\xBB\xCE\xBB\xCE\xAC\xCE\xB4\xCE\xB1 "), std::string::npos) << info;
  EXPECT_NE(info.find("| M\xC3\xA4nnlich "), std::string::npos) << info;
  // Stata's extended missing value .a is system-missing, and its label is
  // no label of a value.
  EXPECT_NE(Read("labels.DAT").find("\r\n\t\t3\tAna\r\n"), std::string::npos);
  EXPECT_EQ(info.find("keine Angabe"), std::string::npos);
}

}  // namespace
}  // namespace s2v
