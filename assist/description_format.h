// The description of an export as text: an aligned table for people, or
// tab-separated rows under a header line for scripts.
#pragma once

#include <string>
#include <vector>

#include "assist/export_description.h"

namespace s2v {

// Lines without line ends: a summary, an empty line, the table.
std::vector<std::string> DescriptionTable(const ExportDescription& description);
// A header line, then one row per variable.
std::vector<std::string> DescriptionTsv(const ExportDescription& description);
// What the description warns of, a line each: variables whose data hold
// their value labels in place of their codes.
std::vector<std::string> DescriptionWarnings(const ExportDescription& description);

}  // namespace s2v
