// The definition assistant's commands of the batch program: describe an
// export, draft a definition, check a definition. Each prints its output on
// standard output and returns the program's exit status.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace s2v {

// Exit statuses, as for a run.
constexpr int kStatusPassed = 0;
constexpr int kStatusStopped = 1;
constexpr int kStatusIoFailure = 2;

// spssFile: the export's data file or its base name, relative to startFolder.
int DescribeCommand(const std::string& spssFile, bool tsv, const std::string& startFolder);

int DraftCommand(const std::string& spssFile, const std::vector<std::string>& names, int categories,
                 const std::string& startFolder);

// Prints each finding as "SPCFILE:LINE: error: TEXT" (or warning), then a
// count line; writes nothing.
int CheckCommand(const std::string& spcFile, const std::optional<std::string>& project, const std::string& startFolder);

}  // namespace s2v
