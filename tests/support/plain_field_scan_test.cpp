#include "support/plain_field_scan.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "support/simd.h"

#if defined(S2V_SIMD)

namespace s2v {
namespace {

// Writes down what the scan hands over: "n,n|" for a run, "n" or "_" for a
// field alone, "/" for a case's end.
struct Recorder {
  std::string events;
  std::size_t mostInRun = 64;
  std::size_t longestField = 64;  // a longer field alone is left
  int casesToTake = 1000;

  void Step(std::size_t) {}
  std::size_t MostInRun() const { return mostInRun; }
  void Run(const char* p, std::size_t length, std::uint64_t, std::size_t count, const ByteClasses&, std::size_t) {
    events += std::string(p, length) + "|" + std::to_string(count) + " ";
  }
  bool Field(std::size_t, const char* p, std::size_t length, std::uint64_t, unsigned) {
    if (length > longestField) return false;
    events += length == 0 ? "_" : std::string(p, length);
    events += ' ';
    return true;
  }
  bool EndCase() {
    events += "/ ";
    return --casesToTake > 0;
  }
};

struct Scanned {
  std::string events;
  std::size_t stop;   // where the scan stopped, from the first byte
  std::size_t field;  // the field it stopped at
};

Scanned Scan(std::string bytes, std::size_t fields, Recorder recorder = {}, std::size_t field = 0) {
  const std::size_t size = bytes.size();
  bytes.resize(size + 64, '\0');  // the classifier reads and writes a block past the end
  ByteClassMaps maps(bytes.size());
  maps.Classify(bytes.data(), bytes.data() + size);
  const char* stop =
      ScanPlainFields<false>(maps.Read(), bytes.data(), bytes.data() + size, fields, fields, field, recorder);
  return {recorder.events, static_cast<std::size_t>(stop - bytes.data()), field};
}

TEST(PlainFieldScan, TakesPlainFieldsAndStopsWhereCareIsNeeded) {
  struct Case {
    std::string_view bytes;
    std::size_t fields;
    std::string_view events;
    std::size_t stop;
  } cases[] = {
      {"1\t2,5\t-3\r\n4\t5\t6\n", 3, "1\t2.5|2 -3 / 4\t5|2 6 / ", 16},
      {"1\t\t+3\n", 3, "1|1 _ +3 / ", 6},
      {"\t\t\n", 3, "_ _ _ / ", 3},
      {"1\tx\t3\n", 3, "1|1 ", 2},           // not a number
      {"1 \t2\t3\n", 3, "", 0},              // a blank: the plain form decides
      {"1\t2.3.4\t5\n", 3, "1|1 ", 2},       // two points
      {"1\t-\t5\n", 3, "1|1 ", 2},           // a sign without digits
      {"1\t2-\t5\n", 3, "1|1 ", 2},          // a sign behind digits
      {"1\t2\t3\t4\n", 3, "1\t2\t3|3 ", 6},  // a surplus field
      {"1\t2\n", 3, "1|1 ", 2},              // a missing field
      {"1\t2\t3\r", 3, "1\t2|2 ", 4},        // a CR at the end waits for its LF
      {"1\t2\t3\r4\t5\t6\r\n", 3, "1\t2|2 3 / 4\t5|2 6 / ", 13},
      {"\n1\t2\t3\n", 3, "", 0},                                                       // an empty line is no case
      {"1\t2\t3\x1a", 3, "1\t2|2 ", 4},                                                // code 26 ends the text
      {"1\t2\x01\t3\n", 3, "1|1 ", 2},                                                 // another control code
      {"12345678901234567890123456789012345678901234567890123456789\t1\n", 2, "", 0},  // longer than a window
      {"7\n8\n", 1, "7 / 8 / ", 4},
  };
  for (const Case& c : cases) {
    Scanned s = Scan(std::string(c.bytes), c.fields);
    EXPECT_EQ(s.events, c.events) << testing::PrintToString(std::string(c.bytes));
    EXPECT_EQ(s.stop, c.stop) << testing::PrintToString(std::string(c.bytes));
  }
}

TEST(PlainFieldScan, TheTakerBoundsRunsFieldsAndCases) {
  struct Case {
    std::string_view bytes;
    std::size_t fields;
    std::size_t mostInRun, longestField;
    int casesToTake;
    std::size_t startField;
    std::string_view events;
    std::size_t stop;
    std::size_t field;
  } cases[] = {
      {"1\t2\t3\t4\t5\t6\n", 6, 2, 64, 9, 0, "1\t2|2 3\t4|2 5|1 6 / ", 12, 0},
      {"1\t22\t333\n", 3, 64, 2, 9, 0, "1\t22|2 ", 5, 2},
      {"1\t2\n3\t4\n", 2, 64, 64, 1, 0, "1|1 2 / ", 4, 0},
      // A scan that starts within a case counts on from its field.
      {"3\t4\n5\t6\t7\t8\n", 4, 64, 64, 9, 2, "3|1 4 / 5\t6\t7|3 8 / ", 12, 0},
  };
  for (const Case& c : cases) {
    Recorder recorder;
    recorder.mostInRun = c.mostInRun;
    recorder.longestField = c.longestField;
    recorder.casesToTake = c.casesToTake;
    Scanned s = Scan(std::string(c.bytes), c.fields, recorder, c.startField);
    EXPECT_EQ(s.events, c.events) << testing::PrintToString(std::string(c.bytes));
    EXPECT_EQ(s.stop, c.stop) << testing::PrintToString(std::string(c.bytes));
    EXPECT_EQ(s.field, c.field) << testing::PrintToString(std::string(c.bytes));
  }
}

}  // namespace
}  // namespace s2v

#endif
