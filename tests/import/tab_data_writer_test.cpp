// The import's data file: numbers as the run reads them, and records that the
// run's data copy takes field for field.
#include "import/tab_data_writer.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

#include "run/data_copy.h"

namespace s2v {
namespace {

TEST(PlainNumber, FewestDigitsThatReadBackWithoutExponent) {
  struct Case {
    double value;
    const char* text;
  };
  const Case cases[] = {
      {0, "0"},
      {-3, "-3"},
      {7060.24, "7060.24"},  // print format decimals play no part
      {0.7, "0.7"},
      {-0.5, "-0.5"},
      {0.1 + 0.2, "0.30000000000000004"},
      {1.0 / 3, "0.3333333333333333"},
      {123456789012.5, "123456789012.5"},
      {1e15, "1000000000000000"},
      {9007199254740994.0, "9007199254740994"},  // past 2^53: no integer shortcut
      {1e20, "100000000000000000000"},
      {1e-10, "0.0000000001"},
      {-3.3333333333333337e-06, "-0.0000033333333333333337"},
      {12850531200, "12850531200"},  // 1 January 1990 as SPSS keeps it
  };
  for (const Case& c : cases) {
    const std::string text = PlainNumber(c.value);
    EXPECT_EQ(text, c.text) << c.value;
    double back = 0;
    std::from_chars(text.data(), text.data() + text.size(), back);
    EXPECT_EQ(back, c.value) << text;
  }
}

// Numbers of a few decimals take a quicker way than the general search; both
// must give the same text.
TEST(PlainNumber, QuickDecimalsGiveTheTextOfTheGeneralSearch) {
  std::mt19937_64 random(7);
  auto general = [](double value) {
    char buffer[1100];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed).ptr);
  };
  int checked = 0;
  for (int decimals = 1; decimals <= 12; ++decimals) {
    for (int i = 0; i < 20000; ++i) {
      const double whole = static_cast<double>(random() % 100000000000000ULL) / std::pow(10.0, random() % 15);
      double value = std::trunc(whole) + static_cast<double>(random() % 1000000000) / std::pow(10.0, decimals);
      if (random() & 1) value = -value;
      if (value == std::trunc(value)) continue;
      ASSERT_EQ(PlainNumber(value), general(value)) << value;
      ++checked;
    }
  }
  for (double value : {0.1 + 0.2, 1.0 / 3, 4503599627370495.5, 450359962737049.55, 0.000000001, 123.456789012})
    EXPECT_EQ(PlainNumber(value), general(value));
  EXPECT_GT(checked, 200000);
}

// Whole parts and fractions of every length take the digit-pair path.
TEST(PlainNumber, EveryLengthOfWholePartAndFraction) {
  auto general = [](double value) {
    char buffer[1100];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed).ptr);
  };
  std::mt19937_64 random(5);
  for (int digits = 1; digits <= 16; ++digits) {
    const double low = std::pow(10.0, digits - 1);
    for (double whole : {digits == 1 ? 0.0 : low, low * 10 - 1, std::floor(low * (1 + random() % 9))}) {
      if (whole >= 9007199254740992.0) whole = 9007199254740991.0;
      EXPECT_EQ(PlainNumber(whole), general(whole));
      if (whole > 0) {
        EXPECT_EQ(PlainNumber(-whole), general(-whole));
      }
      for (int decimals = 1; decimals <= 9 && digits + decimals <= 15; ++decimals) {
        const double scale = std::pow(10.0, decimals);
        const double value = whole + static_cast<double>(1 + random() % static_cast<std::uint64_t>(scale - 1)) / scale;
        EXPECT_EQ(PlainNumber(value), general(value)) << digits << " digits, " << decimals << " decimals";
        EXPECT_EQ(PlainNumber(-value), general(-value));
      }
    }
  }
}

TEST(PlainNumber, NotFiniteIsAnEmptyField) {
  EXPECT_EQ(PlainNumber(std::numeric_limits<double>::quiet_NaN()), "");
  EXPECT_EQ(PlainNumber(std::numeric_limits<double>::infinity()), "");
  EXPECT_EQ(PlainNumber(-std::numeric_limits<double>::infinity()), "");
}

TEST(PlainNumber, ExtremesFitTheBuffer) {
  EXPECT_EQ(PlainNumber(std::numeric_limits<double>::max()).size(), 309u);
  const std::string tiny = PlainNumber(-std::numeric_limits<double>::denorm_min());
  EXPECT_EQ(tiny.substr(0, 4), "-0.0");
  EXPECT_EQ(tiny.back(), '5');
}

std::string Written(void (*write)(TabDataWriter&)) {
  StringSink sink;
  BufferedWriter out(sink);
  TabDataWriter writer(out);
  write(writer);
  out.Flush();
  return sink.bytes;
}

TEST(TabDataWriter, RecordsOfTabSeparatedFieldsEndedByCrLf) {
  const std::string bytes = Written([](TabDataWriter& w) {
    w.WriteNames({"id", "income", "city", "weight"});
    w.Number(1);
    w.Number(2.5);
    w.String("Vibo rg   ");
    w.SystemMissing();
    w.EndCase();
    w.SystemMissing();
    w.Number(-0.25);
    w.String("");
    w.Number(3);
    w.EndCase();
  });
  EXPECT_EQ(bytes,
            "id\tincome\tcity\tweight\r\n"
            "1\t2.5\tVibo rg\t\r\n"
            "\t-0.25\t\t3\r\n");
}

TEST(TabDataWriter, AStringCannotBreakItsRecord) {
  const std::string bytes = Written([](TabDataWriter& w) {
    w.String(
        "a\tb\r\nc\x1a"
        "d");
    w.Number(7);
    w.EndCase();
  });
  EXPECT_EQ(bytes, "a b  c d\t7\r\n");
}

// A variable's numbers mostly keep their decimals from case to case, which the
// writer counts on; where they change, the text must still be the fewest
// digits, in whichever direction the count moves.
TEST(TabDataWriter, NumbersWhoseDecimalsChangeFromCaseToCase) {
  std::mt19937_64 random(11);
  auto general = [](double value) {
    char buffer[1100];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed).ptr);
  };
  StringSink sink;
  BufferedWriter out(sink);
  TabDataWriter writer(out);
  std::string expected;
  int decimals[2] = {2, 6};
  for (int i = 0; i < 20000; ++i) {
    for (int column = 0; column < 2; ++column) {
      if (random() % 8 == 0) decimals[column] = static_cast<int>(random() % 11);
      double value = static_cast<double>(random() % 100000000) / std::pow(10.0, decimals[column]);
      if (random() & 1) value = -value;
      writer.Number(value);
      expected += (column > 0 ? "\t" : "") + general(value);
    }
    writer.EndCase();
    expected += "\r\n";
  }
  for (double value : {0.25, 0.5, 0.3, 0.1 + 0.2, 2.0, 0.125, 1e-10, 7060.24}) {
    writer.Number(value);
    writer.EndCase();
    expected += general(value) + "\r\n";
  }
  out.Flush();
  EXPECT_EQ(sink.bytes, expected);
}

// What the run's data copy makes of the records decides the project's data.
TEST(TabDataWriter, TheRunReadsEveryValueInItsPlace) {
  const std::string bytes = Written([](TabDataWriter& w) {
    w.WriteNames({"a", "b", "c", "d", "e"});
    w.Number(1);
    w.Number(0.0000001);
    w.SystemMissing();
    w.String("12");
    w.String("two words");
    w.EndCase();
  });
  MemorySource source(bytes);
  StringSink data;
  StringSink labels;
  CopyResult result = CopySpssData(source, data, labels, [](std::int64_t) { return true; });
  EXPECT_EQ(result.CaseCount, 1);
  EXPECT_EQ(result.FittedCount, 0);
  EXPECT_EQ(labels.bytes, "a\r\nb\r\nc\r\nd\r\ne\r\n");
  EXPECT_EQ(data.bytes, "1 0.0000001 -999 12 -999\r\n");
}

}  // namespace
}  // namespace s2v
