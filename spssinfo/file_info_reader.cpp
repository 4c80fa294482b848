#include "spssinfo/file_info_reader.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "support/number_format.h"
#include "support/text_scan.h"

namespace s2v {
namespace {

// The export line by line. Most lines are only tested on their first one or
// two words, so a line is cut into prepared words only when it is taken.
class ExportLines {
 public:
  explicit ExportLines(ByteSource& file) : reader_(file) {}
  bool AtEnd() { return reader_.AtEnd(); }
  // Reads the next line as it stands in the file.
  std::string_view Next() {
    reader_.ReadLine(raw_);
    return raw_;
  }
  void Discard() { reader_.ReadLine(raw_); }
  // The last line read, upper-cased with "," as "." and cut into words.
  LineWords Words() const { return FileLineWords(raw_); }

 private:
  LineReader reader_;
  std::string raw_;
};

// Compares a word as read with a prepared word, preparing it on the way:
// a..z count as A..Z and "," as ".".
bool WordIs(std::string_view raw, std::string_view word) {
  if (raw.size() != word.size()) return false;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    char c = raw[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c == ',') c = '.';
    if (c != word[i]) return false;
  }
  return true;
}

bool IsRowOf(std::string_view line, const std::string& name) {
  return WordIs(WordAt(1, line), "|") && WordIs(WordAt(2, line), name);
}

bool IsTitle(std::string_view line, std::string_view first, std::string_view second) {
  return WordIs(WordAt(1, line), first) && WordIs(WordAt(2, line), second) && WordAt(3, line).empty();
}

bool BeginsWithRule(const std::string& word) { return word.compare(0, 2, "--") == 0; }

// Word first, then the words after it up to the last, each after a "_"; the
// last word is the row's closing "|".
std::string JoinedLabel(const LineWords& words, std::size_t first) {
  std::string text = words.Word(first);
  for (std::size_t k = first + 1; k < words.count(); ++k) {
    text += '_';
    text += words.Word(k);
  }
  return text;
}

std::int32_t HeldTo32Bits(double value) {
  constexpr double kLow = std::numeric_limits<std::int32_t>::min();
  constexpr double kHigh = std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(std::fmax(kLow, std::fmin(kHigh, value)));
}

}  // namespace

std::optional<std::int64_t> SingleValueOf(const VariableDefinition& v, int m) {
  if (v.ValueKind == WordKind::Decimal) return std::nullopt;
  const std::int64_t low = v.WholeBounds[m - 1];
  const std::int64_t high = v.WholeBounds[m];
  if (m == 1 ? low < high : high - low != 1) return std::nullopt;
  return high;
}

bool KeepsLabel(const VariableDefinition& variable, std::size_t kept, std::int64_t code,
                const std::function<bool(std::int64_t)>& hasCode) {
  if (kept < kMaxValueLabels) return true;
  bool shown = false;
  for (int m = 1; m <= variable.CategoryCount && !shown; ++m) shown = SingleValueOf(variable, m) == code;
  return shown && !hasCode(code);
}

void SpssFileInfo::AddLabel(const VariableDefinition& variable, ValueLabel label) {
  auto hasCode = [&](std::int64_t code) {
    for (const ValueLabel& kept : Labels)
      if (kept.Code == code) return true;
    return false;
  };
  if (KeepsLabel(variable, Labels.size(), label.Code, hasCode)) Labels.push_back(std::move(label));
}

std::string LeftOutLabelsLine(const std::string& name, std::size_t leftOut) {
  if (leftOut == 0) return {};
  return name + ": " + std::to_string(leftOut) + " value labels past the first " + std::to_string(kMaxValueLabels) +
         " were left out";
}

std::int32_t ValueCode(std::string_view word) {
  if (IsNumber(ClassifyWord(word))) {
    std::string_view digits = word.substr(!word.empty() && word[0] == '+' ? 1 : 0);
    double value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return HeldTo32Bits(std::nearbyint(value));
  }
  std::size_t pos = !word.empty() && (word[0] == '+' || word[0] == '-') ? 1 : 0;
  bool pointSeen = false;
  double value = 0;
  for (; pos < word.size(); ++pos) {
    if (word[pos] == '.' && !pointSeen) {
      pointSeen = true;
    } else if (IsDigitChar(word[pos])) {
      value = value * 10 + (word[pos] - '0');
    } else {
      break;
    }
  }
  return HeldTo32Bits(value);
}

FileInfoLayout DetectFileInfoLayout(ByteSource& file) {
  ExportLines lines(file);
  while (!lines.AtEnd()) {
    const std::string_view line = lines.Next();
    if (!IsTitle(line, "VARIABLE", "INFORMATION")) continue;
    // SPSS 16 and later begin the table with a rule that stands against the
    // bars ("|----|--|"), or write it with tabs between the cells.
    while (!lines.AtEnd()) {
      const std::string_view next = lines.Next();
      const std::size_t first = next.find_first_not_of(' ');
      if (first == std::string_view::npos) continue;
      const bool againstBars = next[first] == '|' && first + 1 < next.size() && next[first + 1] == '-';
      return againstBars || next.find('\t') != std::string_view::npos ? FileInfoLayout::Tables
                                                                      : FileInfoLayout::Version13;
    }
    return FileInfoLayout::Version13;
  }
  return FileInfoLayout::Older;
}

SpssFileInfo LookUpVariableOlder(ByteSource& file, const VariableDefinition& variable, const ReportLine& report,
                                 BufferedWriter& projectText) {
  const std::string letter(1, variable.Letter);
  const std::string& name = variable.Name;
  auto notFound = [&] {
    report(letter + " - " + name + " was not found");
    return SpssFileInfo{};
  };

  report(letter + "-" + name + " start");
  ExportLines lines(file);
  do {
    if (lines.AtEnd()) return notFound();
  } while (!WordIs(WordAt(1, lines.Next()), name));

  report(letter + " found");
  LineWords block = lines.Words();
  std::string text = letter + ": " + RightAlign(block.Word(1), 10) + "   ";
  for (std::size_t k = 2; k <= block.count(); ++k) text += ' ' + block.Word(k);
  projectText.PutLine(text);

  do {
    if (lines.AtEnd()) return notFound();
  } while (!WordIs(WordAt(1, lines.Next()), "PRINT"));
  lines.Discard();  // the write format

  if (lines.AtEnd()) return notFound();
  if (WordIs(WordAt(1, lines.Next()), "MISSING")) lines.Discard();

  SpssFileInfo info;
  info.Found = true;
  if (lines.AtEnd()) return notFound();
  if (!WordIs(WordAt(1, lines.Next()), "VALUE")) return info;

  report(name + " - category codes and labels have been found.");
  lines.Discard();  // the column heading
  for (;;) {
    if (lines.AtEnd()) return notFound();
    lines.Next();
    LineWords label = lines.Words();
    if (label.count() < 2 || !IsNumber(label.Kind(1))) return info;
    info.AddLabel(variable, {ValueCode(label.Word(1)), label.Word(2)});
  }
}

void WriteVariableListV13(const ExportOpener& open, const std::vector<VariableDefinition>& variables,
                          BufferedWriter& projectText) {
  for (const VariableDefinition& variable : variables) {
    std::unique_ptr<ByteSource> file = open();
    ExportLines lines(*file);
    while (!lines.AtEnd()) {
      if (!IsRowOf(lines.Next(), variable.Name)) continue;
      // The row's columns are variable, position and label; the label ends at
      // the next "|". A row without one still ends its line here. An empty
      // label cell with more cells after it (the import's rows, SPSS's wider
      // tables) is no label, not its border and the next cell.
      LineWords row = lines.Words();
      std::string text = RightAlign(variable.Name, 12) + " = ";
      const bool emptyBeforeMore = row.Word(6) == "|" && row.count() > 6;
      if (!emptyBeforeMore) text += row.Word(6);
      for (std::size_t k = 7; !emptyBeforeMore && k <= row.count() && row.Word(k) != "|"; ++k)
        text += ' ' + row.Word(k);
      projectText.PutLine(text);
      break;
    }
  }
}

SpssFileInfo LookUpValueLabelsV13(ByteSource& file, const VariableDefinition& variable, const ReportLine& report) {
  ExportLines lines(file);
  bool inValuesTable = false;
  for (;;) {
    if (lines.AtEnd()) {
      report("No category labels for " + variable.Name);
      return {};
    }
    std::string_view line = lines.Next();
    if (!inValuesTable)
      inValuesTable = IsTitle(line, "VARIABLE", "VALUES");
    else if (IsRowOf(line, variable.Name))
      break;
  }

  SpssFileInfo info;
  info.Found = true;
  LineWords row = lines.Words();
  info.AddLabel(variable, {ValueCode(row.Word(4)), JoinedLabel(row, 6)});
  // The variable's further rows leave its column empty. They end at a rule
  // row, at a line without words, or where the export ends.
  while (!lines.AtEnd()) {
    lines.Next();
    row = lines.Words();
    if (row.count() == 0 || BeginsWithRule(row.Word(2))) break;
    if (BeginsWithRule(row.Word(3))) continue;
    info.AddLabel(variable, {ValueCode(row.Word(3)), JoinedLabel(row, 5)});
  }
  return info;
}

}  // namespace s2v
