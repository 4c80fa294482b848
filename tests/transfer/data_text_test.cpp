// A field's output text built from its digits against the text of its double
// (std::from_chars, then std::to_chars), to the byte, for every class of value
// the data files meet, with both tolerances.
#include "transfer/data_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "data_text_writers.h"
#include "support/io_error.h"

namespace s2v {
namespace {

// The field's text as the transfers write it, or the error code it throws.
std::string FromText(std::string_view field, WholeTolerance tolerance) {
  StringSink sink;
  BufferedWriter out(sink);
  try {
    PutDataText(out, field, tolerance);
  } catch (const IoError& error) {
    return "error " + std::to_string(error.code());
  }
  out.Flush();
  return sink.bytes;
}

// The same through the double.
std::string FromDouble(std::string_view field, WholeTolerance tolerance) {
  StringSink sink;
  BufferedWriter out(sink);
  try {
    PutDataValue(out, ParseField(field), tolerance);
  } catch (const IoError& error) {
    return "error " + std::to_string(error.code());
  }
  out.Flush();
  return sink.bytes;
}

void ExpectSameText(std::string_view field) {
  for (WholeTolerance tolerance : {kMplusWholeTolerance, kMLwinWholeTolerance})
    ASSERT_EQ(FromText(field, tolerance), FromDouble(field, tolerance))
        << "field \"" << field << "\", tolerance " << tolerance.distance;
}

// Every field with each sign the data copy may write before it.
void ExpectSameTextSigned(const std::string& field) {
  for (const char* sign : {"", "-", "+"}) ExpectSameText(sign + field);
}

TEST(DataTextTest, WholeNumbersToThe32BitLimitsAndPast) {
  for (const char* field : {"0",
                            "7",
                            "42",
                            "999",
                            "123456789",
                            "999999999",
                            "1000000000",
                            "2147483646",
                            "2147483647",
                            "2147483648",
                            "2147483649",
                            "3000000000",
                            "9999999999",
                            "10000000000",
                            "123456789012345",
                            "999999999999999",
                            "1000000000000000",
                            "9007199254740993",
                            "12345678901234567890",
                            "99999999999999999999999"})
    ExpectSameTextSigned(field);
  // The forms the data copy passes on from an export: leading zeros, a sign,
  // a point with nothing after it, or nothing before it.
  for (const char* field : {"007",
                            "0000000000000000000012",
                            "00",
                            "-0",
                            "+0",
                            "-000",
                            "5.",
                            "-5.",
                            "+5.",
                            "0.",
                            "-0.",
                            "5.000",
                            "-5.000000",
                            "-0.000",
                            "0.0000000",
                            "2147483647.0",
                            "2147483648.00",
                            "-2147483648.000",
                            "-2147483649.0",
                            "3000000000.000",
                            "000000002147483647.000"})
    ExpectSameText(field);
}

TEST(DataTextTest, OneToSixDecimals) {
  // Each whole part with decimals of every length and kind of digit.
  for (const char* whole : {"", "0", "1", "12", "0012", "123456", "12345678", "123456789", "999999999", "1234567890",
                            "2147483647", "12345678901"}) {
    for (const char* fraction :
         {"5",      "25",  "125",  "1234",  "12345",  "123456", "1234567", "99",   "999", "9999", "99999",
          "999999", "01",  "001",  "0001",  "00001",  "000001", "0000001", "10",   "100", "1000", "5000",
          "05",     "005", "0005", "00005", "000005", "50",     "500",     "5001", "4999"})
      ExpectSameTextSigned(std::string(whole) + "." + fraction);
  }
}

TEST(DataTextTest, NextToEachRoundingStepOfTheThirdDecimal) {
  // Half a thousandth on the text, and just off it either way; ties where
  // the double lies exactly on the half (x.0625, x.1875) as well.
  for (const char* whole : {"0", "1", "2", "17", "999", "123456789"}) {
    for (const char* fraction :
         {"0005", "0015",  "1235",   "12350",  "123500",  "1234999", "12349", "123499", "12351", "123501",
          "9995", "99949", "999499", "99951",  "0625",    "1875",    "3125",  "4375",   "5625",  "6875",
          "8125", "9375",  "06250",  "062500", "0005000", "4995",    "49949", "49951"})
      ExpectSameTextSigned(std::string(whole) + "." + fraction);
  }
}

TEST(DataTextTest, AtAndAroundTheTolerancesFromAWholeNumber) {
  // 0.00001 (Mplus) and 0.0001 (MLwiN) above and below whole numbers.
  for (const char* whole : {"0", "1", "2", "9", "10", "99", "123456789", "999999999", "2147483646", "2147483647"}) {
    for (const char* fraction :
         {"00001", "000010", "000009", "000011", "0000099", "0000101", "0001",    "00010", "00009",
          "00011", "000099", "000101", "99999",  "999990",  "999991",  "999989",  "9999",  "99990",
          "99991", "99989",  "0009",   "0010",   "00099",   "000999",  "0000005", "99995"})
      ExpectSameTextSigned(std::string(whole) + "." + fraction);
  }
  // 2.00002 is not whole with Mplus's tolerance, whole with MLwiN's.
  EXPECT_EQ(FromText("2.00002", kMplusWholeTolerance), "     2.000");
  EXPECT_EQ(FromText("2.00002", kMLwinWholeTolerance), "2");
}

TEST(DataTextTest, NegativeValuesThatRoundToZero) {
  for (const char* field : {"-0.0004", "-0.00049", "-0.0005", "-0.00051", "-0.0001", "-0.00011", "-0.00009", "-0.00001",
                            "-0.000011", "-0.000009", "-.0004", "-00.0004", "-0.000499999", "-0.0000001"})
    ExpectSameText(field);
  // The sign stays.
  EXPECT_EQ(FromText("-0.0004", kMplusWholeTolerance), "    -0.000");
}

TEST(DataTextTest, ExponentsLargeMagnitudesAndLongFields) {
  for (const char* field :
       {"1e3", "1E3", "-2.5e-3", "2.5E+2", "1e9", "2.147483647e9", "1e20", "1.7976931348623157e308", "4.9e-324",
        "12345678901.25", "1234567890123.4567", "0.00000000000000000000001",
        "100000000000000000000000000000000000000000000000000.5", "1.000000000000000000000000000000000000000000000001"})
    ExpectSameTextSigned(field);
}

TEST(DataTextTest, NotANumber) {
  // Refused as the double's reading refuses them.
  for (const char* field : {"",   "-",  "+",   ".",   "-.",    "+.",  "1..2", "1.2.3", "1-2", "--1", "+-1",
                            "1e", "e5", "1e+", ".e1", "1e999", "inf", "nan",  "0x10",  "1 2", "12a", "\xb2"})
    ExpectSameText(field);
  EXPECT_EQ(FromText("1.2.3", kMplusWholeTolerance), "error " + std::to_string(kInvalidNumericInput));
}

TEST(DataTextTest, EveryFractionOfFourDecimals) {
  // Every fraction of 4 decimals and every fraction of 6 near the rounding
  // steps and tolerances, on a few whole parts.
  for (const char* whole : {"0", "3", "-3", "65535", "-999999999"}) {
    for (int f = 0; f < 10000; ++f) {
      std::string fraction = std::to_string(f);
      ExpectSameText(std::string(whole) + "." + std::string(4 - fraction.size(), '0') + fraction);
    }
    for (int step = 0; step <= 1000; ++step) {
      for (int offset = -12; offset <= 12; ++offset) {
        int f = step * 1000 + 500 + offset;
        if (f < 0 || f > 999999) continue;
        std::string fraction = std::to_string(f);
        ExpectSameText(std::string(whole) + "." + std::string(6 - fraction.size(), '0') + fraction);
      }
    }
    for (int f :
         {0, 1, 9, 10, 11, 99, 100, 101, 999, 1000, 999000, 999899, 999900, 999901, 999989, 999990, 999991, 999999}) {
      std::string fraction = std::to_string(f);
      ExpectSameText(std::string(whole) + "." + std::string(6 - fraction.size(), '0') + fraction);
    }
  }
}

// A field said to have the same text for both tolerances has it: every
// fraction of 1 to 7 decimals next to a whole number, and others, on whole
// parts to the 32-bit limits and past them, with each sign. The common forms
// are said to be the same, and the fields whose texts part are all found; a
// field written as a common form has the same text for both, as its double
// shows.
TEST(DataTextTest, TextsMayPartWhereverTheTolerancesPart) {
  auto texts = [](const std::string& field, WholeTolerance tolerance) {
    std::string padded = field + std::string(kDataTextReadAhead, '7');
    char out[kDataValueRoom];
    return std::string(out, WriteDataText(out, std::string_view(padded.data(), field.size()), tolerance));
  };
  auto mayPart = [](const std::string& field) {
    std::string padded = field + std::string(kDataTextReadAhead, '7');
    return TextsMayPart(std::string_view(padded.data(), field.size()));
  };
  std::vector<std::string> fractions = {"", "5", "25", "125", "0001", "9999", "00005", "99995", "000099"};
  for (int decimals = 1; decimals <= 7; ++decimals) {
    const int steps = decimals < 4 ? 1000 : 1200;
    for (int k = 0; k < steps; ++k) {
      // The fractions nearest to 0 and to 1 with these decimals.
      std::string low = std::to_string(k), high = std::to_string(k);
      low = std::string(decimals - std::min<int>(decimals, static_cast<int>(low.size())), '0') + low;
      fractions.push_back(low.substr(0, decimals));
      std::string nines(decimals, '9');
      for (std::size_t i = 0; i < high.size() && i < nines.size(); ++i)
        nines[nines.size() - 1 - i] = static_cast<char>('9' - (high[high.size() - 1 - i] - '0'));
      fractions.push_back(nines);
    }
  }
  // A field of a common form is written without asking.
  auto common = [](const std::string& field) {
    std::string padded = field + std::string(kDataTextReadAhead, '7');
    char out[kDataValueRoom];
    return field.size() <= 16 &&
           data_text::WriteCommonForm(out, padded.data(), static_cast<unsigned>(field.size())) != nullptr;
  };
  int parted = 0;
  int commons = 0;
  for (const char* whole : {"", "0", "2", "65535", "2147483646", "2147483647", "2147483648", "99999999999"})
    for (const char* sign : {"", "-", "+"})
      for (const std::string& fraction : fractions) {
        if (*whole == '\0' && fraction.empty()) continue;
        const std::string field = std::string(sign) + whole + (fraction.empty() ? "" : "." + fraction);
        const bool differ = texts(field, kMplusWholeTolerance) != texts(field, kMLwinWholeTolerance);
        if (differ) ++parted;
        ASSERT_TRUE(mayPart(field) || !differ) << field;
        if (!common(field)) continue;
        ++commons;
        ASSERT_EQ(FromDouble(field, kMplusWholeTolerance), FromDouble(field, kMLwinWholeTolerance)) << field;
      }
  EXPECT_GT(parted, 1000);
  EXPECT_GT(commons, 10000);
  for (const std::string field : {"5", "-999", "645300.48", "63.6950", "3390.784", "0.700014", "2.000", "99.99899"})
    EXPECT_FALSE(mayPart(field)) << field;
  for (const std::string field : {"2.00002", "1.99995", "-0.00002", "1e-5", "1.000050000000000000001"})
    EXPECT_TRUE(mayPart(field)) << field;
}

}  // namespace
}  // namespace s2v
