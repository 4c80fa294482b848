// A draft project definition from the description of an export: the range
// form for codes, the cut form at quantiles for measures, and every variable
// left out named with its reason after the last variable line, where the run
// reads no more.
#pragma once

#include <string>
#include <vector>

#include "assist/export_description.h"

namespace s2v {

struct DraftOptions {
  // The variables to define, by name as in the export (any letter case), in
  // this order; empty: every usable variable in the order of the export.
  std::vector<std::string> Names;
  int Categories = 4;  // of the cut form, 2 to 42
};

struct LeftOut {
  std::string Name;
  std::string Reason;
};

struct Draft {
  // The definition's lines, without line ends; empty when fewer than two
  // variables can be used.
  std::vector<std::string> Lines;
  std::vector<LeftOut> Left;
  // Names asked for that the export does not have.
  std::vector<std::string> Unknown;
  int Defined = 0;
};

Draft DraftDefinition(const ExportDescription& description, const DraftOptions& options);

// The variable line of one variable, or the reason it cannot have one.
struct DraftLine {
  std::string Line;
  std::string Reason;  // empty when Line holds the line
};
DraftLine DraftVariableLine(const VariableDescription& variable, int categories);

}  // namespace s2v
