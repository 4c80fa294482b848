// The dictionary of an imported file as the import needs it: per variable
// its name, label, formats, missing values and value labels, in file order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace s2v {

// A value as it stands in a dictionary: a number, or the text of a string
// variable's value.
struct SavCode {
  bool IsString = false;
  double Number = 0;
  std::string Text;
};

struct SavValueLabel {
  SavCode Code;
  std::string Label;
};

// A discrete missing value has Low equal to High.
struct SavMissingRange {
  SavCode Low;
  SavCode High;
};

enum class SavMeasure { Unknown, Nominal, Ordinal, Scale };

struct SavVariable {
  std::string Name;
  std::string Label;
  std::string Format;  // the print format, e.g. "F8.2", "A14", "DATE11"
  bool IsString = false;
  SavMeasure Measure = SavMeasure::Unknown;
  std::vector<SavMissingRange> Missing;
  std::vector<SavValueLabel> ValueLabels;
  // Of a Stata strL variable: the values written empty because their text
  // is binary data (or missing from the file), and the texts cut at the
  // longest a text may be.
  std::int64_t TextsLeftEmpty = 0;
  std::int64_t TextsCut = 0;
};

struct SavDictionary {
  std::vector<SavVariable> Variables;
};

}  // namespace s2v
