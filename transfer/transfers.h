// The transfers to other packages at the end of a run: the Mplus input and
// data files, the MIM notice and the MLwiN data file. Each reads its own radio
// group and does nothing for item 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "model/project_definition.h"
#include "model/toolkit.h"
#include "support/working_folder.h"

namespace s2v {

// What the transfers take from the finished run.
struct TransferInput {
  const WorkingFolder& Folder;
  std::string ProjectBase;
  std::string DataFileName;  // the VORNEX data file, re-read case by case
  std::int64_t CaseCount = 0;
  std::size_t FieldsPerCase = 0;  // the number of dataset variables, in full
  const ProjectDefinition& Definition;
  // Seeds the Mplus Dummy column instead of the clock, for reproducible files.
  std::optional<std::uint32_t> Seed;
};

// Before each case of a transfer's data file: now and then the window shows
// the progress and handles its messages (a transfer of millions of cases must
// not look hung); true when the user asked the run to stop.
inline bool StopBeforeCase(Toolkit& toolkit, std::int64_t done, std::int64_t total) {
  if (done > 0 && done % 4096 == 0) {
    toolkit.SetProgress(static_cast<std::uint64_t>(done), static_cast<std::uint64_t>(total));
    toolkit.ProcessPendingMessages();
  }
  return toolkit.StopRequested();
}

// Each returns false when the user stopped it: its data file is then complete
// up to the last whole case and the report says where it stopped.
bool TransferToMplus(Toolkit& toolkit, const TransferInput& input);
void TransferToMIM(Toolkit& toolkit);
bool TransferToMLwiN(Toolkit& toolkit, const TransferInput& input);

}  // namespace s2v
