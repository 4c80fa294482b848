#include "spssinfo/category_file.h"

#include <cstdint>

#include "support/number_format.h"

namespace s2v {

// The bounds are indexed from 0: category m runs from bound m - 1 to bound m.
std::string CategoryDescription(const VariableDefinition& v, int m, const SpssFileInfo& info) {
  if (v.ValueKind == WordKind::Decimal) {
    auto bound = [&](int i) { return RightAlign(FormatFixed(v.Bounds[i], v.BoundDecimals[i]), v.BoundWidths[i]); };
    return bound(m - 1) + " - " + bound(m);
  }
  const std::optional<std::int64_t> single = SingleValueOf(v, m);
  if (!single) {
    const std::int64_t low = v.WholeBounds[m - 1];
    return FormatInteger(m == 1 ? low : low + 1) + " - " + FormatInteger(v.WholeBounds[m]);
  }
  for (const ValueLabel& label : info.Labels)
    if (label.Code == *single) return label.Text;
  return FormatInteger(*single);
}

void WriteCategoryLines(BufferedWriter& categoryFile, const VariableDefinition& variable, const SpssFileInfo& info) {
  for (int m = 1; m <= variable.CategoryCount; ++m) {
    categoryFile.Put(variable.Letter);
    categoryFile.Put(' ');
    categoryFile.Put(FormatInteger(m));
    categoryFile.Put(' ');
    categoryFile.PutLine(CategoryDescription(variable, m, info));
  }
}

}  // namespace s2v
