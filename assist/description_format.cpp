#include "assist/description_format.h"

#include <algorithm>

#include "assist/variable_statistics.h"
#include "support/number_format.h"

namespace s2v {
namespace {

using Row = std::vector<std::string>;

const Row kHeadings = {"POS", "NAME",     "TYPE", "VALID",  "MISSING", "MINIMUM",          "MAXIMUM", "WHOLE",
                       "DEC", "DISTINCT", "Q25",  "MEDIAN", "Q75",     "DECLARED MISSING", "LABEL",   "VALUE LABELS"};
const Row kTsvHeadings = {"position",         "name",  "dataset_name", "type",     "valid", "missing", "minimum",
                          "maximum",          "whole", "decimals",     "distinct", "q25",   "median",  "q75",
                          "declared_missing", "label", "value_labels"};
// The columns that hold numbers, aligned to the right.
constexpr bool kRightAligned[] = {true, false, false, true, true, true,  true,  false,
                                  true, true,  true,  true, true, false, false, false};

std::string Count(std::int64_t n) { return FormatInteger(n); }

// A text in one cell: a tab, CR or LF would break the row.
std::string Cell(std::string text) {
  std::replace_if(
      text.begin(), text.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
  return text;
}

std::string DistinctText(const VariableDescription& v) {
  if (v.Valid == 0) return "0";
  if (v.AllDistinct) return "all";
  if (v.Distinct > kMaxDistinctCounted) return "more than " + std::to_string(kMaxDistinctCounted);
  return std::to_string(v.Distinct);
}

std::string ValueLabelsText(const VariableDescription& v) {
  std::string text;
  for (const DictionaryLabel& label : v.ValueLabels) {
    if (!text.empty()) text += "; ";
    text += label.Code + "=" + label.Text;
  }
  return Cell(text);
}

// The cells of a variable; none is the text of a statistic that has no value.
Row Cells(const VariableDescription& v, const std::string& none) {
  const bool any = v.Valid > 0;
  auto number = [&](double value) { return any ? FormatShortest(value) : none; };
  return {Count(static_cast<std::int64_t>(v.Position)),
          Cell(v.Name),
          v.IsText() ? "text" : "number",
          Count(v.Valid),
          Count(v.Missing),
          number(v.Minimum),
          number(v.Maximum),
          any ? (v.Whole ? "yes" : "no") : none,
          any ? std::to_string(v.Decimals) : none,
          DistinctText(v),
          number(v.Quantile(0.25)),
          number(v.Quantile(0.5)),
          number(v.Quantile(0.75)),
          Cell(v.Declared.Text),
          Cell(v.Label),
          ValueLabelsText(v)};
}

std::string Summary(const ExportDescription& d) {
  std::string text = d.SpssName + ".DAT: " + Count(d.Cases) + " cases, " +
                     Count(static_cast<std::int64_t>(d.Variables.size())) + " variables; ";
  if (!d.HasFileInfo) return text + "no File Info export " + d.SpssName + ".TXT";
  return text + "File Info " + d.SpssName + ".TXT (" +
         (d.Layout == FileInfoLayout::Version13 ? "version 13 layout"
          : d.Layout == FileInfoLayout::Tables  ? "tables of SPSS 16 and later"
                                                : "older layout") +
         ")";
}

}  // namespace

std::vector<std::string> DescriptionTable(const ExportDescription& description) {
  std::vector<Row> rows = {kHeadings};
  for (const VariableDescription& v : description.Variables) rows.push_back(Cells(v, "-"));
  std::vector<std::size_t> widths(kHeadings.size(), 0);
  for (const Row& row : rows)
    for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], row[i].size());

  std::vector<std::string> lines = {Summary(description)};
  if (description.FittedCases > 0)
    lines.push_back(Count(description.FittedCases) + " cases did not have " +
                    Count(static_cast<std::int64_t>(description.Variables.size())) + " values and were fitted");
  lines.emplace_back();
  for (const Row& row : rows) {
    std::string line;
    for (std::size_t i = 0; i < row.size(); ++i) {
      if (i > 0) line += "  ";
      std::string pad(widths[i] - row[i].size(), ' ');
      line += kRightAligned[i] ? pad + row[i] : row[i] + pad;
    }
    line.erase(line.find_last_not_of(' ') + 1);
    lines.push_back(std::move(line));
  }
  return lines;
}

std::vector<std::string> DescriptionTsv(const ExportDescription& description) {
  auto joined = [](const Row& row) {
    std::string line;
    for (std::size_t i = 0; i < row.size(); ++i) line += (i > 0 ? "\t" : "") + row[i];
    return line;
  };
  std::vector<std::string> lines = {joined(kTsvHeadings)};
  for (const VariableDescription& v : description.Variables) {
    Row row = Cells(v, "");
    row.insert(row.begin() + 2, Cell(v.DatasetName));
    lines.push_back(joined(row));
  }
  return lines;
}

std::vector<std::string> DescriptionWarnings(const ExportDescription& description) {
  std::vector<std::string> lines;
  if (description.LeftOutVariables > 0)
    lines.push_back(FormatInteger(static_cast<std::int64_t>(description.LeftOutVariables)) + " variables past the " +
                    FormatInteger(static_cast<std::int64_t>(kMaxDatasetVariables)) +
                    "th are not described: a run knows no more");
  for (const VariableDescription& v : description.Variables) {
    if (v.LabelsNotCodes) lines.push_back(LabelsNotCodesText(v.DatasetName));
    if (v.LeftOutLabels > 0) lines.push_back(LeftOutLabelsLine(v.DatasetName, v.LeftOutLabels));
  }
  return lines;
}

}  // namespace s2v
