// The category file: for every category of every project variable the values
// it covers, as a range or by the label of its single value. Writing it is the
// run's last phase before the transfers; it also completes the project text
// file from the File Info export.
#pragma once

#include <string>
#include <vector>

#include "run/project_definition.h"
#include "run/toolkit.h"
#include "spssinfo/file_info_reader.h"
#include "support/byte_stream.h"
#include "support/working_folder.h"

namespace s2v {

// The variable's CategoryCount lines: letter, category number, description.
void WriteCategoryLines(BufferedWriter& categoryFile, const VariableDefinition& variable, const SpssFileInfo& info);

// What the phase takes from the run.
struct CategoryPhaseRun {
  Toolkit& toolkit;
  const std::string& projectName;
  const std::string& spssName;
  const std::vector<VariableDefinition>& variables;
  TextFileWriter& projectText;  // headed by the run; the phase closes it
};

// Deletes the old .SYS and .TAB files, reads the export, writes the category
// file and closes the project text file, then shows "VORNEX files are ready".
void WriteCategoryFilePhase(const CategoryPhaseRun& run);

}  // namespace s2v
