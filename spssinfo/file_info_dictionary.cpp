#include "spssinfo/file_info_dictionary.h"

#include <charconv>
#include <limits>
#include <optional>
#include <unordered_set>

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
      DictionaryEntry& entry = dictionary_.Add(words_.Word(1), WordAt(1, raw_));
      entry.Label = BlockLabel();
      ReadBlock(entry);
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

  void ReadBlock(DictionaryEntry& entry) {
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
      entry.Labels.push_back(LabelOf(WordAt(1, raw_), AfterFirstWord(raw_)));
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

bool IsRule(std::string_view cell) { return cell.substr(0, 2) == "--"; }

// The layout of version 13 and later: the information table (one row per
// variable, its columns named by the heading row) and the values table (a
// variable's first row names it, its further rows leave that cell empty, a
// rule row ends them).
class Version13Reader {
 public:
  Version13Reader(ByteSource& file, const Wanted& wanted, FileInfoDictionary& dictionary)
      : lines_(file), wanted_(wanted), dictionary_(dictionary) {}

  void Read() {
    std::string raw;
    while (!lines_.AtEnd()) {
      lines_.ReadLine(raw);
      LineWords words = FileLineWords(raw);
      if (IsTitle(words, "VARIABLE", "INFORMATION")) {
        Enter(Table::Information);
      } else if (IsTitle(words, "VARIABLE", "VALUES")) {
        Enter(Table::Values);
      } else if (std::size_t first = raw.find_first_not_of(' '); first != std::string::npos && raw[first] == '|') {
        Row(CellsOf(raw));
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
      if (wanted_.Contains(name) && labelled_.insert(name).second) current_ = &dictionary_.Add(name, cells[0]);
    }
    if (current_ != nullptr && cells.size() >= 3) current_->Labels.push_back(LabelOf(cells[1], cells[2]));
  }

  void FindColumns(const std::vector<std::string_view>& cells) {
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
    auto cell = [&](std::size_t i) { return i < cells.size() ? cells[i] : std::string_view(); };
    entry.Label = std::string(cell(label_));
    entry.PrintFormat = std::string(cell(print_));
    entry.Missing = ParseDeclaredMissing(cell(missing_));
  }

  LineReader lines_;
  const Wanted& wanted_;
  FileInfoDictionary& dictionary_;
  Table table_ = Table::None;
  bool heading_ = false;
  DictionaryEntry* current_ = nullptr;
  std::unordered_set<std::string> described_;
  std::unordered_set<std::string> labelled_;
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

FileInfoDictionary ReadFileInfoDictionary(const ExportOpener& open, const std::vector<std::string>& upperNames) {
  FileInfoDictionary dictionary;
  {
    std::unique_ptr<ByteSource> file = open();
    dictionary.Layout = DetectFileInfoLayout(*file);
  }
  Wanted wanted(upperNames);
  std::unique_ptr<ByteSource> file = open();
  if (dictionary.Layout == FileInfoLayout::Version13)
    Version13Reader(*file, wanted, dictionary).Read();
  else
    OlderReader(*file, wanted, dictionary).Read();
  return dictionary;
}

}  // namespace s2v
