#include "assist/export_description.h"

#include <cmath>

#include "assist/variable_statistics.h"
#include "model/project_definition.h"

namespace s2v {

bool VariableDescription::IsText() const {
  if (InFileInfo && !PrintFormat.empty()) return PrintFormat[0] == 'A' || PrintFormat[0] == 'a';
  return Text > Valid;
}

double VariableDescription::Quantile(double p) const {
  if (Sample.empty()) return 0;
  const auto n = static_cast<double>(Sample.size());
  auto rank = static_cast<std::size_t>(std::ceil(p * n));
  return Sample[rank == 0 ? 0 : std::min(rank, Sample.size()) - 1];
}

VariableDescription DescribeVariable(std::size_t position, const std::string& name,
                                     const VariableStatistics& statistics, const DictionaryEntry* entry) {
  VariableDescription v;
  v.Position = position;
  v.Name = name;
  v.DatasetName = DatasetNameOf(name);
  if (entry) {
    v.InFileInfo = true;
    v.Label = entry->Label;
    v.PrintFormat = entry->PrintFormat;
    v.Declared = entry->Missing;
    v.ValueLabels = entry->Labels;
  }
  v.Valid = statistics.Valid();
  v.Missing = statistics.Missing();
  v.Text = statistics.Text();
  if (v.Valid > 0) {
    v.Minimum = statistics.Minimum();
    v.Maximum = statistics.Maximum();
  }
  v.Whole = statistics.Whole();
  v.Decimals = statistics.Decimals();
  v.Distinct = statistics.Distinct();
  v.AllDistinct = statistics.AllDistinct();
  v.Codes = statistics.DistinctValues();
  v.Sample = statistics.SortedSample();
  return v;
}

}  // namespace s2v
