#include "support/text_scan.h"

#include <gtest/gtest.h>

namespace s2v {
namespace {

TEST(TextScan, WordsAreSeparatedByBlanksOnly) {
  EXPECT_EQ(CountWords("   AGE    18  "), 2u);
  EXPECT_EQ(CountWords("A\tB"), 1u);
  EXPECT_EQ(CountWords(""), 0u);
  EXPECT_EQ(ExtractWord(2, "  one   two three"), "two");
  EXPECT_EQ(ExtractWord(3, "one two"), "");
  EXPECT_EQ(ExtractWord(1, "   "), "");
}

TEST(TextScan, ClassifyWord) {
  struct Case {
    const char* text;
    WordKind kind;
  } cases[] = {
      {"", WordKind::Empty},           {"   ", WordKind::Blank},      {"12", WordKind::Integer},
      {" +12 ", WordKind::Integer},    {"  -12", WordKind::Integer},  {"1.5", WordKind::Decimal},
      {"-.5", WordKind::Decimal},      {".", WordKind::Decimal},      {"-.", WordKind::Decimal},
      {"1.2.3", WordKind::NotNumeric}, {"1,5", WordKind::NotNumeric}, {"1e5", WordKind::NotNumeric},
      {"-", WordKind::NotNumeric},     {"1 2", WordKind::InnerBlank}, {"- 1", WordKind::InnerBlank},
      {"abc", WordKind::NotNumeric},
  };
  for (const Case& c : cases) EXPECT_EQ(ClassifyWord(c.text), c.kind) << '"' << c.text << '"';
}

TEST(TextScan, MeasureNumber) {
  struct Case {
    const char* text;
    int width;
    int decimals;
  } cases[] = {
      {"12.50", 4, 1}, {"0.25", 4, 2}, {".25", 4, 2}, {"-0.5", 4, 1}, {"12.00", 3, 0}, {"007", 1, 0},
      {"-12", 2, 0},   {"0", 0, 0},    {"0.0", 1, 0}, {"1.05", 4, 2}, {"-12.0", 4, 0}, {"5.", 1, 0},
  };
  for (const Case& c : cases) {
    NumberMeasure m = MeasureNumber(c.text);
    EXPECT_FALSE(m.notANumber) << c.text;
    EXPECT_EQ(m.width, c.width) << c.text;
    EXPECT_EQ(m.decimals, c.decimals) << c.text;
  }
  EXPECT_TRUE(MeasureNumber("abc").notANumber);
}

TEST(TextScan, CheckFileName) {
  std::vector<std::string> shown;
  auto show = [&](const std::string& text) { shown.push_back(text); };
  for (const char* good : {"DATA.DAT", "MY_DATA-2.DAT", "DATA", "a.b"}) EXPECT_TRUE(CheckFileName(good, show)) << good;
  for (const char* bad : {"", ".DAT", "DATA.DATA", "A.B.DAT", "C:DATA.DAT", "MY DATA.DAT", "dir/x.DAT", "<VORNEX.DAT"})
    EXPECT_FALSE(CheckFileName(bad, show)) << bad;
  EXPECT_TRUE(shown.empty());
  EXPECT_FALSE(CheckFileName("  DATA.DAT ", show));
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0], "error in string: 3 10   New length = 8 * DATA.DAT *");
}

TEST(TextScan, FileLineWordsUpperCasesAndTurnsCommasIntoPoints) {
  MemorySource source("1,5 abc\r\nnext");
  LineReader reader(source);
  LineWords line = FileLineWords(reader.ReadLine());
  ASSERT_EQ(line.count(), 2u);
  EXPECT_EQ(line.Word(1), "1.5");
  EXPECT_EQ(line.Kind(1), WordKind::Decimal);
  EXPECT_EQ(line.Word(2), "ABC");
  EXPECT_EQ(line.Kind(2), WordKind::NotNumeric);
  EXPECT_EQ(FileLineWords(reader.ReadLine()).Word(1), "NEXT");
  EXPECT_TRUE(reader.AtEnd());
  EXPECT_EQ(FileLineWords(reader.ReadLine()).count(), 0u);
}

}  // namespace
}  // namespace s2v
