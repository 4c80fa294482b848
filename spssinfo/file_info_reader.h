// The SPSS File Info export: the descriptive line and the value labels of each
// project variable, in the older free-form layout or in the tables of SPSS 13
// and later. Every lookup reads the export from its first line, and the first
// match wins.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/project_definition.h"
#include "support/byte_stream.h"

namespace s2v {

// Tables: the layout of SPSS 16 and later, read by the dictionary reader: "|"
// against the cell text and rule lines between rows, or tabs between cells.
enum class FileInfoLayout { Older, Version13, Tables };

struct ValueLabel {
  std::int32_t Code = 0;  // rounded to the nearest whole number, a half to even
  std::string Text;
};

// The most value labels of a variable that the assistant keeps, as many as
// the table of a run holds: memory stays bounded whatever the export holds.
inline constexpr std::size_t kMaxValueLabels = 41;

// What a lookup found for one variable: its first kMaxValueLabels labels in
// file order, as the run's table holds them, and beyond them only those that
// its category lines can show, the first label of each code that is a
// single-value category. However long the export's list, no label that the
// category file uses is lost, and memory stays bounded.
struct SpssFileInfo {
  bool Found = false;
  std::vector<ValueLabel> Labels;
  std::size_t LabelCount() const { return Labels.size(); }
  void AddLabel(const VariableDefinition& variable, ValueLabel label);
};

// The value of category m (from 1) of the variable when it is a category of
// a single value, whose line shows that value's label; none for a range.
std::optional<std::int64_t> SingleValueOf(const VariableDefinition& variable, int m);

// The rule of SpssFileInfo: whether a variable that has kept `kept` labels
// keeps one of code; hasCode(code) tells whether one of them has that code.
bool KeepsLabel(const VariableDefinition& variable, std::size_t kept, std::int64_t code,
                const std::function<bool(std::int64_t)>& hasCode);

// The assistant's line for labels left out; empty when none was.
std::string LeftOutLabelsLine(const std::string& name, std::size_t leftOut);

using ReportLine = std::function<void(const std::string&)>;
// Opens the export anew at its first line.
using ExportOpener = std::function<std::unique_ptr<ByteSource>()>;

// The code of a value word: a number is rounded half to even and held to 32
// bits; any other word gives the digits read up to its first character that
// does not fit, without sign or point (0 when there are none).
std::int32_t ValueCode(std::string_view word);

// Version13 when a line of exactly the two words "VARIABLE INFORMATION" (in any
// letter case) stands in the export; Tables when the table after it is one of
// SPSS 16 and later; otherwise Older.
FileInfoLayout DetectFileInfoLayout(ByteSource& file);

// The older layout: the variable's block, its line in the project text file and
// its value labels, with the report lines of the lookup.
SpssFileInfo LookUpVariableOlder(ByteSource& file, const VariableDefinition& variable, const ReportLine& report,
                                 BufferedWriter& projectText);

// The version 13 layout's first pass: one project text file line for each
// variable that has a row in the export.
void WriteVariableListV13(const ExportOpener& open, const std::vector<VariableDefinition>& variables,
                          BufferedWriter& projectText);

// The version 13 layout's second pass: the variable's rows in the values table.
SpssFileInfo LookUpValueLabelsV13(ByteSource& file, const VariableDefinition& variable, const ReportLine& report);

}  // namespace s2v
