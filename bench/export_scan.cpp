// export_scan: times the two readers of an export's fields on an export held
// in memory, so that neither the disk nor the writing of files blurs them:
// the data copy (to a sink that only counts the bytes) and the assistant's
// description.
//
// Usage: export_scan EXPORT [--runs R] [--only copy|description]
//
// Prints the best and the median time of R passes (default 9) of each, the
// two alternating, with the bytes the copy wrote and the cases it found.
// --only times one of them, for a profiler.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "assist/export_description.h"
#include "run/data_copy.h"

namespace {

class CountingSink : public s2v::ByteSink {
 public:
  void Write(const char*, std::size_t size) override { bytes += size; }
  std::size_t bytes = 0;
};

template <typename Pass>
double Milliseconds(const Pass& pass) {
  auto start = std::chrono::steady_clock::now();
  pass();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void Print(const char* what, std::vector<double> times) {
  std::sort(times.begin(), times.end());
  std::printf("%s: best %.1f ms, median %.1f ms over %zu passes\n", what, times.front(), times[times.size() / 2],
              times.size());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: export_scan EXPORT [--runs R]\n", stderr);
    return 2;
  }
  int runs = 9;
  std::string_view only;
  for (int i = 2; i + 1 < argc; i += 2) {
    if (std::string_view(argv[i]) == "--runs") runs = std::max(1, std::atoi(argv[i + 1]));
    if (std::string_view(argv[i]) == "--only") only = argv[i + 1];
  }
  std::ifstream file(argv[1], std::ios::binary);
  if (!file) {
    std::fprintf(stderr, "export_scan: cannot open %s\n", argv[1]);
    return 2;
  }
  const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};

  std::vector<double> copyTimes, describeTimes;
  s2v::CopyResult copied;
  CountingSink data, labels;
  std::size_t variables = 0;
  for (int run = 0; run < runs; ++run) {
    if (only != "description")
      copyTimes.push_back(Milliseconds([&] {
        s2v::MemorySource source(bytes);
        data = {};
        labels = {};
        copied = s2v::CopySpssData(source, data, labels, [](std::int64_t) { return true; });
      }));
    if (only != "copy")
      describeTimes.push_back(Milliseconds([&] {
        s2v::MemorySource source(bytes);
        variables = s2v::DescribeExport("EXPORT", source, nullptr).Variables.size();
      }));
  }
  if (!copyTimes.empty()) Print("data copy", copyTimes);
  if (!describeTimes.empty()) Print("description", describeTimes);
  std::printf("the copy wrote %zu bytes of data for %lld cases; %zu variables described\n", data.bytes,
              static_cast<long long>(copied.CaseCount), variables);
  return 0;
}
