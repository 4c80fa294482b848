// The description of an SPSS export: per variable of the data file its name,
// what the File Info export says of it, and the statistics of its values,
// found in one streaming pass that reads the data as the run's data copy does.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "spssinfo/file_info_dictionary.h"
#include "support/byte_stream.h"
#include "support/working_folder.h"

namespace s2v {

struct VariableDescription {
  std::size_t Position = 0;  // the column in the data file, from 1
  std::string Name;          // the header field as the label file holds it
  std::string DatasetName;   // as a run looks it up: upper case, first word, at most 20 characters

  bool InFileInfo = false;
  std::string Label;
  std::string PrintFormat;
  DeclaredMissing Declared;
  std::vector<DictionaryLabel> ValueLabels;
  std::size_t LeftOutLabels = 0;  // past the first kMaxValueLabels

  std::int64_t Valid = 0;
  std::int64_t Missing = 0;     // empty, not a number, declared missing, or -999
  std::int64_t Text = 0;        // of them, fields that are not numbers
  bool LabelsNotCodes = false;  // the data hold its value labels in place of its codes
  double Minimum = 0;           // of the valid values; 0 when there are none
  double Maximum = 0;
  bool Whole = true;  // every valid value is a whole number
  int Decimals = 0;   // the most decimals written
  int Distinct = 0;   // exact up to kMaxDistinctCounted, above it "more"
  bool AllDistinct = false;
  std::vector<double> Sample;  // in increasing order

  // Text: the File Info gives a text format, or the data hold more text than
  // numbers.
  bool IsText() const;
  // The value at or below which a share p of the sample lies (the sample's
  // own value, nearest rank); 0 without valid values.
  double Quantile(double p) const;
};

struct ExportDescription {
  std::string SpssName;  // the base name of the export pair
  std::int64_t Cases = 0;
  std::int64_t FittedCases = 0;  // cases with fewer or more fields than the header
  bool HasFileInfo = false;
  FileInfoLayout Layout = FileInfoLayout::Older;
  std::vector<VariableDescription> Variables;  // at most kMaxDatasetVariables
  std::size_t LeftOutVariables = 0;            // the columns past them, not described
};

// The sample of each variable holds at most this many values in all,
// shared among the variables, and never fewer than kMinSample per variable.
constexpr std::size_t kSampleBudget = 1 << 20;
constexpr std::size_t kMaxSample = 1024;
constexpr std::size_t kMinSample = 64;

class VariableStatistics;

// The description of the variable in column position (from 1) with the
// header field name, from its statistics and its File Info entry (may be
// null).
VariableDescription DescribeVariable(std::size_t position, const std::string& name,
                                     const VariableStatistics& statistics, const DictionaryEntry* entry);

// Describes the export. fileInfo opens the File Info export; without it the
// description has no labels or declared missing values.
ExportDescription DescribeExport(const std::string& spssName, ByteSource& data, const ExportOpener* fileInfo);

// Describes the export pair spssName.DAT and, when it is there, spssName.TXT
// of the folder.
ExportDescription DescribeExport(const WorkingFolder& folder, const std::string& spssName);

// The folder and the base name of an export given as its data file
// ("data/survey.DAT", in any letter case) or as its base name ("survey");
// a relative path is taken from startFolder.
std::pair<WorkingFolder, std::string> ExportOfPath(const std::string& path, const std::string& startFolder);

}  // namespace s2v
