// Reading the VORNEX data file back: numbers counted across line ends, the
// rest of a case's last line skipped, the fields written in the order asked,
// and the failures of bad data.
#include "transfer/case_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <numeric>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/io_error.h"
#include "transfer/byte_marks.h"

namespace s2v {
namespace {

using Lines = std::vector<std::string>;

// The lines that WriteCase writes for the cases, with Mplus's tolerance.
Lines ReadCases(std::string_view data, std::size_t fields, const std::vector<std::size_t>& columns, int cases,
                std::size_t bufferSize = 1 << 20) {
  MemorySource source(data);
  CaseReader reader(source, fields, columns, bufferSize);
  Lines result;
  for (int c = 0; c < cases; ++c) {
    StringSink sink;
    BufferedWriter out(sink);
    reader.WriteCase(out, kMplusWholeTolerance);
    out.Flush();
    result.push_back(sink.bytes);
  }
  return result;
}

int ErrorOf(std::string_view data, std::size_t fields, const std::vector<std::size_t>& columns, int cases,
            std::size_t bufferSize = 1 << 20) {
  try {
    ReadCases(data, fields, columns, cases, bufferSize);
  } catch (const IoError& error) {
    return error.code();
  }
  return 0;
}

TEST(CaseReaderTest, CountsNumbersNotLines) {
  // Case 1 spans two lines; case 2 ends on a line whose rest is skipped.
  std::string data = "1 2.5\r\n-3\r\n 9   8\r\n7 extra words\r\n40 50 60\r\n";
  EXPECT_EQ(ReadCases(data, 3, {3, 1}, 3), (Lines{"-3 1", "7 9", "60 40"}));
  EXPECT_EQ(ReadCases(data, 3, {1, 2, 3}, 3), (Lines{"1      2.500 -3", "9 8 7", "40 50 60"}));
  // The same field may be taken twice; columns come back in the order asked.
  EXPECT_EQ(ReadCases("4 5.25 6\r\n", 3, {2, 2, 1}, 1), (Lines{"     5.250      5.250 4"}));
  EXPECT_EQ(ReadCases("4 5 6 7\r\n", 4, {1, 3, 2}, 1), (Lines{"4 6 5"}));
  EXPECT_EQ(ReadCases("4 5 6 7\r\n", 4, {2, 4}, 1), (Lines{"5 7"}));
  // Line ends of every kind, and tabs between numbers.
  EXPECT_EQ(ReadCases("1\t2 x\n3 4 x\r5 6 x\r\n7 8", 2, {1, 2}, 4), (Lines{"1 2", "3 4", "5 6", "7 8"}));
  // A lone CR LF after the case is one line end, not two.
  EXPECT_EQ(ReadCases("1\r\n2\r\n", 1, {1}, 2), (Lines{"1", "2"}));
}

TEST(CaseReaderTest, FieldsAcrossTheBufferEnd) {
  std::string data;
  for (int i = 0; i < 50; ++i) data += "12345.678 -0.25\r\n";
  Lines cases = ReadCases(data, 2, {1, 2}, 50, 10);
  EXPECT_EQ(cases.back(), " 12345.678     -0.250");
  // Fields longer than a word of marks, across the buffer's end.
  std::string longFields;
  for (int i = 0; i < 20; ++i) longFields += std::string(70, '0') + "1.5 " + std::string(66, '0') + "2\r\n";
  for (std::size_t size : {80, 100, 150, 1 << 20})
    EXPECT_EQ(ReadCases(longFields, 2, {2, 1}, 20, size).back(), "2      1.500") << size;
  // Long cases over many lines, most fields passed over, for several buffer
  // sizes: every size gives the same values.
  std::string wide;
  for (int c = 1; c <= 3; ++c)
    for (int j = 1; j <= 100; ++j) wide += std::to_string(c * 1000 + j) + (j % 15 == 0 || j == 100 ? "\r\n" : " ");
  const Lines expected{"1050 1100 1001", "2050 2100 2001", "3050 3100 3001"};
  for (std::size_t size : {8, 16, 64, 100, 1 << 20})
    EXPECT_EQ(ReadCases(wide, 100, {50, 100, 1}, 3, size), expected) << size;
  std::string spoiled = wide;
  spoiled[spoiled.find("2077")] = 'x';
  EXPECT_EQ(ErrorOf(spoiled, 100, {1}, 3, 64), kInvalidNumericInput);
  EXPECT_EQ(ReadCases(spoiled, 100, {1}, 1, 64), (Lines{"1001"}));
  // A field longer than the whole buffer cannot be a number.
  EXPECT_EQ(ErrorOf("123456789 1\r\n", 2, {1}, 1, 4), kInvalidNumericInput);
}

TEST(CaseReaderTest, NumberForms) {
  struct Case {
    std::string text;
    double value;
  } cases[] = {{"-999", -999}, {"+5", 5}, {".5", 0.5}, {"5.", 5}, {"-0.5e3", -500}, {"1E-2", 0.01}, {"007", 7}};
  for (const Case& c : cases) EXPECT_EQ(ParseField(c.text), c.value) << c.text;
  EXPECT_EQ(ReadCases("-999 +5 .5 5. -0.5e3 1E-2 007\r\n", 7, {1, 2, 3, 4, 5, 6, 7}, 1),
            (Lines{"-999 5      0.500 5 -500      0.010 7"}));
  for (std::string bad : {"", "-", ".", "1..2", "1-2", "1e", "e5", "1.2.3", "inf", "nan", "0x10", "1e999", "+-1"}) {
    try {
      ParseField(bad);
      ADD_FAILURE() << "accepted " << bad;
    } catch (const IoError& error) {
      EXPECT_EQ(error.code(), kInvalidNumericInput) << bad;
    }
  }
}

TEST(CaseReaderTest, BadDataFails) {
  EXPECT_EQ(ErrorOf("1 1-2 3\r\n", 3, {2}, 1), kInvalidNumericInput);
  // A field that is not taken still has to consist of the characters of numbers.
  EXPECT_EQ(ErrorOf("1 x 3\r\n", 3, {1}, 1), kInvalidNumericInput);
  EXPECT_EQ(ErrorOf("1 2,5 3\r\n", 3, {1}, 1), kInvalidNumericInput);
  // The data end before the case does.
  EXPECT_EQ(ErrorOf("1 2\r\n", 3, {1}, 1), kReadBeyondEnd);
  EXPECT_EQ(ErrorOf("1 2 3\r\n", 3, {1}, 2), kReadBeyondEnd);
  // Code 26 ends the text, also in the middle of a line.
  EXPECT_EQ(ErrorOf("1 2\x1a 3\r\n", 3, {1}, 1), kReadBeyondEnd);
  EXPECT_EQ(ReadCases("1 2\x1a", 2, {2}, 1), (Lines{"2"}));
}

// Both tolerances in one read give what a read with each gives: the fields
// whose texts part (within 0.0001 of a whole number, not within 0.00001,
// also in the 32-bit range's last steps and as doubles of long texts) among
// ones that do not, in order, out of order and taken twice, across the
// buffer's end.
TEST(CaseReaderTest, TwoTolerancesInOneRead) {
  const std::string data =
      "2.00002 1.99995 -0.00002 2147483647.00005 2147483648.00005 -2147483648.00009\r\n"
      "0.0001 2.0001 5 1.5 -2.00009 0.00001\r\n"
      "2.000005 -0.0004 1.9999 7.00049 -7.00011 3.00001 .5 -999\r\n"
      "-0.00005 12345678901.00002 -2147483647.99993 99.99991 0.000099 -0.000011 4.00010\r\n"
      "2.0000200000000000001 1.99995e0 -5e-5 0.000010000000000000001 2 -0\r\n";
  const std::size_t fields = 33;
  const int cases = 1;
  std::vector<std::size_t> inOrder(fields);
  std::iota(inOrder.begin(), inOrder.end(), 1);
  for (const std::vector<std::size_t>& columns :
       {inOrder, std::vector<std::size_t>{33, 30, 1, 1, 2, 14, 3, 4, 5, 6, 7, 8, 9, 10, 20, 22, 25, 31, 32}}) {
    for (std::size_t size : {48, 64, 100, 1 << 20}) {
      SCOPED_TRACE(std::to_string(columns.size()) + " columns, buffer " + std::to_string(size));
      MemorySource source(data);
      CaseReader reader(source, fields, columns, size);
      StringSink mplusSink, mlwinSink;
      BufferedWriter mplus(mplusSink), mlwin(mlwinSink);
      reader.WriteCase(mplus, kMplusWholeTolerance, mlwin, kMLwinWholeTolerance);
      mplus.Flush();
      mlwin.Flush();
      EXPECT_EQ(Lines{mplusSink.bytes}, ReadCases(data, fields, columns, cases, size));
      MemorySource again(data);
      CaseReader alone(again, fields, columns, size);
      StringSink aloneSink;
      BufferedWriter out(aloneSink);
      alone.WriteCase(out, kMLwinWholeTolerance);
      out.Flush();
      EXPECT_EQ(mlwinSink.bytes, aloneSink.bytes);
      EXPECT_NE(mplusSink.bytes, mlwinSink.bytes);
    }
  }
  // The wider tolerance has to be the second.
  MemorySource source(data);
  CaseReader reader(source, fields, {1}, 64);
  StringSink sink;
  BufferedWriter first(sink), second(sink);
  EXPECT_THROW(reader.WriteCase(first, kMLwinWholeTolerance, second, kMplusWholeTolerance), std::invalid_argument);
}

TEST(CaseReaderTest, NothingOfAFailingCaseIsWritten) {
  // The first fields of the second case are good, its last is not.
  for (const std::vector<std::size_t>& columns : {std::vector<std::size_t>{1, 2, 3}, {3, 1}}) {
    MemorySource source("1 2 3\r\n4 5 6x\r\n");
    CaseReader reader(source, 3, columns);
    StringSink sink;
    BufferedWriter out(sink);
    reader.WriteCase(out, kMLwinWholeTolerance);
    out.EndLine();
    EXPECT_THROW(reader.WriteCase(out, kMLwinWholeTolerance), IoError);
    out.Flush();
    EXPECT_EQ(sink.bytes, columns.size() == 3 ? "1 2 3\r\n" : "3 1\r\n");
  }
  // Nor of the two outputs of one read.
  for (const std::vector<std::size_t>& columns : {std::vector<std::size_t>{1, 2, 3}, {3, 1}}) {
    MemorySource source("1 2.00002 3\r\n4 5.00002 6x\r\n");
    CaseReader reader(source, 3, columns);
    StringSink firstSink, secondSink;
    BufferedWriter first(firstSink), second(secondSink);
    reader.WriteCase(first, kMplusWholeTolerance, second, kMLwinWholeTolerance);
    EXPECT_THROW(reader.WriteCase(first, kMplusWholeTolerance, second, kMLwinWholeTolerance), IoError);
    first.Flush();
    second.Flush();
    EXPECT_EQ(firstSink.bytes, columns.size() == 3 ? "1      2.000 3" : "3 1");
    EXPECT_EQ(secondSink.bytes, columns.size() == 3 ? "1 2 3" : "3 1");
  }
}

// Every byte value in every position of a block, marked by each way of the
// processor against the table of the characters' classes.
TEST(CaseReaderTest, ByteMarksOfEveryByte) {
  std::string bytes(64 * 256 + 64, '\0');
  for (std::size_t i = 0; i < 64 * 256; ++i) bytes[i] = static_cast<char>((i * 97 + i / 256) % 256);
  const std::size_t blocks = 256;
  std::vector<std::uint64_t> separators(blocks), lineEnds(blocks), numberChars(blocks);
  auto check = [&](const char* way) {
    for (std::size_t w = 0; w < blocks; ++w)
      for (std::size_t i = 0; i < 64; ++i) {
        const unsigned char c = byte_marks::ClassOf(bytes[64 * w + i]);
        const std::uint64_t bit = std::uint64_t{1} << i;
        ASSERT_EQ((separators[w] & bit) != 0, c <= byte_marks::kLineEnd) << way << " byte " << int(bytes[64 * w + i]);
        ASSERT_EQ((lineEnds[w] & bit) != 0, c == byte_marks::kLineEnd) << way << " byte " << int(bytes[64 * w + i]);
        ASSERT_EQ((numberChars[w] & bit) != 0, c == byte_marks::kNumberChar)
            << way << " byte " << int(bytes[64 * w + i]);
      }
  };
  byte_marks::MarkBlocks(bytes.data(), blocks, separators.data(), lineEnds.data(), numberChars.data());
  check("plain");
#if defined(S2V_AVX2)
  if (simd::HasAvx2()) {
    std::fill(separators.begin(), separators.end(), 0);
    byte_marks::MarkBlocksAvx2(bytes.data(), blocks, separators.data(), lineEnds.data(), numberChars.data());
    check("AVX2");
  }
#endif
}

// The data are read ahead, on another thread: what the reading meets is
// thrown only when the reader gets there, after the cases before it, and
// again at every later try; a reader given up early ends at once.
TEST(CaseReaderTest, ReadingAheadKeepsTheOrderOfFailures) {
  class FailingSource : public ByteSource {
   public:
    explicit FailingSource(std::string_view bytes) : bytes_(bytes) {}
    std::size_t Read(char* data, std::size_t size) override {
      if (bytes_.empty()) throw IoError(kFileNotFound);
      std::size_t n = std::min<std::size_t>(size, 5);
      n = bytes_.copy(data, n);
      bytes_.remove_prefix(n);
      return n;
    }

   private:
    std::string_view bytes_;
  };
  const std::string data = "1 2\r\n3 4\r\n5 6\r\n7 8\r\n";
  for (std::size_t size : {8, 16, 64, 1 << 20}) {
    SCOPED_TRACE(size);
    FailingSource source(data);
    CaseReader reader(source, 2, {2, 1}, size);
    StringSink sink;
    BufferedWriter out(sink);
    int written = 0;
    try {
      for (; written < 5; ++written) {
        reader.WriteCase(out, kMplusWholeTolerance);
        out.EndLine();
      }
    } catch (const IoError& error) {
      EXPECT_EQ(error.code(), kFileNotFound);
    }
    // The last case ends the data without the next byte read: whether it is
    // written depends on where the reading stopped, never on its timing.
    EXPECT_EQ(written, size <= 16 ? 3 : 0);
    out.Flush();
    EXPECT_EQ(sink.bytes, std::string("2 1\r\n4 3\r\n6 5\r\n").substr(0, 5 * static_cast<std::size_t>(written)));
    EXPECT_THROW(reader.WriteCase(out, kMplusWholeTolerance), IoError);
  }

  std::string many;
  for (int i = 0; i < 100000; ++i) many += "1 2 3\r\n";
  MemorySource source(many);
  auto reader = std::make_unique<CaseReader>(source, 3, std::vector<std::size_t>{1}, 64);
  StringSink sink;
  BufferedWriter out(sink);
  reader->WriteCase(out, kMplusWholeTolerance);
  reader.reset();
  out.Flush();
  EXPECT_EQ(sink.bytes, "1");
}

}  // namespace
}  // namespace s2v
