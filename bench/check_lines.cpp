// check_lines: times the checks of a definition that read only the export's
// first record (the names and lines), as a window runs them while the user
// types.
//
// Usage: check_lines SPCFILE [--project NAME] [--runs R]
//
// Prints the best and the median time of R checks (default 20) and the
// number of errors and warnings found.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "assist/check_definition.h"
#include "support/io_error.h"
#include "support/working_folder.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: check_lines SPCFILE [--project NAME] [--runs R]\n", stderr);
    return 2;
  }
  std::string spcFile = argv[1];
  std::string project;
  int runs = 20;
  for (int i = 2; i + 1 < argc; i += 2) {
    std::string_view option = argv[i];
    if (option == "--project") project = argv[i + 1];
    if (option == "--runs") runs = std::max(1, std::atoi(argv[i + 1]));
  }
  try {
    const auto [folder, name] = s2v::WorkingFolder::OfFile(spcFile, ".");
    if (project.empty()) project = name.substr(0, name.find('.'));
    s2v::SpcText lines;
    {
      s2v::FileSource spc(folder, name);
      lines = s2v::ReadSpcText(spc);
    }
    std::vector<double> times;
    s2v::DefinitionCheck check;
    for (int run = 0; run < runs; ++run) {
      auto start = std::chrono::steady_clock::now();
      check = s2v::CheckDefinition(folder, lines, project, false);
      times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    std::printf("first-record checks: best %.2f ms, median %.2f ms over %d runs; %zu errors, %zu warnings\n",
                times.front(), times[times.size() / 2], runs, check.Count(s2v::FindingKind::Error),
                check.Count(s2v::FindingKind::Warning));
  } catch (const s2v::IoError& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 2;
  }
  return 0;
}
