#include "run/data_copy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "chunked_source.h"
#include "support/export_field_rules.h"
#include "support/simd.h"

namespace s2v {
namespace {

struct Copied {
  std::string data;
  std::string labels;
  CopyResult result;
  std::vector<std::int64_t> counts;
};

Copied Copy(ByteSource& source, CopyPath path = CopyPath::Fastest) {
  Copied c;
  StringSink data, labels;
  c.result = CopySpssData(
      source, data, labels,
      [&](std::int64_t n) {
        c.counts.push_back(n);
        return true;
      },
      path);
  c.data = data.bytes;
  c.labels = labels.bytes;
  return c;
}

// The copy of the bytes; the plain path must give the same.
Copied Copy(std::string_view spss) {
  MemorySource source(spss);
  Copied c = Copy(source);
  MemorySource again(spss);
  Copied plain = Copy(again, CopyPath::Plain);
  EXPECT_EQ(plain.data, c.data) << "the plain path differs on " << ::testing::PrintToString(std::string(spss));
  EXPECT_EQ(plain.labels, c.labels);
  EXPECT_EQ(plain.counts, c.counts);
  EXPECT_EQ(plain.result.FittedCount, c.result.FittedCount);
  return c;
}

TEST(DataCopy, ValuesCommasAndMissing) {
  Copied c = Copy("A\tB\tC\tD\r\n1\t2,5\t\tabc\r\n");
  EXPECT_EQ(c.labels, "A\r\nB\r\nC\r\nD\r\n");
  EXPECT_EQ(c.data, "1 2.5 -999 -999\r\n");
  EXPECT_EQ(c.result.CaseCount, 1);
  EXPECT_EQ(c.counts, (std::vector<std::int64_t>{1}));
  EXPECT_EQ(c.result.FittedCount, 0);
}

TEST(DataCopy, FieldsAreClassifiedAsAWhole) {
  struct Case {
    const char* field;
    const char* value;
  } cases[] = {
      {" ", "-999"},  {" 12", "12"}, {"12 ", "12"},   {" -1,5 ", "-1.5"},  {"1 2", "-999"}, {".", "-999"},
      {"-.", "-999"}, {"+7", "+7"},  {"1e5", "-999"}, {"\t", "-999 -999"}, {".5", ".5"},    {"1.2.3", "-999"},
  };
  for (const Case& k : cases) {
    Copied c = Copy(std::string("X\tY\r\n") + k.field + (std::string_view(k.field) == "\t" ? "" : "\t1") + "\r\n");
    if (std::string_view(k.field) != "\t") {
      EXPECT_EQ(c.data, std::string(k.value) + " 1\r\n") << '"' << k.field << '"';
      continue;
    }
    EXPECT_EQ(c.data, std::string(k.value) + "\r\n") << '"' << k.field << '"';
  }
}

TEST(DataCopy, FifteenValuesToALine) {
  std::string header, record, expected;
  for (int i = 1; i <= 32; ++i) {
    header += (i > 1 ? "\t" : "") + std::string("V") + std::to_string(i);
    record += (i > 1 ? "\t" : "") + std::to_string(i);
    expected += std::to_string(i) + (i == 15 || i == 30 || i == 32 ? "\r\n" : " ");
  }
  EXPECT_EQ(Copy(header + "\r\n" + record + "\r\n").data, expected);
}

TEST(DataCopy, LineEndsOfEveryKind) {
  const char* kExpected = "1 2\r\n3 4\r\n";
  EXPECT_EQ(Copy("A\tB\r\n1\t2\r\n3\t4\r\n").data, kExpected);
  EXPECT_EQ(Copy("A\tB\n1\t2\n3\t4\n").data, kExpected);
  EXPECT_EQ(Copy("A\tB\r1\t2\r3\t4\r").data, kExpected);
  // A last record without a line end is a whole case; code 26 ends the file.
  EXPECT_EQ(Copy("A\tB\n1\t2\n3\t4").data, kExpected);
  Copied c = Copy(
      "A\tB\r\n1\t2\r\n3\t4\x1a"
      "5\t6\r\n");
  EXPECT_EQ(c.data, kExpected);
  EXPECT_EQ(c.result.CaseCount, 2);
}

TEST(DataCopy, EmptyRecordsAreSkippedAndShortOrLongCasesFitted) {
  Copied c = Copy("A\tB\tC\r\n\r\n1\t2\t3\r\n\r\n\r\n4\r\n5\t6\t7\t8\r\n");
  EXPECT_EQ(c.data, "1 2 3\r\n4 -999 -999\r\n5 6 7\r\n");
  EXPECT_EQ(c.result.CaseCount, 3);
  EXPECT_EQ(c.result.FittedCount, 2);
  EXPECT_EQ(c.result.HeaderFields, 3u);
}

TEST(DataCopy, HeaderKeepsEmptyFieldsAndBlanks) {
  Copied c = Copy("first name\t\tage,x");
  EXPECT_EQ(c.labels, "first name\r\n\r\nage.x\r\n");
  EXPECT_EQ(c.result.HeaderFields, 3u);
  EXPECT_EQ(c.result.CaseCount, 0);
  EXPECT_EQ(c.data, "");
  MemorySource labels(c.labels);
  EXPECT_EQ(ReadDatasetNames(labels), (std::vector<std::string>{"FIRST", "", "AGE.X"}));
}

TEST(DataCopy, EmptyFileGivesNoNamesAndNoCases) {
  Copied c = Copy("");
  EXPECT_EQ(c.labels, "");
  EXPECT_EQ(c.result.CaseCount, 0);
}

TEST(DataCopy, NamesAreCutTo20AndUpperCased) {
  MemorySource labels("abcdefghijklmnopqrstuvwxyz\r\n  sex  \r\n");
  EXPECT_EQ(ReadDatasetNames(labels), (std::vector<std::string>{"ABCDEFGHIJKLMNOPQRST", "SEX"}));
}

TEST(DataCopy, AnEmptyLineIsNoCaseAlsoWithOneVariable) {
  // With a single variable an empty line looks like a case of one empty
  // field; both paths skip it (the fuzzer found the vector path counting it).
  for (const char* ends : {"\r\n", "\n", "\r"}) {
    const std::string e = ends;
    Copied c = Copy("A" + e + "1" + e + e + "2" + e + e + e + "3" + e);
    EXPECT_EQ(c.data, "1\r\n2\r\n3\r\n") << testing::PrintToString(e);
    EXPECT_EQ(c.result.CaseCount, 3);
  }
}

TEST(DataCopy, FieldsOverManyReadsAreKeptUpToTheLongestNumber) {
  // Read 100 bytes at a time, so that every long field runs over many reads.
  const std::string longest(kMaxNumberField - 2, '7');
  const std::string name(300000, 'N');
  const std::string text = "A\t" + name + "\tC\r\n" + longest + ",5\t" + longest + "777\t" + std::string(300000, '1') +
                           "\r\n" + longest + ",5";
  ChunkedSource source(text, 100);
  Copied c = Copy(source);
  // The longest field that can be a number is copied whole; one byte more
  // is missing, however long.
  EXPECT_EQ(c.data, longest + ".5 -999 -999\r\n" + longest + ".5 -999 -999\r\n");
  // A header name of any length reaches the label file whole.
  EXPECT_EQ(c.labels, "A\r\n" + name + "\r\nC\r\n");
  EXPECT_EQ(c.result.FittedCount, 1);
}

TEST(DataCopy, PlainNumbersAndTheirNearMisses) {
  struct Case {
    std::string_view field;
    std::string_view value;
  } cases[] = {
      {"0", "0"},
      {"-0,5", "-0.5"},
      {"+,5", "+.5"},
      {"5.", "5."},
      {"1234567890123456", "1234567890123456"},    // 16 bytes
      {"12345678901234567", "12345678901234567"},  // 17 bytes
      {"1234567890123456789012345678901234567890123456789012345678901234567890",
       "1234567890123456789012345678901234567890123456789012345678901234567890"},
      {"1-2", "-999"},
      {"--1", "-999"},
      {"1,2,3", "-999"},
      {"1.2,3", "-999"},
      {"+", "-999"},
      {"-", "-999"},
      {",", "-999"},
      {"1/2", "-999"},
      {"1\x01", "-999"},
      {"\xb1", "-999"},
      {"12\xb0", "-999"},
      {"1 ", "1"},
      {"", "-999"},
  };
  for (const Case& k : cases) {
    // The field stands first, in the middle and last of a case.
    std::string field(k.field);
    Copied c = Copy("A\tB\tC\r\n" + field + "\t7\t8\r\n6\t" + field + "\t8\r\n6\t7\t" + field + "\r\n");
    std::string value(k.value);
    EXPECT_EQ(c.data, value + " 7 8\r\n6 " + value + " 8\r\n6 7 " + value + "\r\n") << '"' << k.field << '"';
    EXPECT_EQ(c.result.CaseCount, 3);
    EXPECT_EQ(c.result.FittedCount, 0);
  }
}

TEST(DataCopy, LineBreaksWithinLongCases) {
  // 40,000 values a case: a line end after every 15th, however many there are.
  const int kFields = 40000;
  std::string header, record, expected;
  for (int i = 0; i < kFields; ++i) {
    header += (i > 0 ? "\t" : "") + std::string("V") + std::to_string(i);
    record += (i > 0 ? "\t" : "") + std::to_string(i % 10);
    expected += std::to_string(i % 10) + ((i + 1) % 15 == 0 || i + 1 == kFields ? "\r\n" : " ");
  }
  Copied c = Copy(header + "\n" + record + "\n" + record + "\n");
  EXPECT_EQ(c.data, expected + expected);
  EXPECT_EQ(c.result.HeaderFields, static_cast<std::size_t>(kFields));
}

// A mixed export: every kind of field, line end and case length.
std::string MixedExport() {
  const char* fields[] = {"1", "22",    "-3,5",   "+4.25", "",    " ",    " 6 ", "7 7",       "x",
                          ".", "-.",    "1.2.3",  "99,",   ",5",  "1e5",  "-",   "\xe9t\xe9", "123456789012345678",
                          "0", "12,34", "-98,76", "5",     "666", "-7,0", "88"};
  const char* lineEnds[] = {"\r\n", "\n", "\r", "\r\n", "\r\n"};
  std::uint32_t state = 12345;
  auto next = [&state](std::uint32_t n) {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) % n;
  };
  std::string text = "A\tB\tC\tD\tE\tF\tG\tH\tI\tJ\tK\tL\tM\tN\tO\tP\tQ\r\n";
  for (int record = 0; record < 3000; ++record) {
    std::uint32_t count = next(10) == 0 ? 1 + next(25) : 17;  // now and then short or long
    for (std::uint32_t i = 0; i < count; ++i) {
      if (i > 0) text += '\t';
      text += fields[next(std::size(fields))];
    }
    text += next(50) == 0 ? "\r\n\r\n" : lineEnds[next(std::size(lineEnds))];
  }
  return text;
}

TEST(DataCopy, TheWayTheBytesArriveChangesNothing) {
  std::string text = MixedExport();
  Copied whole = Copy(text);
  EXPECT_GT(whole.result.CaseCount, 2900);
  EXPECT_GT(whole.result.FittedCount, 100);
  for (std::size_t chunk : {1, 2, 3, 5, 16, 17, 63, 64, 65, 1000, 4096}) {
    ChunkedSource source(text, chunk);
    Copied c = Copy(source);
    EXPECT_EQ(c.data, whole.data) << "chunk " << chunk;
    EXPECT_EQ(c.labels, whole.labels) << "chunk " << chunk;
    EXPECT_EQ(c.result.CaseCount, whole.result.CaseCount) << "chunk " << chunk;
    EXPECT_EQ(c.result.FittedCount, whole.result.FittedCount) << "chunk " << chunk;
    EXPECT_EQ(c.counts, whole.counts) << "chunk " << chunk;
  }
}

TEST(DataCopy, CasesAcrossFullReadBuffers) {
  // Over a MiB of cases: the copy's buffers fill up and refill many times,
  // with cases and fields cut at their ends.
  std::string text = "A\tB\tC\tD\tE\tF\tG\r\n";
  std::string expected;
  for (int i = 0; i < 40000; ++i) {
    std::string a = std::to_string(i), b = std::to_string(i % 97) + "," + std::to_string(i % 13);
    text += a + "\t-" + b + "\t" + a + a + "\t\t" + b + "\t" + a + "\t+" + a + "\r\n";
    std::string point = std::to_string(i % 97) + "." + std::to_string(i % 13);
    expected += a + " -" + point + " " + a + a + " -999 " + point + " " + a + " +" + a + "\r\n";
  }
  ASSERT_GT(text.size(), std::size_t{1} << 20);
  Copied c = Copy(text);
  EXPECT_EQ(c.data, expected);
  EXPECT_EQ(c.result.CaseCount, 40000);
}

#if defined(S2V_SIMD)
#if defined(S2V_AVX2)
[[gnu::target("avx2")]] ByteClasses ClassifyAvx2(char* p) { return ClassifyBlock<simd::Avx2>(p); }
#endif

// The block classifier of either width gives every byte value the classes it has.
TEST(DataCopyClasses, EveryByteValueInEveryPosition) {
  std::string bytes(256 + 64 + 64, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 7 + i / 256) & 0xff);
  for (std::size_t at = 0; at + 64 <= bytes.size(); at += 64) {
    std::string expected = bytes.substr(at, 64);
    ByteClasses want;
    for (int i = 0; i < 64; ++i) {
      auto c = static_cast<unsigned char>(expected[static_cast<std::size_t>(i)]);
      std::uint64_t bit = std::uint64_t{1} << i;
      if (c <= 26) want.stops |= bit;
      if (c == '\t') want.tabs |= bit;
      if (c >= '0' && c <= '9') want.digits |= bit;
      if (c == '.' || c == ',') want.points |= bit;
      if (c == '+' || c == '-') want.signs |= bit;
      if (c == ',') expected[static_cast<std::size_t>(i)] = '.';
    }
    std::vector<ByteClasses> got;
    std::string block = bytes.substr(at, 64);
    got.push_back(ClassifyBlock<simd::Sse2>(block.data()));
    EXPECT_EQ(block, expected);
#if defined(S2V_AVX2)
    if (simd::HasAvx2()) {
      block = bytes.substr(at, 64);
      got.push_back(ClassifyAvx2(block.data()));
      EXPECT_EQ(block, expected);
    }
#endif
    for (const ByteClasses& g : got) {
      EXPECT_EQ(g.stops, want.stops) << at;
      EXPECT_EQ(g.tabs, want.tabs) << at;
      EXPECT_EQ(g.digits, want.digits) << at;
      EXPECT_EQ(g.points, want.points) << at;
      EXPECT_EQ(g.signs, want.signs) << at;
    }
  }
}
#endif

TEST(DataCopy, ALineEndSplitBetweenTwoReads) {
  // CR and LF arrive in different reads: still one line end, no empty case between.
  std::string text = "A\tB\r\n1\t2\r\n3\t4\r\n";
  for (std::size_t chunk = 1; chunk <= text.size(); ++chunk) {
    ChunkedSource source(text, chunk);
    Copied c = Copy(source);
    EXPECT_EQ(c.data, "1 2\r\n3 4\r\n") << "chunk " << chunk;
    EXPECT_EQ(c.result.CaseCount, 2) << "chunk " << chunk;
  }
}

}  // namespace
}  // namespace s2v
