// The category file: for every category of every project variable the values
// it covers, as a range or by the label of its single value.
#pragma once

#include <string>

#include "model/project_definition.h"
#include "spssinfo/file_info_reader.h"
#include "support/byte_stream.h"

namespace s2v {

// The description of category m (1-based) as its line in the category file
// gives it: a range of values, or the label or value of a single value.
std::string CategoryDescription(const VariableDefinition& variable, int m, const SpssFileInfo& info);

// The variable's CategoryCount lines: letter, category number, description.
void WriteCategoryLines(BufferedWriter& categoryFile, const VariableDefinition& variable, const SpssFileInfo& info);

}  // namespace s2v
