#include "assist/draft_definition.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <map>

#include "assist/variable_statistics.h"
#include "model/project_definition.h"
#include "support/number_format.h"
#include "support/text_scan.h"

namespace s2v {
namespace {

// Fewer values than this, all distinct, tell an identifier from a small
// sample of a measure too poorly to leave the variable out.
constexpr std::int64_t kMinIdentifierValues = 20;

// The value of a number's text as FormatRounded writes it.
double Rounded(double value, int decimals) {
  std::string text = FormatRounded(value, decimals);
  double rounded = 0;
  std::from_chars(text.data(), text.data() + text.size(), rounded);
  return rounded;
}

// Every bound's whole part must fit in 32 bits.
bool FitsADefinition(double value) {
  double whole = std::trunc(value);
  return whole >= std::numeric_limits<std::int32_t>::min() && whole <= std::numeric_limits<std::int32_t>::max();
}

// The name as the definition writes it: the header's first word, which the
// run upper-cases and cuts to 20 characters just as it does the header's.
// The name as a definition line writes it: a run reads the names of the
// export with a "," as a ".", and those of the definition as they stand.
std::string DefinitionName(const VariableDescription& v) {
  std::string name = ExtractWord(1, v.Name);
  std::replace(name.begin(), name.end(), ',', '.');
  return name;
}

// The range form over the observed codes, widened to the labelled codes
// beyond them that are not declared missing, when that still spans at most
// kMaxCategories codes.
std::string RangeForm(const VariableDescription& v) {
  double low = v.Minimum;
  double high = v.Maximum;
  for (const DictionaryLabel& label : v.ValueLabels) {
    if (!label.Numeric || std::trunc(label.Value) != label.Value || !FitsADefinition(label.Value)) continue;
    if (v.Declared.Contains(label.Value)) continue;
    low = std::min(low, label.Value);
    high = std::max(high, label.Value);
  }
  if (high - low + 1 > kMaxCategories) {
    low = v.Minimum;
    high = v.Maximum;
  }
  return DefinitionName(v) + " " + FormatShortest(low) + " " + FormatShortest(high);
}

// The cut form: the minimum, the cut points at the quantiles for the given
// number of categories, and the maximum, with no more decimals than the data
// have and no two equal bounds.
std::string CutForm(const VariableDescription& v, int categories) {
  int decimals = v.Decimals;
  std::vector<double> bounds = {v.Minimum};
  for (int k = 1; k < categories; ++k) {
    double cut = Rounded(v.Quantile(static_cast<double>(k) / categories), decimals);
    if (cut > bounds.back() && cut < v.Maximum) bounds.push_back(cut);
  }
  if (bounds.size() == 1) {
    // Only two values, or all but a few at the ends: one cut between them,
    // with a decimal more when the data's own are too few to tell it apart.
    const double middle = (v.Minimum + v.Maximum) / 2;
    while (decimals < 17) {
      double cut = Rounded(middle, decimals);
      if (cut > v.Minimum && cut < v.Maximum) break;
      ++decimals;
    }
    bounds.push_back(middle);
  }
  bounds.push_back(v.Maximum);
  std::string line = DefinitionName(v);
  for (double bound : bounds) line += " " + FormatRounded(bound, decimals);
  return line;
}

}  // namespace

DraftLine DraftVariableLine(const VariableDescription& v, int categories) {
  if (v.DatasetName.empty()) return {"", "no name in the first record"};
  if (v.DatasetName.front() == '<') return {"", "a name beginning with \"<\" reads as a block marker"};
  if (v.IsText()) return {"", "text"};
  if (v.Valid == 0) return {"", "no valid values"};
  if (v.Distinct == 1) return {"", "constant (every valid value is " + FormatShortest(v.Minimum) + ")"};
  if (v.Whole && v.AllDistinct && v.Valid >= kMinIdentifierValues)
    return {"", "identifier (every value distinct and whole)"};
  if (!FitsADefinition(v.Minimum) || !FitsADefinition(v.Maximum))
    return {"", "values beyond the whole numbers of 32 bits that a definition holds"};
  if (v.Whole && v.Maximum - v.Minimum + 1 <= kMaxCategories) return {RangeForm(v), ""};
  return {CutForm(v, categories), ""};
}

Draft DraftDefinition(const ExportDescription& description, const DraftOptions& options) {
  Draft draft;
  std::vector<const VariableDescription*> chosen;
  if (options.Names.empty()) {
    for (const VariableDescription& v : description.Variables) chosen.push_back(&v);
  } else {
    for (const std::string& name : options.Names) {
      auto it = std::find_if(description.Variables.begin(), description.Variables.end(),
                             [&](const VariableDescription& v) { return EqualIgnoringCase(DefinitionName(v), name); });
      if (it == description.Variables.end())
        draft.Unknown.push_back(name);
      else
        chosen.push_back(&*it);
    }
  }

  // The run finds a name by its first 20 characters: of names that agree in
  // them, it would take the first for each.
  std::map<std::string, std::vector<const VariableDescription*>> byName;
  for (const VariableDescription& v : description.Variables)
    if (!v.DatasetName.empty()) byName[v.DatasetName].push_back(&v);

  std::vector<std::string> lines;
  for (const VariableDescription* v : chosen) {
    const auto& namesakes = byName[v->DatasetName];
    DraftLine line;
    if (namesakes.size() > 1) {
      const VariableDescription* other = namesakes[namesakes.front() == v ? 1 : 0];
      line.Reason = "its name's first 20 characters match those of " + other->Name;
    } else {
      line = DraftVariableLine(*v, options.Categories);
      if (line.Reason.empty() && lines.size() == kMaxVariables)
        line.Reason = "past the " + std::to_string(kMaxVariables) + "th variable";
    }
    if (line.Reason.empty())
      lines.push_back(std::move(line.Line));
    else
      draft.Left.push_back({v->Name, std::move(line.Reason)});
  }

  draft.Defined = static_cast<int>(lines.size());
  if (lines.size() < 2) return draft;
  draft.Lines = {description.SpssName, std::to_string(lines.size())};
  draft.Lines.insert(draft.Lines.end(), lines.begin(), lines.end());
  if (!draft.Left.empty()) {
    draft.Lines.emplace_back();
    draft.Lines.emplace_back("Left out:");
    for (const LeftOut& left : draft.Left) draft.Lines.push_back(left.Name + ": " + left.Reason);
  }
  return draft;
}

}  // namespace s2v
