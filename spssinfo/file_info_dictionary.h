// The File Info export read in one pass as a dictionary of the variables asked
// for: each one's label, print format, declared missing values and value
// labels, in either layout. The run looks up one variable at a time for its
// category file; the assistant needs all of this for every variable at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "spssinfo/file_info_reader.h"

namespace s2v {

// A declared missing value, or a range of them ("1 THRU 3", "LO THRU 0"):
// Low equals High for a single value; LO and HI are infinities.
struct MissingRange {
  double Low = 0;
  double High = 0;
};

// The declared missing values of one variable, as the export writes them
// ("9", "8, 9", "1 thru 3, 99"). Items that are not numbers (the missing
// values of a text variable) are kept in the text only.
struct DeclaredMissing {
  std::string Text;
  std::vector<MissingRange> Ranges;
  bool Contains(double value) const {
    for (const MissingRange& range : Ranges)
      if (value >= range.Low && value <= range.High) return true;
    return false;
  }
};

DeclaredMissing ParseDeclaredMissing(std::string_view text);

struct DictionaryLabel {
  std::string Code;  // as written, a decimal comma read as a point
  bool Numeric = false;
  double Value = 0;  // the code's value when Numeric
  std::string Text;  // the whole label, as written
};

struct DictionaryEntry {
  std::string Name;         // as written in the export
  std::string Label;        // the variable label, as written
  std::string PrintFormat;  // "F8.2", "A14"; empty when the export gives none
  DeclaredMissing Missing;
  std::vector<DictionaryLabel> Labels;  // those kept (FileInfoDictionary::KeepLabel)
  std::size_t LeftOutLabels = 0;        // and how many more there were
  bool Described = false;               // the tables: a row of the information table was read
  // A print format of the A (or AHEX) family marks a text variable.
  bool IsText() const { return !PrintFormat.empty() && (PrintFormat[0] == 'A' || PrintFormat[0] == 'a'); }
  // SPSS can export the value labels in place of the codes. Then most fields
  // of a variable with labels are text although its format is a number's,
  // and a run would write each of them as missing.
  bool HoldsLabelsNotCodes(std::int64_t textFields, std::int64_t numberFields) const {
    return !Labels.empty() && !PrintFormat.empty() && !IsText() && textFields > numberFields;
  }
};

// What the assistant says of such a variable.
inline std::string LabelsNotCodesText(const std::string& name) {
  return name + " holds value labels, not codes: export the data with values";
}

// Whether a label of an entry (named in upper case) is kept.
using LabelFilter =
    std::function<bool(const std::string& upperName, const DictionaryEntry& entry, const DictionaryLabel& label)>;

class FileInfoDictionary {
 public:
  FileInfoLayout Layout = FileInfoLayout::Older;
  // None: the first kMaxValueLabels labels of each entry are kept.
  LabelFilter KeepLabel;
  void AddLabel(const std::string& upperName, DictionaryEntry& entry, DictionaryLabel label) {
    if (KeepLabel ? KeepLabel(upperName, entry, label) : entry.Labels.size() < kMaxValueLabels)
      entry.Labels.push_back(std::move(label));
    else
      ++entry.LeftOutLabels;
  }
  // The entry of a name (compared in upper case, in full), or nullptr.
  const DictionaryEntry* Find(std::string_view name) const;
  std::size_t size() const { return entries_.size(); }

  // Used while reading: the entry of an upper-case name, made when new.
  DictionaryEntry& Add(const std::string& upperName, std::string_view name);
  bool Has(const std::string& upperName) const { return index_.count(upperName) > 0; }

 private:
  std::deque<DictionaryEntry> entries_;  // stable references while entries are added
  std::unordered_map<std::string, std::size_t> index_;
};

// The name under which the File Info export knows a field of the data's first
// record: the field's first word, in upper case.
std::string FileInfoNameOf(std::string_view headerField);

// Reads the export (opened twice: once for its layout, once for the
// dictionary) and keeps the entries of the names asked for (upper case); the
// first entry of a name wins, as in the run's lookups. Other variables are
// passed over, so memory follows the names asked for, not the export.
FileInfoDictionary ReadFileInfoDictionary(const ExportOpener& open, const std::vector<std::string>& upperNames,
                                          LabelFilter keepLabel = {});

// The variables (of names, upper case) whose rows or blocks hold the lines
// given (from 1, in increasing order), each once: a line belongs to the last
// line up to it that names one of them; "line N" where none does.
std::vector<std::string> FileInfoVariablesAt(ByteSource& file, const std::vector<std::uint64_t>& lines,
                                             const std::vector<std::string>& names);

// The run's two passes over the tables of SPSS 16 and later, from their
// dictionary, giving what the version 13 layout gives for the same
// dictionary: a project text file line per variable with a row in the
// information table ("SEX = SEX OF RESPONDENT"), and the value labels of a
// variable as the category file takes them (words in upper case joined by
// "_"), or its "No category labels for " line.
void WriteVariableListTables(const FileInfoDictionary& dictionary, const std::vector<VariableDefinition>& variables,
                             BufferedWriter& projectText);
SpssFileInfo ValueLabelsOfTables(const FileInfoDictionary& dictionary, const VariableDefinition& variable,
                                 const ReportLine& report);
// The labels that the run's tables keep: those that SpssFileInfo keeps for
// any of the variables of that name.
LabelFilter LabelsKeptFor(const std::vector<VariableDefinition>& variables);

}  // namespace s2v
