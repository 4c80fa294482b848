#include "model/project_definition.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "model/kept_wordings.h"

namespace s2v {

char LetterFor(int v) { return static_cast<char>(v <= 26 ? 'A' + v - 1 : v + 70); }

std::string DatasetNameOf(std::string_view headerField) {
  return FileLineWords(std::string(headerField)).Word(1).substr(0, kMaxNameLength);
}

namespace {

// Optional blanks, an optional sign and decimal digits up to the end or, when
// stopAtPoint, up to a ".". Nothing when the text is not so formed. Values far
// beyond 32 bits are held at a bound that is still beyond them.
std::optional<std::int64_t> WholeNumber(std::string_view s, bool stopAtPoint) {
  std::size_t i = s.find_first_not_of(' ');
  if (i == std::string_view::npos) return std::nullopt;
  bool negative = s[i] == '-';
  if (s[i] == '+' || s[i] == '-') ++i;
  constexpr std::int64_t kBeyond32Bits = std::int64_t{1} << 40;
  std::int64_t value = 0;
  std::size_t digits = 0;
  for (; i < s.size() && IsDigitChar(s[i]); ++i, ++digits) value = std::min(value * 10 + (s[i] - '0'), kBeyond32Bits);
  bool atPoint = stopAtPoint && i < s.size() && s[i] == '.';
  if (!atPoint && (i < s.size() || digits == 0)) return std::nullopt;
  return negative ? -value : value;
}

bool FitsIn32Bits(std::int64_t value) {
  return value >= std::numeric_limits<std::int32_t>::min() && value <= std::numeric_limits<std::int32_t>::max();
}

// A bound's value; a word such as "." without digits counts as 0.
double RealValue(std::string_view s) {
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  double value = 0;
  auto result = std::from_chars(s.data(), s.data() + s.size(), value);
  return result.ec == std::errc() ? value : 0.0;
}

bool IsMarker(const std::string& word) { return !word.empty() && word.front() == '<'; }

class DefinitionParser {
 public:
  // keepGoing: go on past a faulty variable line (or line 2) instead of
  // ending at the first problem.
  DefinitionParser(const SpcText& lines, const std::string& projectBase, const std::vector<std::string>& datasetNames,
                   ProjectDefinition& definition, bool keepGoing)
      : lines_(lines),
        projectBase_(projectBase),
        datasetNames_(datasetNames),
        definition_(definition),
        keepGoing_(keepGoing) {}

  // The problems found, the first one first; without keepGoing at most one.
  std::vector<DefinitionProblem> Parse() {
    const std::string line2 = lines_.size() > 1 ? lines_[1] : std::string();
    std::optional<std::int64_t> count = WholeNumber(line2, false);
    const bool countKnown = count && *count >= 2 && *count <= kMaxVariables;
    if (!countKnown) {
      problems_.push_back({2, (count ? "Improper number of variables: " : "NVAR is not a number: ") + line2});
      if (!keepGoing_) return problems_;
      count = kMaxVariables;
    }

    pointer_ = 1;
    for (int v = 1; v <= *count; ++v) {
      std::optional<std::string> error = ParseVariable(v);
      if (!error) continue;
      if (textEnded_) {
        // Without a known count, the variable lines simply end here.
        if (!countKnown) break;
        problems_.push_back({std::max<std::size_t>(lines_.size(), 2), *error, true});
        return problems_;
      }
      problems_.push_back({pointer_ + 1, *error});
      if (!keepGoing_) return problems_;
    }
    definition_.BlockEnds.push_back(static_cast<int>(*count));
    return problems_;
  }

 private:
  // Moves to the next line that has words; false when the text ends first.
  bool NextLineWithWords(LineWords& line) {
    do {
      if (++pointer_ >= lines_.size()) return false;
      line = SplitUpperCaseLine(lines_[pointer_]);
    } while (line.count() == 0);
    return true;
  }

  // The error of variable v's line, if any; textEnded_ tells when the text
  // ended before the line.
  std::optional<std::string> ParseVariable(int v) {
    LineWords line;
    textEnded_ = true;
    if (!NextLineWithWords(line))
      return "Too few variables on " + projectBase_ + ".SPC: " + std::to_string(lines_.size() - 1);
    if (IsMarker(line.Word(1))) {
      definition_.BlockEnds.push_back(v - 1);
      if (!NextLineWithWords(line)) return "Too few variables on " + projectBase_ + ".SPC";
    }
    textEnded_ = false;
    std::size_t n = line.count();
    if (IsMarker(line.Word(n))) {
      definition_.BlockEnds.push_back(v);
      --n;
    }

    VariableDefinition var;
    var.Letter = LetterFor(v);
    var.Line = pointer_ + 1;
    var.Name = line.Word(1).substr(0, kMaxNameLength);
    for (std::size_t i = 0; i < datasetNames_.size(); ++i) {
      if (datasetNames_[i] == var.Name) {
        var.found = true;
        var.DatasetColumn = static_cast<std::int32_t>(i + 1);
        break;
      }
    }

    const std::string& text = line.text;
    if (n < 3) return "Not enough information to define a variable here: " + text;
    for (std::size_t j = 2; j <= n; ++j) {
      WordKind kind = line.Kind(j);
      if (kind == WordKind::Decimal) var.ValueKind = WordKind::Decimal;
      if (!IsNumber(kind)) return "Improper variable definition here: " + text;
    }
    if (n == 3 && var.ValueKind == WordKind::Decimal) return kImproperDefinitionNoBlank + text;

    std::vector<std::int32_t> wholeParts;
    for (std::size_t j = 2; j <= n; ++j) {
      std::optional<std::int64_t> whole = WholeNumber(line.Word(j), true);
      if (!whole || !FitsIn32Bits(*whole)) return "Improper variable definition here: " + text;
      wholeParts.push_back(static_cast<std::int32_t>(*whole));
    }
    if (n == 3) {
      std::int64_t lower = wholeParts[0];
      std::int64_t upper = wholeParts[1];
      if (upper < lower || upper - lower + 1 > kMaxCategories) return "Improper variable definition here: " + text;
      NumberMeasure lowerSize = MeasureNumber(line.Word(2));
      NumberMeasure upperSize = MeasureNumber(line.Word(3));
      var.CategoryCount = static_cast<int>(upper - lower + 1);
      var.Bounds.push_back(static_cast<double>(lower));
      var.WholeBounds.push_back(static_cast<std::int32_t>(lower));
      var.BoundWidths.push_back(lowerSize.width);
      var.BoundDecimals.push_back(lowerSize.decimals);
      for (int k = 1; k <= var.CategoryCount; ++k) {
        var.Bounds.push_back(static_cast<double>(lower + k - 1));
        var.WholeBounds.push_back(static_cast<std::int32_t>(lower + k - 1));
        var.BoundWidths.push_back(upperSize.width);
        var.BoundDecimals.push_back(upperSize.decimals);
      }
    } else {
      if (n - 1 > kMaxCategories + 1) return "Improper variable definition here: " + text;
      var.CategoryCount = static_cast<int>(n - 2);
      for (std::size_t j = 1; j <= n - 1; ++j) {
        const std::string& word = line.Word(j + 1);
        NumberMeasure size = MeasureNumber(word);
        var.Bounds.push_back(RealValue(word));
        var.WholeBounds.push_back(size.decimals == 0 ? wholeParts[j - 1] : kMissingCode);
        var.BoundWidths.push_back(size.width);
        var.BoundDecimals.push_back(size.decimals);
      }
    }
    definition_.Variables.push_back(std::move(var));
    return std::nullopt;
  }

  const SpcText& lines_;
  const std::string& projectBase_;
  const std::vector<std::string>& datasetNames_;
  ProjectDefinition& definition_;
  const bool keepGoing_;
  std::size_t pointer_ = 1;
  bool textEnded_ = false;
  std::vector<DefinitionProblem> problems_;
};

}  // namespace

void SpcText::Append(std::string line) {
  if (!line.empty()) lines_.emplace_back(count_, std::move(line));
  ++count_;
}

const std::string& SpcText::operator[](std::size_t i) const {
  static const std::string kEmpty;
  auto at =
      std::lower_bound(lines_.begin(), lines_.end(), i,
                       [](const std::pair<std::size_t, std::string>& line, std::size_t n) { return line.first < n; });
  return at != lines_.end() && at->first == i ? at->second : kEmpty;
}

SpcText ReadSpcText(ByteSource& source) {
  LineReader reader(source);
  SpcText text;
  std::string line;
  while (!reader.AtEnd()) {
    reader.ReadLine(line);
    text.Append(line);
  }
  return text;
}

std::optional<std::string> ParseProjectDefinition(const SpcText& spcLines, const std::string& projectBase,
                                                  const std::vector<std::string>& datasetNames,
                                                  ProjectDefinition& definition) {
  std::vector<DefinitionProblem> problems =
      DefinitionParser(spcLines, projectBase, datasetNames, definition, false).Parse();
  if (problems.empty()) return std::nullopt;
  return std::move(problems.front().Message);
}

std::vector<DefinitionProblem> FindDefinitionProblems(const SpcText& spcLines, const std::string& projectBase,
                                                      const std::vector<std::string>& datasetNames,
                                                      ProjectDefinition& definition) {
  return DefinitionParser(spcLines, projectBase, datasetNames, definition, true).Parse();
}

std::vector<std::string> MissingNames(const ProjectDefinition& definition) {
  std::vector<std::string> names;
  for (const VariableDefinition& var : definition.Variables)
    if (!var.found) names.push_back(var.Name);
  return names;
}

}  // namespace s2v
