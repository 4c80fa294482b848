// The run's last phase before the transfers: old .SYS and .TAB files go, the
// File Info export completes the project text file and gives the category
// file, and the user hears that the VORNEX files are ready.
#pragma once

#include <string>
#include <vector>

#include "model/project_definition.h"
#include "model/toolkit.h"
#include "support/working_folder.h"

namespace s2v {

// What the phase takes from the run.
struct CategoryPhaseRun {
  Toolkit& toolkit;
  const WorkingFolder& folder;
  const std::string& projectName;
  const std::string& spssName;
  const std::vector<VariableDefinition>& variables;
  TextFileWriter& projectText;  // headed by the run; the phase closes it
  const CodePage& codePage;     // of the files written
};

// Deletes the old .SYS and .TAB files, reads the export, writes the category
// file and closes the project text file, then shows "VORNEX files are ready".
void WriteCategoryFilePhase(const CategoryPhaseRun& run);

}  // namespace s2v
