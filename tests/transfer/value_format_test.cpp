// The numbers of the Mplus and MLwiN data files, and the wrapped lists of the
// Mplus input file.
#include "transfer/value_format.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data_text_writers.h"
#include "transfer/mplus_input.h"

namespace s2v {
namespace {

std::string Formatted(double x, WholeTolerance tolerance) {
  StringSink sink;
  BufferedWriter out(sink);
  PutDataValue(out, x, tolerance);
  out.Flush();
  return sink.bytes;
}

TEST(ValueFormatTest, WholeOrThreeDecimals) {
  struct Case {
    double x;
    const char* mplus;
    const char* mlwin;
  } cases[] = {
      {2, "2", "2"},
      {2.000004, "2", "2"},
      {1.999996, "2", "2"},
      {2.00002, "     2.000", "2"},  // the tolerances differ ten times
      {2.00005, "     2.000", "2"},
      {2.0002, "     2.000", "     2.000"},
      {-1.5, "    -1.500", "    -1.500"},
      {0.5, "     0.500", "     0.500"},
      {-0.000001, "0", "0"},  // no "-0"
      {-999, "-999", "-999"},
      {2147483647, "2147483647", "2147483647"},
      {-2147483648.0, "-2147483648", "-2147483648"},
      {2147483648.0, "2147483648.000", "2147483648.000"},  // whole, but outside the 32-bit range
      {3000000000.0, "3000000000.000", "3000000000.000"},
      {12345678901.25, "12345678901.250", "12345678901.250"},  // longer than the field
      {1234.5678, "  1234.568", "  1234.568"},
      {1e20, "100000000000000000000.000", "100000000000000000000.000"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Formatted(c.x, kMplusWholeTolerance), c.mplus) << c.x;
    EXPECT_EQ(Formatted(c.x, kMLwinWholeTolerance), c.mlwin) << c.x;
  }
}

TEST(ValueFormatTest, DummyColumn) {
  StringSink sink;
  BufferedWriter out(sink);
  for (double d : {0.123456, -6.2302601379, 18.4643470661, 0.0000004, 1234.5}) PutFixed(out, d, 6, 10), out.Put('|');
  out.Flush();
  EXPECT_EQ(sink.bytes, "  0.123456| -6.230260| 18.464347|  0.000000|1234.500000|");
}

TEST(ValueFormatTest, SixDecimalsQuicklyAsPutFixed) {
  auto sixDecimals = [](double x, bool quick) {
    StringSink sink;
    BufferedWriter out(sink);
    if (quick)
      PutSixDecimals(out, x);
    else
      PutFixed(out, x, 6, 10);
    out.Flush();
    return sink.bytes;
  };
  std::vector<double> values{0,        -0.0,          1e-7,          -1e-7,      4.9e-7,    -4.9e-7,
                             5e-7,     -5e-7,         5.1e-7,        -5.1e-7,    1e-6,      -1e-6,
                             0.123456, -6.2302601379, 18.4643470661, 999.999,    -999.9999, 1000.5,
                             123456.5, 999.9999995,   1.0000005,     -1.0000005, 2.5e-6,    0.0000025,
                             1e300,    -1e300,        1.5e-300,      0.1 + 0.2};
  // Values around rounding steps of the sixth decimal, and a sweep of the
  // Dummy column's range.
  for (int k = -3000; k <= 3000; ++k) {
    double step = (k + 0.5) / 1e6;
    for (double offset : {-1e-9, -1e-12, 0.0, 1e-12, 1e-9}) values.push_back(step + offset);
    values.push_back(k * 0.0021 + 0.00000049);
  }
  for (double x : values) EXPECT_EQ(sixDecimals(x, true), sixDecimals(x, false)) << x;
}

std::vector<std::string> Wrapped(std::string_view head, std::string_view continuation,
                                 const std::vector<std::string>& items) {
  StringSink sink;
  BufferedWriter out(sink);
  PutWrappedList(out, head, continuation, items);
  out.Flush();
  std::vector<std::string> lines;
  for (std::size_t start = 0, end; (end = sink.bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(sink.bytes.substr(start, end - start));
  return lines;
}

TEST(ValueFormatTest, ListsWrapBeforeColumn91) {
  std::string head(80, 'h');
  // 80 + " 123456789" is exactly 90: it stays on the line.
  EXPECT_EQ(Wrapped(head, "  ", {"123456789"}), (std::vector<std::string>{head + " 123456789"}));
  // One more character goes to the next line, after the continuation.
  EXPECT_EQ(Wrapped(head, "  ", {"1234567890", "x"}), (std::vector<std::string>{head, "   1234567890 x"}));
  EXPECT_EQ(Wrapped(head, "  ", {"a", "b", "c", "d", "e", "fg"}),
            (std::vector<std::string>{head + " a b c d e", "   fg"}));
  EXPECT_EQ(Wrapped("H", "C", {}), (std::vector<std::string>{"H"}));
}

}  // namespace
}  // namespace s2v
