// The export's fields one by one: the numbers and missing fields that the data
// copy writes, on both reading paths.
#include "support/export_fields.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <random>

#include "chunked_source.h"
#include "run/data_copy.h"

namespace s2v {
namespace {

using Lines = std::vector<std::string>;

// Every event of a reading as a line: "H name|name", "c:value/decimals/whole",
// "c:-" for a blank field, "c:?" for text, "E n" for a case's end.
struct Recorder {
  Lines events;
  bool stopAfterHeader = false;
  std::int64_t stopAfterCase = -1;

  bool Header(const FieldNames& names) {
    std::string line = "H";
    for (std::string_view name : names) line += " " + std::string(name) + "|";
    events.push_back(line);
    return !stopAfterHeader;
  }
  template <typename Read>
  void Number(std::size_t column, const Read& read) {
    const FieldNumber n = read();
    char value[64];
    auto end = std::to_chars(value, value + sizeof value, n.Value).ptr;
    events.push_back(std::to_string(column) + ":" + std::string(value, end) + "/" + std::to_string(n.Decimals) +
                     (n.Whole ? "/w" : "/f"));
  }
  void Missing(std::size_t column, FieldKind kind) {
    events.push_back(std::to_string(column) + (kind == FieldKind::Blank ? ":-" : ":?"));
  }
  bool EndCase(std::int64_t count) {
    events.push_back("E " + std::to_string(count));
    return count != stopAfterCase;
  }
};

Lines Events(std::string_view bytes, bool vectorPath = true, std::size_t chunk = 1 << 20,
             std::size_t bufferSize = 1 << 18) {
  ChunkedSource source(bytes, chunk);
  Recorder recorder;
  ReadExportFields(source, recorder, vectorPath, bufferSize);
  return recorder.events;
}

TEST(ExportFields, NumbersAndMissingFields) {
  EXPECT_EQ(Events("a\tb,c\t  d e\r\n1\t2,50\t\r\n-.5\tx\t 7 \r\n"),
            (Lines{"H a| b.c| d e|", "0:1/0/w", "1:2.5/2/f", "2:-", "E 1", "0:-0.5/1/f", "1:?", "2:7/0/w", "E 2"}));
  struct Case {
    const char* field;
    const char* event;
  } cases[] = {
      {"12", "0:12/0/w"},
      {"+12", "0:12/0/w"},
      {"-0", "0:-0/0/w"},
      {"3.000", "0:3/3/w"},
      {"3.", "0:3/0/w"},
      {".25", "0:0.25/2/f"},
      {"0,1", "0:0.1/1/f"},
      {" ", "0:-"},
      {"", "0:-"},
      {"1 2", "0:?"},
      {"1e5", "0:?"},
      {"1.2.3", "0:?"},
      {"-", "0:?"},
      {"+-1", "0:?"},
      {"abc", "0:?"},
      {"123456789012345", "0:123456789012345/0/w"},
      {"12345678.9", "0:12345678.9/1/f"},
      {"1234567890123456789", "0:1234567890123456768/0/w"},
      {"0.000000001", "0:1e-09/9/f"},
  };
  for (const Case& c : cases) {
    for (bool vectorPath : {true, false}) {
      // Alone on its line an empty field would be an empty record.
      Lines events = Events(std::string("x\ty\r\n") + c.field + "\t1\r\n", vectorPath);
      ASSERT_EQ(events.size(), 4u) << c.field;
      EXPECT_EQ(events[1], c.event) << '"' << c.field << "\" vector path " << vectorPath;
    }
  }
}

TEST(ExportFields, CasesAreFittedToTheHeader) {
  EXPECT_EQ(Events("a\tb\tc\n1\n\n1\t2\t3\t4\t5\n"),
            (Lines{"H a| b| c|", "0:1/0/w", "1:-", "2:-", "E 1", "0:1/0/w", "1:2/0/w", "2:3/0/w", "E 2"}));
  ChunkedSource source("a\tb\n1\n1\t2\n1\t2\t3\n", 4);
  Recorder recorder;
  ExportFieldsResult result = ReadExportFields(source, recorder);
  EXPECT_EQ(result.CaseCount, 3);
  EXPECT_EQ(result.FittedCount, 2);
  EXPECT_EQ(result.HeaderFields, 2u);
  EXPECT_TRUE(result.HeaderRead);
}

TEST(ExportFields, LongNamesAndFields) {
  // A name is kept up to kMaxNumberField bytes, after its leading blanks.
  std::string longName = std::string(3000, ' ') + "age" + std::string(3000, 'x');
  Lines events = Events(longName + "\tb\r\n" + std::string(3000, '7') + "\t1\r\n", true, 1000, 1024);
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[0], "H " + ("age" + std::string(kMaxNumberField - 3, 'x')) + "| b|");
  EXPECT_EQ(events[1], "0:?");
  EXPECT_EQ(events[2], "1:1/0/w");
}

TEST(ExportFields, TheReadingEndsWhereTheConsumerSays) {
  ChunkedSource source("a\tb\r\n1\t2\r\n3\t4\r\n5\t6\r\n", 1 << 20);
  Recorder header;
  header.stopAfterHeader = true;
  EXPECT_EQ(ReadExportFields(source, header).CaseCount, 0);
  EXPECT_EQ(header.events, (Lines{"H a| b|"}));
  for (bool vectorPath : {true, false}) {
    ChunkedSource again("a\tb\r\n1\t2\r\n3\t4\r\n5\t6\r\n", 1 << 20);
    Recorder two;
    two.stopAfterCase = 2;
    EXPECT_EQ(ReadExportFields(again, two, vectorPath).CaseCount, 2);
    EXPECT_EQ(two.events.back(), "E 2");
  }
}

// Every shape of a plain number, each in a column of its own so that the quick
// reading takes it within a run of fields: up to 17 digits and point, the
// point at every place or none, with or without a sign, with digits that are
// zeros, nines or random. The quick reading gives what the careful one does.
TEST(ExportFields, EveryShapeOfNumberReadsAlikeOnBothPaths) {
  std::mt19937 random(8);
  std::string bytes = "a\tb\tc\td\r\n";
  int column = 0;
  for (unsigned length = 1; length <= 17; ++length) {
    for (unsigned point = 0; point <= length; ++point) {
      if (length == 1 && point == 0) continue;  // a point alone is no number
      for (const char* sign : {"", "-", "+"}) {
        for (int fill = 0; fill < 4; ++fill) {
          std::string field = sign;
          for (unsigned i = 0; i < length; ++i) {
            if (i == point) {
              field += random() % 2 ? '.' : ',';
              continue;
            }
            field += fill == 0 ? '0' : fill == 1 ? '9' : static_cast<char>('0' + random() % 10);
          }
          bytes += field;
          bytes += ++column % 4 == 0 ? "\r\n" : "\t";
        }
      }
    }
  }
  while (column++ % 4 != 0) bytes += "1\t";
  bytes += "1\r\n";
  Lines vector = Events(bytes, true);
  Lines plain = Events(bytes, false);
  ASSERT_GT(vector.size(), 1000u);
  EXPECT_EQ(vector, plain);
}

// The keys of short fields: a key lies in the range of low and high exactly
// when the field's number, read the careful way, lies from low to high; for
// ends of every kind (whole, with decimals, between two numbers of a field,
// beyond every field) and fields near them.
TEST(ExportFields, AShortFieldsKeyLiesInTheRangeOfItsNumber) {
  std::mt19937 random(21);
  auto text = [&](std::uint64_t digits, unsigned decimals) {
    std::string t = std::to_string(digits);
    if (decimals > 0) {
      t.insert(0, decimals + 1 > t.size() ? decimals + 1 - t.size() : 0, '0');
      t.insert(t.size() - decimals, 1, '.');
    }
    return t;
  };
  for (int round = 0; round < 3000; ++round) {
    const auto decimals = static_cast<unsigned>(random() % 8);
    const unsigned digitsAtMost = 8;
    std::uint64_t top = 1;
    for (unsigned i = 0; i < 1 + random() % digitsAtMost; ++i) top *= 10;
    double ends[2];
    for (double& end : ends) {
      switch (random() % 4) {
        case 0: end = static_cast<double>(random() % top); break;
        case 1: end = static_cast<double>(random() % top) / std::pow(10.0, random() % 9); break;
        case 2: end = -static_cast<double>(random() % 1000); break;
        default: end = static_cast<double>(random() % 1000) * 1e6 + 0.5; break;
      }
    }
    const double low = std::min(ends[0], ends[1]), high = random() % 10 == 0 ? low - 1 : std::max(ends[0], ends[1]);
    const ShortKeyRange range = ShortKeysBetween(low, high, decimals);
    for (int i = 0; i < 40; ++i) {
      std::uint64_t digits = random() % top;
      // Now and then right at an end.
      if (i % 4 == 0 && low >= 0 && low * std::pow(10.0, decimals) < static_cast<double>(top))
        digits = static_cast<std::uint64_t>(low * std::pow(10.0, decimals)) + random() % 3 - (digits % 2);
      if (i % 4 == 1 && high >= 0 && high * std::pow(10.0, decimals) < static_cast<double>(top))
        digits = static_cast<std::uint64_t>(high * std::pow(10.0, decimals)) + random() % 3 - (digits % 2);
      const std::string field = text(digits % top, decimals);
      const std::size_t point = field.find('.');
      const std::uint64_t pointBits = point == std::string::npos ? 0 : std::uint64_t{1} << point;
      const auto length = static_cast<unsigned>(field.size());
      if (!ShortNumber::Fits(length, pointBits)) continue;
      char bytes[16];
      std::fill(std::begin(bytes), std::end(bytes), '7');  // what follows a field is no part of it
      std::copy(field.begin(), field.end(), bytes);
      const ShortNumber number(bytes, length, pointBits);
      const double value = NumberOfText(field).Value;
      ASSERT_EQ(number().Value, value) << field;
      ASSERT_EQ(number.Decimals(), decimals) << field;
      EXPECT_EQ(range.Holds(number.Key()), low <= value && value <= high) << field << " from " << low << " to " << high;
    }
  }
}

// Random exports: the vector path gives the same events as the plain path,
// and every number is the value that the data copy writes for its field, every
// missing field a -999.
TEST(ExportFields, BothPathsAgreeWithTheDataCopy) {
  std::mt19937 random(14);
  const std::string alphabet = "0123456789.,+- \tx\r\n0123456789\t";
  // A field as exports hold them: mostly numbers of up to 20 digits with a
  // point or a comma somewhere, now and then empty, blank or text.
  auto field = [&] {
    switch (random() % 20) {
      case 0: return std::string();
      case 1: return std::string(" ");
      case 2: return std::string("n/a");
      default: break;
    }
    std::string digits(1 + random() % 20, '0');
    for (char& c : digits) c = static_cast<char>('0' + random() % 10);
    if (random() % 2) digits.insert(random() % (digits.size() + 1), 1, random() % 2 ? '.' : ',');
    if (random() % 4 == 0) digits.insert(0, 1, random() % 2 ? '-' : '+');
    return digits;
  };
  for (int round = 0; round < 400; ++round) {
    std::string bytes = "a\tb\tc\td\te\r\n";
    if (round % 2 == 0) {
      const std::size_t length = random() % 3000;
      for (std::size_t i = 0; i < length; ++i) bytes += alphabet[random() % alphabet.size()];
    } else {
      for (int record = 0; record < 40; ++record) {
        const int fields = random() % 8 == 0 ? 1 + random() % 7 : 5;
        for (int f = 0; f < fields; ++f) bytes += (f > 0 ? "\t" : "") + field();
        bytes += random() % 4 == 0 ? "\n" : "\r\n";
      }
    }
    SCOPED_TRACE(testing::PrintToString(bytes));

    const std::size_t chunk = 1 + random() % 200;
    Lines vector = Events(bytes, true, chunk, 256);
    Lines plain = Events(bytes, false, chunk, 256);
    ASSERT_EQ(vector, plain);

    MemorySource source(bytes);
    StringSink data, labels;
    CopySpssData(source, data, labels, [](std::int64_t) { return true; });
    std::vector<std::string> tokens;
    std::string_view rest = data.bytes;
    while (!rest.empty()) {
      std::size_t end = std::min(rest.find_first_of(" \r\n"), rest.size());
      if (end > 0) tokens.emplace_back(rest.substr(0, end));
      rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    std::size_t next = 0;
    for (const std::string& event : vector) {
      if (event[0] == 'H' || event[0] == 'E') continue;
      ASSERT_LT(next, tokens.size());
      const std::string& token = tokens[next++];
      std::string value = event.substr(event.find(':') + 1);
      if (value == "-" || value == "?") {
        EXPECT_EQ(token, "-999");
        continue;
      }
      double copied = 0;
      std::from_chars(token.data() + (token[0] == '+' ? 1 : 0), token.data() + token.size(), copied);
      double read = 0;
      std::from_chars(value.data(), value.data() + value.find('/'), read);
      EXPECT_EQ(read, copied) << token;
      std::size_t point = token.find('.');
      int decimals = point == std::string::npos ? 0 : static_cast<int>(token.size() - point - 1);
      EXPECT_EQ(value.substr(value.find('/') + 1, value.rfind('/') - value.find('/') - 1), std::to_string(decimals));
    }
    EXPECT_EQ(next, tokens.size());
  }
}

}  // namespace
}  // namespace s2v
