// The category file: for every category of every project variable the values
// it covers, as a range or by the label of its single value.
#pragma once

#include "model/project_definition.h"
#include "spssinfo/file_info_reader.h"
#include "support/byte_stream.h"

namespace s2v {

// The variable's CategoryCount lines: letter, category number, description.
void WriteCategoryLines(BufferedWriter& categoryFile, const VariableDefinition& variable, const SpssFileInfo& info);

}  // namespace s2v
