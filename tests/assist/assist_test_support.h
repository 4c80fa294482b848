// Descriptions of variables made from their values, for the assistant's
// tests.
#pragma once

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "assist/export_description.h"
#include "assist/variable_statistics.h"

namespace s2v {

// A number's text as the data copy writes it (a point for the decimal comma,
// no blanks around it).
inline void AddNumberText(VariableStatistics& statistics, std::string_view text) {
  std::string_view digits = text;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  double value = 0;
  std::from_chars(digits.data(), digits.data() + digits.size(), value);
  std::size_t point = text.find('.');
  int decimals = point == std::string_view::npos ? 0 : static_cast<int>(text.size() - point - 1);
  statistics.AddNumber(value, decimals, std::trunc(value) == value);
}

struct VariableStatisticsProbe {
  // The distinct valid values in increasing order, when there are at most
  // kMaxDistinctCounted of them.
  static std::vector<double> DistinctValues(const VariableStatistics& s) {
    std::vector<double> values;
    if (s.distinct_ > kMaxDistinctCounted) return values;
    for (std::size_t slot = 0; slot < VariableStatistics::kSlots; ++slot)
      if (s.occupied_ >> slot & 1u) values.push_back(std::bit_cast<double>(s.slots_[slot]));
    std::sort(values.begin(), values.end());
    return values;
  }
};

// "" is an empty field, a text that is not a number a text field.
inline VariableDescription Variable(const std::string& name, const std::vector<std::string>& fields,
                                    const DictionaryEntry* entry = nullptr, std::size_t position = 1) {
  VariableStatistics statistics(kMaxSample, position, entry ? &entry->Missing : nullptr);
  for (const std::string& field : fields) {
    if (field.empty())
      statistics.AddEmpty();
    else if (field.find_first_not_of("+-.0123456789") != std::string::npos)
      statistics.AddText();
    else
      AddNumberText(statistics, field);
  }
  return DescribeVariable(position, name, statistics, entry);
}

// The fields "from" to "to" by step, written with the given decimals.
inline std::vector<std::string> Values(double from, double to, double step = 1, int decimals = 0) {
  std::vector<std::string> fields;
  for (double x = from; x <= to + step / 2; x += step) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, x);
    fields.emplace_back(buffer);
  }
  return fields;
}

inline DictionaryEntry Entry(const std::string& printFormat, const std::string& missing,
                             const std::vector<std::pair<std::string, std::string>>& labels = {}) {
  DictionaryEntry entry;
  entry.PrintFormat = printFormat;
  entry.Missing = ParseDeclaredMissing(missing);
  for (const auto& [code, text] : labels) {
    DictionaryLabel label;
    label.Code = code;
    label.Numeric = true;
    label.Value = std::stod(code);
    label.Text = text;
    entry.Labels.push_back(label);
  }
  return entry;
}

}  // namespace s2v
