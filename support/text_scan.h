// Text scanning: lines cut into words at blanks, words classified as numbers
// or text, bounds measured for printing, file names checked.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "support/byte_stream.h"

namespace s2v {

// The order matters: a kind below Integer is not a number, a kind above
// Integer is a number with a point.
enum class WordKind : std::uint8_t {
  Empty = 0,
  Blank = 1,
  InnerBlank = 2,
  NotNumeric = 3,
  Integer = 4,
  Decimal = 5,
};

inline bool IsNumber(WordKind kind) { return kind >= WordKind::Integer; }

using SUBSTRTYPE = std::vector<std::string>;

// One line cut into words, with the kind of each word. There is no limit on
// the length of the line or the number of words.
struct LineWords {
  std::string text;
  SUBSTRTYPE Words;
  std::vector<WordKind> Kinds;

  std::size_t count() const { return Words.size(); }
  // Word n, 1-based; empty when there are fewer than n words.
  const std::string& Word(std::size_t n) const;
  WordKind Kind(std::size_t n) const;
};

inline bool IsDigitChar(char c) { return c >= '0' && c <= '9'; }
inline bool IsBlankChar(char c) { return c == ' '; }
inline bool IsNonBlankChar(char c) { return c != ' '; }

std::size_t CountWords(std::string_view s);
// The n-th word (1-based); empty when there are fewer than n words.
std::string ExtractWord(std::size_t n, std::string_view s);
// The same as a view into s, for scans that must not copy.
std::string_view WordAt(std::size_t n, std::string_view s);
WordKind ClassifyWord(std::string_view s);

struct NumberMeasure {
  int width = 0;
  int decimals = 0;
  bool notANumber = false;
};
// The printing width and the significant decimals of a bound's text.
NumberMeasure MeasureNumber(std::string_view s);

void UpperCaseInPlace(std::string& s);

// The text with every control character (codes 0 to 31 and 127) shown as
// \xNN, for a message that quotes what a file holds.
std::string ShowControls(std::string_view text);

// Compares two texts with the letters a..z taken as A..Z.
bool EqualIgnoringCase(std::string_view a, std::string_view b);

// Accepts a plain file name without folder, blanks or punctuation: a base of
// letters, digits, "-" and "_", at most one "." and an extension of at most
// three characters. A name with leading or trailing blanks is first shown
// through showInfo.
bool CheckFileName(const std::string& name, const std::function<void(const std::string&)>& showInfo);

// Cuts an already prepared text into words and classifies each.
LineWords SplitWords(std::string text);

// Upper-cases a line and cuts it into words (the project definition's lines).
LineWords SplitUpperCaseLine(std::string line);

// Upper-cases a line of a file, turns every "," into "." and cuts it into
// words.
LineWords FileLineWords(std::string line);

}  // namespace s2v
