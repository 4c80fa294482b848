// The transfers to other packages at the end of a run: the Mplus input and
// data files, the MIM notice and the MLwiN data file. Each reads its own radio
// group and does nothing for item 0.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "model/project_definition.h"
#include "model/toolkit.h"
#include "support/byte_stream.h"
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

// After a transfer's last case: the progress shows it whole before its notice.
inline void ShowAllCasesDone(Toolkit& toolkit, std::int64_t total) {
  toolkit.SetProgress(static_cast<std::uint64_t>(total), static_cast<std::uint64_t>(total));
}

// The end of a case's line in the MLwiN data file: " 1 ", the case number
// (from 1) and the line end.
inline void PutMLwinTail(BufferedWriter& out, std::int64_t caseNumber) {
  char tail[32] = " 1 ";
  auto result = std::to_chars(tail + 3, tail + sizeof tail, caseNumber);
  out.Put(std::string_view(tail, static_cast<std::size_t>(result.ptr - tail)));
  out.EndLine();
}

// The transfers in their order: Mplus, MIM, MLwiN. When both the Mplus data
// and the MLwiN data are chosen, one pass over the VORNEX data file writes
// both; the MLwiN file waits under a passing name until its turn, and is
// removed when the run ends before it. Returns false when the user stopped
// the run.
bool RunTransfers(Toolkit& toolkit, const TransferInput& input);

// Each returns false when the user stopped it: its data file is then complete
// up to the last whole case and the report says where it stopped. With
// mlwinLines, the Mplus transfer writes each case's line of the MLwiN data
// file there too; with made, the MLwiN transfer takes that file over instead
// of writing its own.
bool TransferToMplus(Toolkit& toolkit, const TransferInput& input, BufferedWriter* mlwinLines = nullptr);
void TransferToMIM(Toolkit& toolkit);
bool TransferToMLwiN(Toolkit& toolkit, const TransferInput& input, PassingFile* made = nullptr);

}  // namespace s2v
