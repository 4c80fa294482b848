#include "spssinfo/file_info_dictionary.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>
#include <optional>
#include <unordered_set>

#include "support/number_format.h"
#include "support/text_scan.h"

namespace s2v {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// A word or a name as the export's words are compared: upper case, a decimal
// comma read as a point.
std::string Prepared(std::string_view text) {
  std::string word(text);
  UpperCaseInPlace(word);
  for (char& c : word)
    if (c == ',') c = '.';
  return word;
}

std::string_view Trimmed(std::string_view text) {
  std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The value of a number word (a decimal comma read as a point), or nothing.
std::optional<double> NumberOf(std::string_view word) {
  std::string prepared = Prepared(word);
  if (!IsNumber(ClassifyWord(prepared))) return std::nullopt;
  std::string_view digits = prepared;
  if (digits.front() == '+') digits.remove_prefix(1);
  double value = 0;
  std::from_chars(digits.data(), digits.data() + digits.size(), value);
  return value;
}

// A bound of a missing range: a number, or LO, LOWEST, HI, HIGHEST.
std::optional<double> BoundOf(std::string_view word) {
  std::string upper = Prepared(word);
  if (upper == "LO" || upper == "LOWEST") return -kInfinity;
  if (upper == "HI" || upper == "HIGHEST") return kInfinity;
  return NumberOf(word);
}

// The text after the first word of a raw line, without the blanks around it.
std::string_view AfterFirstWord(std::string_view line) {
  std::string_view first = WordAt(1, line);
  if (first.empty()) return {};
  return Trimmed(line.substr(static_cast<std::size_t>(first.data() - line.data()) + first.size()));
}

DictionaryLabel LabelOf(std::string_view code, std::string_view text) {
  DictionaryLabel label;
  label.Code = Prepared(code);
  label.Text = std::string(Trimmed(text));
  if (std::optional<double> value = NumberOf(code)) {
    label.Numeric = true;
    label.Value = *value;
  }
  return label;
}

bool IsTitle(const LineWords& words, std::string_view first, std::string_view second) {
  return words.count() == 2 && words.Word(1) == first && words.Word(2) == second;
}

// A label's words in upper case (a to z), joined by joiner. A label is text,
// not a number: its commas stay as they are.
std::string UpperCaseWords(std::string_view label, char joiner) {
  std::string text;
  bool blank = false;
  for (char c : label) {
    if (c == ' ') {
      blank = !text.empty();
      continue;
    }
    if (blank) text += joiner;
    blank = false;
    text += c;
  }
  UpperCaseInPlace(text);
  return text;
}

class Wanted {
 public:
  explicit Wanted(const std::vector<std::string>& names) : names_(names.begin(), names.end()) {}
  bool Contains(const std::string& upperName) const { return names_.count(upperName) > 0; }

 private:
  std::unordered_set<std::string> names_;
};

// The older layout: a block per variable, read as the run's lookup reads it
// (the line of the name, the print format line, the write format line, an
// optional missing values line, then the value list), in one pass.
class OlderReader {
 public:
  OlderReader(ByteSource& file, const Wanted& wanted, FileInfoDictionary& dictionary)
      : lines_(file), wanted_(wanted), dictionary_(dictionary) {}

  void Read() {
    while (Next()) {
      if (!StartsNewBlock()) continue;
      const std::string name = words_.Word(1);
      DictionaryEntry& entry = dictionary_.Add(name, WordAt(1, raw_));
      entry.Label = BlockLabel();
      ReadBlock(name, entry);
    }
  }

 private:
  bool Next() {
    if (pending_) {
      pending_ = false;
      return true;
    }
    if (lines_.AtEnd()) return false;
    lines_.ReadLine(raw_);
    words_ = FileLineWords(raw_);
    return true;
  }
  // Keeps the current line for the next Next().
  void Again() { pending_ = true; }

  bool StartsNewBlock() const {
    return words_.count() > 0 && wanted_.Contains(words_.Word(1)) && !dictionary_.Has(words_.Word(1));
  }

  // The block's first line without its name and its position at the end.
  std::string BlockLabel() const {
    std::string_view rest = AfterFirstWord(raw_);
    std::size_t lastBlank = rest.rfind(' ');
    if (lastBlank != std::string_view::npos && ClassifyWord(rest.substr(lastBlank + 1)) == WordKind::Integer)
      rest = Trimmed(rest.substr(0, lastBlank));
    return std::string(rest);
  }

  void ReadBlock(const std::string& name, DictionaryEntry& entry) {
    for (;;) {
      if (!Next()) return;
      if (words_.Word(1) == "PRINT") break;
      if (StartsNewBlock()) return Again();
    }
    entry.PrintFormat = std::string(WordAt(3, raw_));
    if (!Next()) return;  // the write format
    if (!Next()) return;
    if (StartsNewBlock()) return Again();
    if (words_.Word(1) == "MISSING") {
      std::size_t colon = raw_.find(':');
      entry.Missing = ParseDeclaredMissing(colon == std::string::npos ? AfterFirstWord(AfterFirstWord(raw_))
                                                                      : std::string_view(raw_).substr(colon + 1));
      if (!Next()) return;  // the line after it
    }
    if (!Next()) return;
    if (words_.Word(1) != "VALUE") return Again();
    if (!Next()) return;  // the column heading
    while (Next()) {
      if (words_.count() < 2 || !IsNumber(words_.Kind(1))) return Again();
      dictionary_.AddLabel(name, entry, LabelOf(WordAt(1, raw_), AfterFirstWord(raw_)));
    }
  }

  LineReader lines_;
  const Wanted& wanted_;
  FileInfoDictionary& dictionary_;
  std::string raw_;
  LineWords words_;
  bool pending_ = false;
};

// The cells of a table row "| a | b c | |": the texts between the bars,
// without the blanks around them.
std::vector<std::string_view> CellsOf(std::string_view line) {
  std::vector<std::string_view> cells;
  std::size_t bar = line.find('|');
  while (bar != std::string_view::npos) {
    std::size_t next = line.find('|', bar + 1);
    if (next == std::string_view::npos) break;
    cells.push_back(Trimmed(line.substr(bar + 1, next - bar - 1)));
    bar = next;
  }
  return cells;
}

// The cells of a row written with tabs between them, without the blanks
// around them.
std::vector<std::string_view> TabCellsOf(std::string_view line) {
  std::vector<std::string_view> cells;
  for (;;) {
    std::size_t tab = line.find('\t');
    cells.push_back(Trimmed(line.substr(0, tab)));
    if (tab == std::string_view::npos) return cells;
    line.remove_prefix(tab + 1);
  }
}

bool IsRule(std::string_view cell) { return cell.substr(0, 2) == "--"; }

// SPSS writes "<none>" for a variable without a label.
std::string_view WithoutNone(std::string_view label) { return label == "<none>" ? std::string_view() : label; }

std::string TabsAsBlanks(std::string line) {
  std::replace(line.begin(), line.end(), '\t', ' ');
  return line;
}

// A rule row of SPSS 16 and later: dashes only, as wide as each cell, so a
// column one character wide has a rule of one "-".
bool IsRuleRow(const std::vector<std::string_view>& cells) {
  bool dashes = false;
  for (std::string_view cell : cells) {
    if (cell.find_first_not_of('-') != std::string_view::npos) return false;
    dashes |= !cell.empty();
  }
  return dashes;
}

// The layout of version 13 and later: the information table (one row per
// variable, its columns named by the heading row) and the values table (a
// variable's first row names it, its further rows leave that cell empty, a
// rule row ends them). The tables of SPSS 16 and later (Tables) are read by
// the same rules, with their own rule rows, "<none>" for no label, and the
// columns known only by their headings.
class Version13Reader {
 public:
  Version13Reader(ByteSource& file, const Wanted& wanted, FileInfoDictionary& dictionary)
      : lines_(file), wanted_(wanted), dictionary_(dictionary), tables_(dictionary.Layout == FileInfoLayout::Tables) {}

  void Read() {
    std::string raw;
    while (!lines_.AtEnd()) {
      lines_.ReadLine(raw);
      LineWords words = FileLineWords(tables_ ? TabsAsBlanks(raw) : raw);
      if (IsTitle(words, "VARIABLE", "INFORMATION")) {
        Enter(Table::Information);
      } else if (IsTitle(words, "VARIABLE", "VALUES")) {
        Enter(Table::Values);
      } else if (std::size_t first = raw.find_first_not_of(' '); first != std::string::npos && raw[first] == '|') {
        Row(CellsOf(raw));
      } else if (tables_ && raw.find('\t') != std::string::npos) {
        Row(TabCellsOf(raw));
      } else if (tables_ && words.count() > 0) {
        table_ = Table::None;  // the table's caption or a footnote: the table is over
      }
    }
  }

 private:
  enum class Table { None, Information, Values };

  void Enter(Table table) {
    table_ = table;
    heading_ = true;
    current_ = nullptr;
  }

  void Row(const std::vector<std::string_view>& cells) {
    if (table_ == Table::None || cells.empty()) return;
    if (tables_ && IsRuleRow(cells)) {
      // A rule under a variable's first cell ends its rows; one that leaves
      // the first cell empty stands between two rows of the same variable.
      if (!cells[0].empty()) current_ = nullptr;
      return;
    }
    if (heading_) {
      heading_ = false;
      if (table_ == Table::Information) FindColumns(cells);
      return;
    }
    if (IsRule(cells[0])) {
      current_ = nullptr;
      return;
    }
    if (table_ == Table::Information) return InformationRow(cells);
    if (!cells[0].empty()) {
      current_ = nullptr;
      std::string name = Prepared(WordAt(1, cells[0]));
      if (wanted_.Contains(name) && labelled_.insert(name).second) {
        current_ = &dictionary_.Add(name, cells[0]);
        currentName_ = name;
      }
    }
    if (current_ != nullptr && cells.size() >= 3)
      dictionary_.AddLabel(currentName_, *current_, LabelOf(cells[1], cells[2]));
  }

  void FindColumns(const std::vector<std::string_view>& cells) {
    if (tables_) label_ = print_ = missing_ = kNoColumn;
    for (std::size_t i = 0; i < cells.size(); ++i) {
      std::string heading = Prepared(cells[i]);
      if (heading == "LABEL") label_ = i;
      if (heading == "PRINT FORMAT") print_ = i;
      if (heading == "MISSING VALUES") missing_ = i;
    }
  }

  void InformationRow(const std::vector<std::string_view>& cells) {
    std::string name = Prepared(WordAt(1, cells[0]));
    if (!wanted_.Contains(name) || !described_.insert(name).second) return;
    DictionaryEntry& entry = dictionary_.Add(name, cells[0]);
    entry.Described = true;
    auto cell = [&](std::size_t i) { return i < cells.size() ? cells[i] : std::string_view(); };
    entry.Label = std::string(tables_ ? WithoutNone(cell(label_)) : cell(label_));
    entry.PrintFormat = std::string(cell(print_));
    entry.Missing = ParseDeclaredMissing(cell(missing_));
  }

  LineReader lines_;
  const Wanted& wanted_;
  FileInfoDictionary& dictionary_;
  Table table_ = Table::None;
  bool heading_ = false;
  DictionaryEntry* current_ = nullptr;
  std::string currentName_;
  std::unordered_set<std::string> described_;
  std::unordered_set<std::string> labelled_;
  static constexpr std::size_t kNoColumn = SIZE_MAX;
  const bool tables_;
  // The columns of the information table when its heading does not name them.
  std::size_t label_ = 2;
  std::size_t print_ = 4;
  std::size_t missing_ = 6;
};

}  // namespace

DeclaredMissing ParseDeclaredMissing(std::string_view text) {
  DeclaredMissing missing;
  text = Trimmed(text);
  missing.Text = std::string(text);
  // Items end at ";" and at a "," that a blank or the end follows; a comma
  // between digits is a decimal comma.
  while (!text.empty()) {
    std::size_t end = 0;
    while (end < text.size() && text[end] != ';' &&
           !(text[end] == ',' && (end + 1 == text.size() || text[end + 1] == ' ')))
      ++end;
    std::string_view item = Trimmed(text.substr(0, end));
    text.remove_prefix(std::min(end + 1, text.size()));
    std::string upper = Prepared(item);
    std::size_t thru = upper.find(" THRU ");
    std::optional<double> low = BoundOf(thru == std::string::npos ? item : Trimmed(item.substr(0, thru)));
    std::optional<double> high = thru == std::string::npos ? low : BoundOf(Trimmed(item.substr(thru + 6)));
    if (low && high) missing.Ranges.push_back({*low, *high});
  }
  return missing;
}

std::vector<std::string> FileInfoVariablesAt(ByteSource& file, const std::vector<std::uint64_t>& lines,
                                             const std::vector<std::string>& names) {
  const Wanted wanted(names);
  std::vector<std::string> found;
  auto add = [&](const std::string& name) {
    if (std::find(found.begin(), found.end(), name) == found.end()) found.push_back(name);
  };
  LineReader reader(file);
  std::string raw;
  std::string current;
  std::size_t next = 0;
  for (std::uint64_t line = 1; next < lines.size() && !reader.AtEnd(); ++line) {
    reader.ReadLine(raw);
    const std::size_t first = raw.find_first_not_of(' ');
    std::string named;
    if (first != std::string::npos && raw[first] == '|') {
      std::vector<std::string_view> cells = CellsOf(raw);
      if (!cells.empty()) named = Prepared(WordAt(1, cells[0]));
    } else {
      named = Prepared(WordAt(1, TabCellsOf(raw)[0]));
    }
    if (wanted.Contains(named)) current = named;
    for (; next < lines.size() && lines[next] <= line; ++next)
      if (lines[next] == line) add(current.empty() ? "line " + std::to_string(line) : current);
  }
  for (; next < lines.size(); ++next) add("line " + std::to_string(lines[next]));
  return found;
}

void WriteVariableListTables(const FileInfoDictionary& dictionary, const std::vector<VariableDefinition>& variables,
                             BufferedWriter& projectText) {
  for (const VariableDefinition& variable : variables) {
    const DictionaryEntry* entry = dictionary.Find(variable.Name);
    if (entry == nullptr || !entry->Described) continue;
    projectText.PutLine(RightAlign(variable.Name, 12) + " = " + UpperCaseWords(entry->Label, ' '));
  }
}

SpssFileInfo ValueLabelsOfTables(const FileInfoDictionary& dictionary, const VariableDefinition& variable,
                                 const ReportLine& report) {
  const DictionaryEntry* entry = dictionary.Find(variable.Name);
  if (entry == nullptr || entry->Labels.empty()) {
    report("No category labels for " + variable.Name);
    return {};
  }
  SpssFileInfo info;
  info.Found = true;
  for (const DictionaryLabel& label : entry->Labels) {
    info.AddLabel(variable, {ValueCode(label.Code), UpperCaseWords(label.Text, '_')});
  }
  return info;
}

LabelFilter LabelsKeptFor(const std::vector<VariableDefinition>& variables) {
  return [&variables](const std::string& upperName, const DictionaryEntry& entry, const DictionaryLabel& label) {
    auto hasCode = [&](std::int64_t code) {
      for (const DictionaryLabel& kept : entry.Labels)
        if (ValueCode(kept.Code) == code) return true;
      return false;
    };
    for (const VariableDefinition& variable : variables)
      if (variable.Name == upperName && KeepsLabel(variable, entry.Labels.size(), ValueCode(label.Code), hasCode))
        return true;
    return false;
  };
}

std::string FileInfoNameOf(std::string_view headerField) { return Prepared(WordAt(1, headerField)); }

const DictionaryEntry* FileInfoDictionary::Find(std::string_view name) const {
  auto it = index_.find(Prepared(name));
  return it == index_.end() ? nullptr : &entries_[it->second];
}

DictionaryEntry& FileInfoDictionary::Add(const std::string& upperName, std::string_view name) {
  auto [it, added] = index_.emplace(upperName, entries_.size());
  if (added) {
    entries_.emplace_back();
    entries_.back().Name = std::string(name);
  }
  return entries_[it->second];
}

FileInfoDictionary ReadFileInfoDictionary(const ExportOpener& open, const std::vector<std::string>& upperNames,
                                          LabelFilter keepLabel) {
  FileInfoDictionary dictionary;
  dictionary.KeepLabel = std::move(keepLabel);
  {
    std::unique_ptr<ByteSource> file = open();
    dictionary.Layout = DetectFileInfoLayout(*file);
  }
  Wanted wanted(upperNames);
  std::unique_ptr<ByteSource> file = open();
  if (dictionary.Layout != FileInfoLayout::Older)
    Version13Reader(*file, wanted, dictionary).Read();
  else
    OlderReader(*file, wanted, dictionary).Read();
  return dictionary;
}

}  // namespace s2v
