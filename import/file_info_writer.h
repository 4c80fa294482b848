// The File Info text of an imported file's dictionary, in the table layout of
// SPSS 13 and later that the run's File Info reader accepts: a "Variable
// Information" table with a row per variable (name, position, label,
// measurement level, formats, missing values) and a "Variable Values" table
// with each labelled variable's codes and labels, its rows closed by a rule.
#pragma once

#include <cstddef>

#include "import/sav_dictionary.h"
#include "support/byte_stream.h"

namespace s2v {

struct FileInfoSummary {
  std::size_t ValueLabels = 0;        // labels written
  std::size_t LabelledVariables = 0;  // variables with at least one label written
  // Labels of string values that are empty or hold a blank: such a code
  // cannot stand as the one word the reader takes, so it is left out.
  std::size_t LabelsLeftOut = 0;
};

FileInfoSummary WriteFileInfo(const SavDictionary& dictionary, BufferedWriter& out);

}  // namespace s2v
