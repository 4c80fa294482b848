#include "import/file_info_writer.h"

#include <algorithm>
#include <cfloat>
#include <string>
#include <vector>

#include "import/tab_data_writer.h"
#include "support/number_format.h"

namespace s2v {
namespace {

// A cell's text: a control character becomes a blank and "|", which would
// end the cell for the reader, becomes "/"; blanks around it are dropped.
std::string CellText(std::string_view text) {
  std::string cell;
  cell.reserve(text.size());
  for (char c : text) cell += static_cast<unsigned char>(c) < 32 ? ' ' : c == '|' ? '/' : c;
  std::size_t first = cell.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return cell.substr(first, cell.find_last_not_of(' ') - first + 1);
}

std::string CodeText(const SavCode& code) { return code.IsString ? CellText(code.Text) : PlainNumber(code.Number); }

// A string code must read back as one word.
bool IsOneWord(const std::string& text) { return !text.empty() && text.find(' ') == std::string::npos; }

std::string MissingText(const std::vector<SavMissingRange>& missing) {
  std::string text;
  for (const SavMissingRange& range : missing) {
    if (!text.empty()) text += ", ";
    if (range.Low.IsString) {
      text += CellText(range.Low.Text);
      continue;
    }
    auto bound = [](double value) {
      if (value <= -DBL_MAX) return std::string("LO");
      if (value >= DBL_MAX) return std::string("HI");
      return PlainNumber(value);
    };
    text += bound(range.Low.Number);
    if (range.High.Number != range.Low.Number) text += " thru " + bound(range.High.Number);
  }
  return text;
}

const char* MeasureText(SavMeasure measure) {
  switch (measure) {
    case SavMeasure::Nominal: return "Nominal";
    case SavMeasure::Ordinal: return "Ordinal";
    case SavMeasure::Scale: return "Scale";
    case SavMeasure::Unknown: break;
  }
  return "";
}

// Rows of cells, written once the column widths are known.
using Row = std::vector<std::string>;

class Table {
 public:
  explicit Table(Row heading) : heading_(std::move(heading)) {
    for (const std::string& cell : heading_) widths_.push_back(cell.size());
  }

  void Add(Row row) {
    for (std::size_t i = 0; i < row.size(); ++i) widths_[i] = std::max(widths_[i], row[i].size());
    rows_.push_back(std::move(row));
  }
  void AddRule() { rows_.emplace_back(); }

  // The heading's first cell touches the bar, so that the heading is never
  // taken for the row of a variable named like a column.
  void Write(BufferedWriter& out) const {
    std::string line = "|";
    for (std::size_t i = 0; i < heading_.size(); ++i) line += Pad(heading_[i], widths_[i] + 1) + " |";
    out.PutLine(line);
    WriteRule(out);
    for (const Row& row : rows_) {
      if (row.empty()) {
        WriteRule(out);
        continue;
      }
      line = "|";
      for (std::size_t i = 0; i < row.size(); ++i) line += " " + Pad(row[i], widths_[i]) + " |";
      out.PutLine(line);
    }
  }

 private:
  static std::string Pad(const std::string& text, std::size_t width) {
    return text.size() < width ? text + std::string(width - text.size(), ' ') : text;
  }
  void WriteRule(BufferedWriter& out) const {
    std::string line = "|";
    for (std::size_t width : widths_) line += " " + std::string(width, '-') + " |";
    out.PutLine(line);
  }

  Row heading_;
  std::vector<std::size_t> widths_;
  std::vector<Row> rows_;
};

}  // namespace

FileInfoSummary WriteFileInfo(const SavDictionary& dictionary, BufferedWriter& out) {
  out.PutLine("File Information");
  out.PutLine("");
  out.PutLine("Variable Information");
  Table information(
      {"Variable", "Position", "Label", "Measurement Level", "Print Format", "Write Format", "Missing Values"});
  for (std::size_t i = 0; i < dictionary.Variables.size(); ++i) {
    const SavVariable& v = dictionary.Variables[i];
    const std::string format = CellText(v.Format);
    information.Add({CellText(v.Name), FormatInteger(static_cast<std::int64_t>(i + 1)), CellText(v.Label),
                     MeasureText(v.Measure), format, format, MissingText(v.Missing)});
  }
  information.AddRule();
  information.Write(out);
  out.PutLine("");

  FileInfoSummary summary;
  out.PutLine("Variable Values");
  Table values({"Variable", "Value", "Label"});
  for (const SavVariable& v : dictionary.Variables) {
    bool first = true;
    for (const SavValueLabel& label : v.ValueLabels) {
      std::string code = CodeText(label.Code);
      if (label.Code.IsString && !IsOneWord(code)) {
        ++summary.LabelsLeftOut;
        continue;
      }
      values.Add({first ? CellText(v.Name) : std::string(), code, CellText(label.Label)});
      first = false;
      ++summary.ValueLabels;
    }
    if (!first) {
      values.AddRule();
      ++summary.LabelledVariables;
    }
  }
  values.Write(out);
  return summary;
}

}  // namespace s2v
