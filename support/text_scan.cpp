#include "support/text_scan.h"

#include <algorithm>

namespace s2v {

const std::string& LineWords::Word(std::size_t n) const {
  static const std::string kNone;
  return n >= 1 && n <= Words.size() ? Words[n - 1] : kNone;
}

WordKind LineWords::Kind(std::size_t n) const { return n >= 1 && n <= Kinds.size() ? Kinds[n - 1] : WordKind::Empty; }

namespace {

// Calls visit(word) for every maximal run of non-blank characters.
template <typename Visit>
void ForEachWord(std::string_view s, Visit visit) {
  std::size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && IsBlankChar(s[i])) ++i;
    if (i == s.size()) break;
    std::size_t start = i;
    while (i < s.size() && IsNonBlankChar(s[i])) ++i;
    if (!visit(s.substr(start, i - start))) break;
  }
}

}  // namespace

std::size_t CountWords(std::string_view s) {
  std::size_t count = 0;
  ForEachWord(s, [&](std::string_view) { return ++count, true; });
  return count;
}

std::string_view WordAt(std::size_t n, std::string_view s) {
  std::string_view result;
  std::size_t index = 0;
  ForEachWord(s, [&](std::string_view word) {
    if (++index < n) return true;
    if (index == n) result = word;
    return false;
  });
  return result;
}

std::string ExtractWord(std::size_t n, std::string_view s) { return std::string(WordAt(n, s)); }

WordKind ClassifyWord(std::string_view s) {
  if (s.empty()) return WordKind::Empty;
  std::size_t first = s.find_first_not_of(' ');
  if (first == std::string_view::npos) return WordKind::Blank;
  std::size_t last = s.find_last_not_of(' ');
  if (s[first] == '+' || s[first] == '-') ++first;
  if (first > last) return WordKind::NotNumeric;
  int points = 0;
  bool nonNumeric = false;
  for (std::size_t i = first; i <= last; ++i) {
    char c = s[i];
    if (IsBlankChar(c)) return WordKind::InnerBlank;
    if (c == '.')
      ++points;
    else if (!IsDigitChar(c))
      nonNumeric = true;
  }
  if (nonNumeric || points > 1) return WordKind::NotNumeric;
  return points == 0 ? WordKind::Integer : WordKind::Decimal;
}

NumberMeasure MeasureNumber(std::string_view s) {
  NumberMeasure m;
  if (!IsNumber(ClassifyWord(s))) {
    m.notANumber = true;
    return m;
  }
  bool negative = !s.empty() && s.front() == '-';
  if (negative) s.remove_prefix(1);
  std::size_t point = s.find('.');
  int integerDigits = 0;
  for (std::size_t i = 0; i < std::min(point, s.size()); ++i) {
    if (s[i] == '0' && integerDigits == 0) continue;
    ++integerDigits;
  }
  if (point == std::string_view::npos || point + 1 == s.size()) {
    m.width = integerDigits;
    return m;
  }
  int decimals = 0;
  for (std::size_t i = s.size(); i-- > point + 1;) {
    if (s[i] == '0' && decimals == 0) continue;
    ++decimals;
  }
  int sign = negative ? 1 : 0;
  if (integerDigits == 0 && decimals == 0)
    m.width = 1;
  else if (decimals == 0)
    m.width = integerDigits + sign + 1;
  else if (integerDigits == 0)
    m.width = 1 + sign + decimals + 1;
  else
    m.width = integerDigits + sign + decimals + 1;
  m.decimals = decimals;
  return m;
}

void UpperCaseInPlace(std::string& s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
}

std::string ShowControls(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string shown;
  shown.reserve(text.size());
  for (char c : text) {
    auto code = static_cast<unsigned char>(c);
    if (code < 32 || code == 127) {
      shown += "\\x";
      shown += kHex[code >> 4];
      shown += kHex[code & 15];
    } else {
      shown += c;
    }
  }
  return shown;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return upper(x) == upper(y); });
}

bool CheckFileName(const std::string& name, const std::function<void(const std::string&)>& showInfo) {
  if (name.empty()) return false;
  std::size_t first = name.find_first_not_of(' ');
  std::size_t last = name.find_last_not_of(' ');
  if (first != std::string::npos && (first > 0 || last + 1 < name.size())) {
    showInfo("error in string: " + std::to_string(first + 1) + " " + std::to_string(last + 1) + "   New length = " +
             std::to_string(last - first + 1) + " * " + name.substr(first, last - first + 1) + " *");
  }
  std::size_t allowed = 0;
  std::size_t points = 0;
  for (char c : name) {
    bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    if (letter || IsDigitChar(c) || c == '-' || c == '_' || c == '.') ++allowed;
    if (c == '.') ++points;
  }
  std::size_t point = name.find('.');
  std::size_t baseLength = point == std::string::npos ? name.size() : point;
  std::size_t extensionLength = point == std::string::npos ? 0 : name.size() - point - 1;
  return baseLength >= 1 && extensionLength <= 3 && points <= 1 && allowed == name.size();
}

LineWords SplitWords(std::string text) {
  LineWords line;
  line.text = std::move(text);
  ForEachWord(line.text, [&](std::string_view word) {
    line.Words.emplace_back(word);
    line.Kinds.push_back(ClassifyWord(word));
    return true;
  });
  return line;
}

LineWords SplitUpperCaseLine(std::string line) {
  UpperCaseInPlace(line);
  return SplitWords(std::move(line));
}

LineWords FileLineWords(std::string line) {
  UpperCaseInPlace(line);
  std::replace(line.begin(), line.end(), ',', '.');
  return SplitWords(std::move(line));
}

}  // namespace s2v
