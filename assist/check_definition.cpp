#include "assist/check_definition.h"

#include <algorithm>
#include <map>

#include "model/project_names.h"
#include "spssinfo/category_file.h"
#include "support/number_format.h"
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

// The first category (counted from 1) that the order of the bounds leaves
// empty whatever the data: a bound below the one before it, or a cut point
// equal to the one before it. 0 when there is none.
int FirstEmptyByBounds(const VariableDefinition& v) {
  for (std::size_t k = 1; k < v.Bounds.size(); ++k)
    if (v.Bounds[k] < v.Bounds[k - 1] || (k >= 2 && v.Bounds[k] == v.Bounds[k - 1])) return static_cast<int>(k);
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
  void Error(std::size_t line, std::string message, std::string hint = {}) {
    check_.Findings.push_back({line, FindingKind::Error, std::move(message), std::move(hint)});
  }
  void Warning(std::size_t line, std::string message) {
    check_.Findings.push_back({line, FindingKind::Warning, std::move(message), {}});
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
      Warning(1, "The file, " + names.SpssName + ".TXT, with information on categories was not found.");
  }

  void Names() {
    const std::vector<std::string>& names = head_.DatasetNames;
    for (const VariableDefinition& v : check_.Definition.Variables) {
      if (!v.found) {
        std::string nearest = NearestName(v.Name, names);
        Error(v.Line, v.Name + " not found", nearest.empty() ? "" : "did you mean " + nearest + "?");
        continue;
      }
      std::vector<std::size_t> columns;
      for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == v.Name) columns.push_back(i + 1);
      if (columns.size() < 2) continue;
      std::string list;
      for (std::size_t i = 0; i < columns.size(); ++i)
        list += (i == 0 ? "" : i + 1 == columns.size() ? " and " : ", ") + std::to_string(columns[i]);
      Warning(v.Line, v.Name + ": the names of columns " + list +
                          " agree in their first 20 characters; the run takes column " + std::to_string(columns[0]));
    }
  }

  void Repeats() {
    std::map<std::string, std::size_t> firstLine;
    for (const VariableDefinition& v : check_.Definition.Variables) {
      auto [it, isNew] = firstLine.emplace(v.Name, v.Line);
      if (!isNew) Warning(v.Line, v.Name + " is defined twice: first on line " + std::to_string(it->second));
    }
  }

  void Bounds() {
    for (const VariableDefinition& v : check_.Definition.Variables) {
      int k = FirstEmptyByBounds(v);
      if (k == 0) continue;
      auto at = static_cast<std::size_t>(k);
      Warning(v.Line, v.Name + ": the bounds do not increase (" + BoundText(v, at - 1) + " then " + BoundText(v, at) +
                          "), so no value can fall in category " + Category(v, k));
    }
  }

  void Tabs() {
    lines_.ForEachLine(0, check_.LastLine, [&](std::size_t i, const std::string& line) {
      if (line.find('\t') != std::string::npos)
        Warning(i + 1, "a tab is not a separator: \"" + WordWithTab(line) + "\" is read as one word");
    });
  }

  void IgnoredVariableLines() {
    const std::string count = ExtractWord(1, lines_[1]);
    lines_.ForEachLine(check_.LastLine, lines_.size(), [&](std::size_t i, const std::string& line) {
      if (LooksLikeVariableLine(line))
        Warning(i + 1, "line 2 gives " + count + " variables, so the run ignores this variable line");
    });
  }

  const SpcText& lines_;
  const std::string& projectName_;
  const ExportHead& head_;
  DefinitionCheck& check_;
};

}  // namespace

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
