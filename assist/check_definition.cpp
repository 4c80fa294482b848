#include "assist/check_definition.h"

#include <algorithm>
#include <array>
#include <limits>
#include <map>
#include <type_traits>

#include "model/project_names.h"
#include "spssinfo/category_file.h"
#include "spssinfo/file_info_dictionary.h"
#include "support/export_fields.h"
#include "support/io_error.h"
#include "support/number_format.h"
#include "support/text_decoding.h"
#include "support/text_scan.h"

namespace s2v {
namespace {

bool IsMarker(const std::string& word) { return !word.empty() && word.front() == '<'; }

// The distance of two names in edits of one character (insert, delete,
// change, or swap of two neighbours), or limit + 1 when it exceeds limit.
std::size_t EditDistance(const std::string& a, const std::string& b, std::size_t limit) {
  if ((a.size() > b.size() ? a.size() - b.size() : b.size() - a.size()) > limit) return limit + 1;
  std::vector<std::size_t> before(b.size() + 1), previous(b.size() + 1), current(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) previous[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    current[0] = i;
    std::size_t best = current[0];
    for (std::size_t j = 1; j <= b.size(); ++j) {
      std::size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
      current[j] = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        current[j] = std::min(current[j], before[j - 2] + 1);
      best = std::min(best, current[j]);
    }
    if (best > limit) return limit + 1;
    std::swap(before, previous);
    std::swap(previous, current);
  }
  return previous[b.size()];
}

// A bound as the category file writes it.
std::string BoundText(const VariableDefinition& v, std::size_t k) {
  return FormatFixed(v.Bounds[k], v.BoundDecimals[k]);
}

// Category k (from 1) is empty whatever the data because of the order of the
// bounds: its upper bound lies below its lower one, or a cut point equals the
// one before it.
bool EmptyByBounds(const VariableDefinition& v, std::size_t k) {
  return v.Bounds[k] < v.Bounds[k - 1] || (k >= 2 && v.Bounds[k] == v.Bounds[k - 1]);
}

// The first such category, or 0.
int FirstEmptyByBounds(const VariableDefinition& v) {
  for (std::size_t k = 1; k < v.Bounds.size(); ++k)
    if (EmptyByBounds(v, k)) return static_cast<int>(k);
  return 0;
}

std::string Category(const VariableDefinition& v, int k) {
  return std::to_string(k) + " (" + CategoryDescription(v, k, SpssFileInfo{}) + ")";
}

// A word of the line that holds a tab, the tabs shown.
std::string WordWithTab(const std::string& line) {
  std::string word;
  for (std::size_t n = 1; !(word = ExtractWord(n, line)).empty(); ++n)
    if (word.find('\t') != std::string::npos) break;
  std::string shown;
  for (char c : word) shown += c == '\t' ? std::string("<tab>") : std::string(1, c);
  return shown;
}

// A line after the definition that has the shape of a variable line: a name
// and two or more bounds.
bool LooksLikeVariableLine(const std::string& text) {
  LineWords line = SplitUpperCaseLine(text);
  std::size_t n = line.count();
  if (n > 0 && IsMarker(line.Word(n))) --n;
  if (n < 3 || IsMarker(line.Word(1))) return false;
  for (std::size_t j = 2; j <= n; ++j)
    if (!IsNumber(line.Kind(j))) return false;
  return true;
}

class LineChecks {
 public:
  LineChecks(const SpcText& lines, const std::string& projectName, const ExportHead& head, DefinitionCheck& check)
      : lines_(lines), projectName_(projectName), head_(head), check_(check) {}

  void Run() {
    FirstLine();
    std::vector<DefinitionProblem> problems =
        FindDefinitionProblems(lines_, projectName_, head_.DatasetNames, check_.Definition);
    bool countKnown = true;
    for (const DefinitionProblem& problem : problems) {
      // Too few lines for line 2's count: the mark goes on line 2, with the
      // numbers to compare.
      if (problem.TextEnded)
        Error(2, problem.Message,
              "line 2 says " + ExtractWord(1, lines_[1]) + " variables, " + std::to_string(VariableLineCount()) +
                  " variable lines follow");
      else
        Error(problem.Line, problem.Message);
      check_.LastLine = std::max(check_.LastLine, problem.Line);
      countKnown &= problem.Line != 2;
    }
    for (const VariableDefinition& v : check_.Definition.Variables) check_.LastLine = std::max(check_.LastLine, v.Line);
    check_.LastLine = std::max<std::size_t>(check_.LastLine, std::min<std::size_t>(lines_.size(), 2));

    if (head_.DataFound) Names();
    Repeats();
    Bounds();
    Tabs();
    if (countKnown) IgnoredVariableLines();
    std::stable_sort(check_.Findings.begin(), check_.Findings.end(),
                     [](const Finding& a, const Finding& b) { return a.Line < b.Line; });
  }

 private:
  void Error(std::size_t line, std::string message, std::string hint = {}, FindingCode code = FindingCode::RunStop) {
    check_.Findings.push_back({line, FindingKind::Error, std::move(message), std::move(hint), code});
  }
  void Warning(std::size_t line, FindingCode code, std::string message) {
    check_.Findings.push_back({line, FindingKind::Warning, std::move(message), {}, code});
  }

  // The lines after line 2 that a run reads as variable lines: those with
  // words that are not a block marker alone.
  std::size_t VariableLineCount() const {
    std::size_t count = 0;
    lines_.ForEachLine(2, lines_.size(), [&](std::size_t, const std::string& text) {
      LineWords line = SplitUpperCaseLine(text);
      count += line.count() > 0 && !IsMarker(line.Word(1));
    });
    return count;
  }

  // The names of line 1, in the order the run checks them.
  void FirstLine() {
    const FirstLineNames names = ReadFirstLineNames(lines_[0], projectName_);
    check_.SpssName = names.SpssName;
    auto noNotice = [](const std::string&) {};
    std::optional<std::string> spssRefused = RefuseSpssName(names.SpssName, noNotice);
    if (spssRefused) Error(1, *spssRefused);
    if (auto refusal = RefuseDataName(names.DataName, noNotice)) Error(1, *refusal);
    if (auto refusal = RefuseUnsafeNames(names.SpssName, names.DataName, projectName_)) Error(1, *refusal);
    if (spssRefused) return;
    if (!head_.DataFound)
      Error(1, MissingSpssDataText(names.SpssName));
    else if (!head_.FileInfoFound)
      Warning(1, FindingCode::NoFileInfo,
              "The file, " + names.SpssName + ".TXT, with information on categories was not found.");
  }

  void Names() {
    const std::vector<std::string>& names = head_.DatasetNames;
    for (const VariableDefinition& v : check_.Definition.Variables) {
      if (!v.found) {
        std::string nearest = NearestName(v.Name, names);
        Error(v.Line, v.Name + " not found", nearest.empty() ? "" : "did you mean " + nearest + "?",
              FindingCode::NameNotFound);
        continue;
      }
      std::vector<std::size_t> columns;
      for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == v.Name) columns.push_back(i + 1);
      if (columns.size() < 2) continue;
      std::string list;
      for (std::size_t i = 0; i < columns.size(); ++i)
        list += (i == 0 ? "" : i + 1 == columns.size() ? " and " : ", ") + std::to_string(columns[i]);
      Warning(v.Line, FindingCode::SameFirstCharacters,
              v.Name + ": the names of columns " + list + " agree in their first 20 characters; the run takes column " +
                  std::to_string(columns[0]));
    }
  }

  void Repeats() {
    std::map<std::string, std::size_t> firstLine;
    for (const VariableDefinition& v : check_.Definition.Variables) {
      auto [it, isNew] = firstLine.emplace(v.Name, v.Line);
      if (!isNew)
        Warning(v.Line, FindingCode::DefinedTwice,
                v.Name + " is defined twice: first on line " + std::to_string(it->second));
    }
  }

  void Bounds() {
    for (const VariableDefinition& v : check_.Definition.Variables) {
      int k = FirstEmptyByBounds(v);
      if (k == 0) continue;
      auto at = static_cast<std::size_t>(k);
      Warning(v.Line, FindingCode::BoundsNotIncreasing,
              v.Name + ": the bounds do not increase (" + BoundText(v, at - 1) + " then " + BoundText(v, at) +
                  "), so no value can fall in category " + Category(v, k));
    }
  }

  void Tabs() {
    lines_.ForEachLine(0, check_.LastLine, [&](std::size_t i, const std::string& line) {
      if (line.find('\t') != std::string::npos)
        Warning(i + 1, FindingCode::TabInLine,
                "a tab is not a separator: \"" + WordWithTab(line) + "\" is read as one word");
    });
  }

  void IgnoredVariableLines() {
    const std::string count = ExtractWord(1, lines_[1]);
    lines_.ForEachLine(check_.LastLine, lines_.size(), [&](std::size_t i, const std::string& line) {
      if (LooksLikeVariableLine(line))
        Warning(i + 1, FindingCode::IgnoredVariableLine,
                "line 2 gives " + count + " variables, so the run ignores this variable line");
    });
  }

  const SpcText& lines_;
  const std::string& projectName_;
  const ExportHead& head_;
  DefinitionCheck& check_;
};

// Where the values of each variable of the definition fall: below its lower
// end, in each category, above its upper end.
class ValueTally {
 public:
  ValueTally(DefinitionCheck& check, const ExportOpener* fileInfo) : check_(check), fileInfo_(fileInfo) {
    for (const VariableDefinition& v : check_.Definition.Variables) {
      Counts counts;
      counts.Variable = &v;
      counts.Seen.assign(static_cast<std::size_t>(v.CategoryCount), 0);
      for (std::size_t k = 1; k <= counts.Seen.size(); ++k) counts.Unseen += EmptyByBounds(v, k) ? 0 : 1;
      const std::vector<double>& b = v.Bounds;
      counts.Lower = b.front();
      counts.Upper = b.back();
      counts.RangeForm = b.size() >= 2 && b[0] == b[1];
      for (std::size_t k = 2; k < b.size(); ++k) counts.RangeForm &= b[k] == b[k - 1] + 1;
      if (std::is_sorted(b.begin() + 1, b.end())) {
        counts.Cuts.assign(b.begin() + 1, b.end() - 1);
        counts.Cuts.resize((counts.Cuts.size() / kCutBlock + 1) * kCutBlock, std::numeric_limits<double>::infinity());
      }
      counts_.push_back(std::move(counts));
    }
  }

  bool Header(const FieldNames& names) {
    std::vector<std::string> wanted;
    firstOfColumn_.assign(names.size(), -1);
    for (std::size_t i = counts_.size(); i-- > 0;) {
      const VariableDefinition& v = *counts_[i].Variable;
      auto column = static_cast<std::size_t>(v.DatasetColumn - 1);
      if (!v.found || column >= names.size()) continue;
      counts_[i].NextOfColumn = firstOfColumn_[column];
      firstOfColumn_[column] = static_cast<int>(i);
      wanted.push_back(FileInfoNameOf(names[column]));
      counts_[i].FileInfoName = wanted.back();
    }
    if (fileInfo_) {
      dictionary_ = ReadFileInfoDictionary(*fileInfo_, wanted);
      for (Counts& counts : counts_) {
        const DictionaryEntry* entry = dictionary_.Find(counts.FileInfoName);
        counts.Entry = entry;
        if (entry && !entry->Missing.Ranges.empty()) counts.Declared = &entry->Missing;
      }
    }
    for (Counts& counts : counts_) counts.FindPlainRange();
    return true;
  }

  // Only the values of the definition's columns are read. A short field of
  // a column that one variable takes, once every category of it has had a
  // value, is compared by its key: within the plain range it is only counted.
  template <typename Read>
  void Number(std::size_t column, const Read& read) {
    int i = firstOfColumn_[column];
    if (i < 0) return;
    double value;
    if constexpr (std::is_same_v<decltype(read()), ShortNumber>) {
      Counts& counts = counts_[static_cast<std::size_t>(i)];
      const ShortNumber number = read();
      if (counts.NextOfColumn < 0 && counts.Unseen == 0 && counts.ShortKeys[number.Decimals()].Holds(number.Key())) {
        ++counts.Valid;
        return;
      }
      value = number().Value;
    } else {
      value = read().Value;
    }
    for (; i >= 0; i = counts_[static_cast<std::size_t>(i)].NextOfColumn)
      counts_[static_cast<std::size_t>(i)].Add(value);
  }
  void Missing(std::size_t column, FieldKind kind) {
    if (kind != FieldKind::Other) return;
    for (int i = firstOfColumn_[column]; i >= 0; i = counts_[static_cast<std::size_t>(i)].NextOfColumn)
      ++counts_[static_cast<std::size_t>(i)].Text;
  }
  bool EndCase(std::int64_t) { return true; }

  void Warn() {
    for (const Counts& counts : counts_) {
      if (counts.NextOfColumn == kNotRead) continue;
      counts.Warn(check_);
    }
  }

 private:
  static constexpr int kNotRead = -2;
  static constexpr std::size_t kCutBlock = 4;

  struct Counts {
    const VariableDefinition* Variable = nullptr;
    const DeclaredMissing* Declared = nullptr;
    const DictionaryEntry* Entry = nullptr;
    std::string FileInfoName;
    int NextOfColumn = kNotRead;  // the next variable of the same column, or -1
    double Lower = 0;
    double Upper = 0;
    // Values from PlainLower to PlainUpper are valid and within the ends
    // without a further look: the range of Lower to Upper when neither -999
    // nor a declared missing value lies in it, else an empty one.
    double PlainLower = 0;
    double PlainUpper = -1;
    // The keys of the short fields of each count of decimals in that range.
    std::array<ShortKeyRange, 8> ShortKeys{};
    bool RangeForm = false;  // every whole value from Lower to Upper a category
    // The cut points of increasing bounds, padded with infinities to whole
    // blocks; empty when the bounds do not increase.
    std::vector<double> Cuts;
    std::int64_t Valid = 0;
    std::int64_t Outside = 0;
    std::int64_t Text = 0;  // fields that are not numbers
    // The categories that a value fell in; the warnings need no more than
    // that. Once every category that its bounds leave open has had one, a
    // value's category is not looked for any more.
    std::vector<char> Seen;
    std::size_t Unseen = 0;

    void FindPlainRange() {
      bool plain = !(Lower <= kVornexMissing && kVornexMissing <= Upper);
      if (Declared)
        for (const MissingRange& range : Declared->Ranges) plain &= range.High < Lower || range.Low > Upper;
      PlainLower = plain ? Lower : 0;
      PlainUpper = plain ? Upper : -1;
      for (unsigned decimals = 0; decimals < ShortKeys.size(); ++decimals)
        ShortKeys[decimals] = ShortKeysBetween(PlainLower, PlainUpper, decimals);
    }

    [[gnu::always_inline]] void Add(double value) {
      if (value >= PlainLower && value <= PlainUpper) [[likely]] {
        ++Valid;
        if (Unseen != 0) See(value);
        return;
      }
      if (value == kVornexMissing || (Declared && Declared->Contains(value))) return;
      ++Valid;
      if (value < Lower || value > Upper) {
        ++Outside;
        return;
      }
      if (Unseen != 0) See(value);
    }

    void See(double value) {
      const std::size_t k = CategoryOf(value);
      if (Seen[k - 1] == 0 && !EmptyByBounds(*Variable, k)) --Unseen;
      Seen[k - 1] = 1;
    }

    // Category k runs from above bound k - 1 to bound k, the first one from
    // the lower end itself. Values come in no order that the processor could
    // guess, so the category is counted out without branches: in the range
    // form from the value itself, in the cut form as one more than the cut
    // points below the value.
    std::size_t CategoryOf(double value) const {
      if (RangeForm) {
        const double above = value - Lower;
        const auto whole = static_cast<std::int64_t>(above);
        return static_cast<std::size_t>(whole) + static_cast<std::size_t>(above > static_cast<double>(whole)) + 1;
      }
      if (Cuts.empty()) {
        // Bounds that do not increase: the first not below the value.
        const std::vector<double>& b = Variable->Bounds;
        std::size_t k = 1;
        while (k + 1 < b.size() && value > b[k]) ++k;
        return k;
      }
      std::size_t k = 1;
      for (std::size_t j = 0; j < Cuts.size(); j += kCutBlock)
        for (std::size_t i = 0; i < kCutBlock; ++i) k += static_cast<std::size_t>(Cuts[j + i] < value);
      return k;
    }

    void Warn(DefinitionCheck& check) const {
      const VariableDefinition& v = *Variable;
      auto warn = [&](std::string text) {
        check.Findings.push_back(
            {v.Line, FindingKind::Warning, v.Name + ": " + std::move(text), {}, FindingCode::Values});
      };
      if (Entry && Entry->HoldsLabelsNotCodes(Text, Valid))
        check.Findings.push_back(
            {v.Line, FindingKind::Warning, LabelsNotCodesText(v.Name), {}, FindingCode::LabelsNotCodes});
      if (Valid == 0) return warn("no valid value in the data, so no case falls in any category");
      if (Outside > 0) {
        std::string share = FormatFixed(100.0 * static_cast<double>(Outside) / static_cast<double>(Valid), 1);
        if (share == "0.0") share = "less than 0.1";
        warn(FormatInteger(Outside) + " of " + FormatInteger(Valid) + " valid values (" + share + "%) lie outside " +
             BoundText(v, 0) + " to " + BoundText(v, v.Bounds.size() - 1));
      }
      std::vector<int> empty;
      for (std::size_t k = 1; k <= Seen.size(); ++k)
        if (Seen[k - 1] == 0 && !EmptyByBounds(v, k)) empty.push_back(static_cast<int>(k));
      if (empty.empty()) return;
      constexpr std::size_t kListed = 5;
      std::string list;
      for (std::size_t i = 0; i < std::min(empty.size(), kListed); ++i)
        list += (i == 0 ? "" : i + 1 == empty.size() ? " and " : ", ") + Category(v, empty[i]);
      if (empty.size() > kListed) list += " and " + std::to_string(empty.size() - kListed) + " more";
      warn(std::string("no case falls in ") + (empty.size() == 1 ? "category " : "categories ") + list);
    }
  };

  static constexpr double kVornexMissing = kMissingCode;

  DefinitionCheck& check_;
  const ExportOpener* fileInfo_;
  FileInfoDictionary dictionary_;
  std::vector<Counts> counts_;
  std::vector<int> firstOfColumn_;  // the last variable of each column, or -1
};

// The names of the first record as a run knows them; the reading ends there.
struct HeaderNames {
  std::vector<std::string>& DatasetNames;
  bool Header(const FieldNames& names) {
    DatasetNames.reserve(names.size());
    for (std::string_view name : names) DatasetNames.push_back(DatasetNameOf(name));
    return false;
  }
  template <typename Read>
  void Number(std::size_t, const Read&) {}
  void Missing(std::size_t, FieldKind) {}
  bool EndCase(std::int64_t) { return false; }
};

}  // namespace

void CheckDefinitionValues(DefinitionCheck& check, ByteSource& data, const ExportOpener* fileInfo) {
  ValueTally tally(check, fileInfo);
  ReadExportFields(data, tally);
  tally.Warn();
  std::stable_sort(check.Findings.begin(), check.Findings.end(),
                   [](const Finding& a, const Finding& b) { return a.Line < b.Line; });
}

ExportHead ReadExportHead(const WorkingFolder& folder, const std::string& spssName) {
  ExportHead head;
  head.FileInfoFound = folder.Exists(spssName + ".TXT");
  head.DataFound = folder.Exists(spssName + ".DAT");
  if (!head.DataFound) return head;
  HeaderNames names{head.DatasetNames};
  TextFileSource data(folder, spssName + ".DAT");
  // The first record only: a small buffer keeps the reading to it.
  ReadExportFields(data, names, false, std::size_t{1} << 14);
  return head;
}

void CheckOutputNames(DefinitionCheck& check, const WorkingFolder& folder, const SpcText& spcLines,
                      const std::string& projectName, const std::string& spcName) {
  const FirstLineNames names = ReadFirstLineNames(spcLines[0], projectName);
  const ShowInfoText noNotice = [](const std::string&) {};
  // Names that the line checks refuse already give their own errors.
  if (RefuseSpssName(names.SpssName, noNotice) || RefuseDataName(names.DataName, noNotice) ||
      RefuseUnsafeNames(names.SpssName, names.DataName, projectName))
    return;
  auto error = [&](const std::string& text) {
    check.Findings.push_back({1, FindingKind::Error, text, {}, FindingCode::OutputRefused});
  };
  WorkingFolder inputs = folder;
  if (!spcName.empty()) inputs.ProtectInput(spcName);
  if (auto refusal = RefuseReplacingInputs(inputs, names.SpssName, names.DataName, projectName)) error(*refusal);
  for (const std::string& output : RunOutputNames(names.DataName, projectName)) {
    if (output.size() <= kLongestFileName) continue;
    error(IoError::OnFile(kInvalidFilename, output).what());
    break;
  }
  std::stable_sort(check.Findings.begin(), check.Findings.end(),
                   [](const Finding& a, const Finding& b) { return a.Line < b.Line; });
}

DefinitionCheck CheckDefinition(const WorkingFolder& folder, const SpcText& spcLines, const std::string& projectName,
                                bool checkValues, const std::string& spcName) {
  const std::string spssName = ReadFirstLineNames(spcLines[0], projectName).SpssName;
  ExportHead head;
  if (!RefuseSpssName(spssName, [](const std::string&) {})) head = ReadExportHead(folder, spssName);
  DefinitionCheck check = CheckDefinitionLines(spcLines, projectName, head);
  CheckOutputNames(check, folder, spcLines, projectName, spcName);
  head.DatasetNames = {};  // the values' reading has names of its own
  if (checkValues && head.DataFound && !check.Definition.Variables.empty()) {
    TextFileSource data(folder, spssName + ".DAT");
    const std::string fileInfoName = spssName + ".TXT";
    ExportOpener open = [&] { return std::make_unique<TextFileSource>(folder, fileInfoName); };
    CheckDefinitionValues(check, data, head.FileInfoFound ? &open : nullptr);
  }
  return check;
}

std::size_t DefinitionCheck::Count(FindingKind kind) const {
  return static_cast<std::size_t>(
      std::count_if(Findings.begin(), Findings.end(), [&](const Finding& f) { return f.Kind == kind; }));
}

std::string NearestName(const std::string& name, const std::vector<std::string>& names) {
  // One slip in a short name, two in a longer one.
  const std::size_t limit = name.size() <= 4 ? 1 : 2;
  std::string nearest;
  std::size_t best = limit + 1;
  for (const std::string& candidate : names) {
    if (candidate.empty()) continue;
    std::size_t distance = EditDistance(name, candidate, best - 1);
    if (distance < best) {
      best = distance;
      nearest = candidate;
    }
  }
  return nearest;
}

DefinitionCheck CheckDefinitionLines(const SpcText& spcLines, const std::string& projectName, const ExportHead& head) {
  DefinitionCheck check;
  LineChecks(spcLines, projectName, head, check).Run();
  return check;
}

}  // namespace s2v
