#include "assist/export_description.h"

#include <algorithm>
#include <cmath>

#include "assist/variable_statistics.h"
#include "model/project_definition.h"
#include "support/export_fields.h"
#include "support/text_decoding.h"
#include "support/text_scan.h"

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
    v.LeftOutLabels = entry->LeftOutLabels;
  }
  v.Valid = statistics.Valid();
  v.Missing = statistics.Missing();
  v.Text = statistics.Text();
  v.LabelsNotCodes = entry && entry->HoldsLabelsNotCodes(v.Text, v.Valid);
  if (v.Valid > 0) {
    v.Minimum = statistics.Minimum();
    v.Maximum = statistics.Maximum();
  }
  v.Whole = statistics.Whole();
  v.Decimals = statistics.Decimals();
  v.Distinct = statistics.Distinct();
  v.AllDistinct = statistics.AllDistinct();
  v.Sample = statistics.SortedSample();
  return v;
}

namespace {

// The sample of each variable is the same on every run: its generator starts
// from this seed and the variable's column.
constexpr std::uint64_t kSampleSeed = 0x5EED5A3B1E000000u;

// The statistics of every column, gathered as the export's fields come.
class Describer {
 public:
  Describer(const ExportOpener* fileInfo, ExportDescription& description)
      : fileInfo_(fileInfo), description_(description) {}

  // Only the variables that a run can know are described, so that memory
  // stays bounded whatever the width of the export.
  bool Header(const FieldNames& names) {
    for (std::size_t i = 0; i < std::min(names.size(), kMaxDatasetVariables); ++i) names_.emplace_back(names[i]);
    description_.LeftOutVariables = names.size() - names_.size();
    if (fileInfo_) {
      std::vector<std::string> wanted;
      wanted.reserve(names_.size());
      for (const std::string& name : names_) wanted.push_back(FileInfoNameOf(name));
      dictionary_ = ReadFileInfoDictionary(*fileInfo_, wanted);
      description_.Layout = dictionary_.Layout;
    }
    const std::size_t sampleSize =
        std::clamp(kSampleBudget / std::max<std::size_t>(names_.size(), 1), kMinSample, kMaxSample);
    statistics_.reserve(names_.size());
    for (std::size_t i = 0; i < names_.size(); ++i) {
      const DictionaryEntry* entry = dictionary_.Find(FileInfoNameOf(names_[i]));
      statistics_.emplace_back(sampleSize, kSampleSeed + i, entry ? &entry->Missing : nullptr);
    }
    return true;
  }
  template <typename Read>
  void Number(std::size_t column, const Read& read) {
    if (column >= statistics_.size()) return;
    const FieldNumber number = read();
    statistics_[column].AddNumber(number.Value, number.Decimals, number.Whole);
  }
  void Missing(std::size_t column, FieldKind kind) {
    if (column >= statistics_.size()) return;
    if (kind == FieldKind::Other)
      statistics_[column].AddText();
    else
      statistics_[column].AddEmpty();
  }
  bool EndCase(std::int64_t) { return true; }

  void Finish(const ExportFieldsResult& result) {
    description_.Cases = result.CaseCount;
    description_.FittedCases = result.FittedCount;
    for (std::size_t i = 0; i < statistics_.size(); ++i)
      description_.Variables.push_back(
          DescribeVariable(i + 1, names_[i], statistics_[i], dictionary_.Find(FileInfoNameOf(names_[i]))));
  }

 private:
  const ExportOpener* fileInfo_;
  ExportDescription& description_;
  std::vector<std::string> names_;
  FileInfoDictionary dictionary_;
  std::vector<VariableStatistics> statistics_;
};

}  // namespace

ExportDescription DescribeExport(const std::string& spssName, ByteSource& data, const ExportOpener* fileInfo) {
  ExportDescription description;
  description.SpssName = spssName;
  description.HasFileInfo = fileInfo != nullptr;
  Describer describer(fileInfo, description);
  describer.Finish(ReadExportFields(data, describer));
  return description;
}

ExportDescription DescribeExport(const WorkingFolder& folder, const std::string& spssName) {
  TextFileSource data(folder, spssName + ".DAT");
  const std::string fileInfoName = spssName + ".TXT";
  if (!folder.Exists(fileInfoName)) return DescribeExport(spssName, data, nullptr);
  ExportOpener open = [&] { return std::make_unique<TextFileSource>(folder, fileInfoName); };
  return DescribeExport(spssName, data, &open);
}

std::pair<WorkingFolder, std::string> ExportOfPath(const std::string& path, const std::string& startFolder) {
  auto [folder, name] = WorkingFolder::OfFile(path, startFolder);
  if (name.size() > 4 && EqualIgnoringCase(name.substr(name.size() - 4), ".DAT")) name.resize(name.size() - 4);
  return {folder, name};
}

}  // namespace s2v
