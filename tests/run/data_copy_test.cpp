#include "run/data_copy.h"

#include <gtest/gtest.h>

namespace s2v {
namespace {

struct Copied {
  std::string data;
  std::string labels;
  CopyResult result;
  std::vector<std::int64_t> counts;
};

Copied Copy(std::string_view spss) {
  Copied c;
  MemorySource source(spss);
  StringSink data, labels;
  c.result = CopySpssData(source, data, labels, [&](std::int64_t n) { c.counts.push_back(n); });
  c.data = data.bytes;
  c.labels = labels.bytes;
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

TEST(DataCopy, FieldsLongerThanTheReadBuffer) {
  std::string big(300000, '7');
  Copied c = Copy("A\tB\r\n" + big + "\t" + big + ",5\r\n");
  EXPECT_EQ(c.data, big + " " + big + ".5\r\n");
}

}  // namespace
}  // namespace s2v
