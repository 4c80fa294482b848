// The project definition: line 2's variable count and one line per variable
// with its dataset name and the bounds of its categories; marker words
// beginning with "<" end blocks of variables.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/byte_stream.h"
#include "support/text_scan.h"

namespace s2v {

constexpr int kMaxVariables = 58;
// The most variables of a dataset that a run knows by name.
constexpr std::size_t kMaxDatasetVariables = 1600;
constexpr int kMaxCategories = 42;
constexpr std::size_t kMaxNameLength = 20;
constexpr std::int32_t kMissingCode = -999;

// The code of variable v (1-based) in the VORNEX files: "A".."Z", then the
// characters of codes 97 to 128.
char LetterFor(int v);

// The name by which a run knows a field of the export's first record, as it
// reads the field back from its label file: the first word, upper case, a
// comma read as a point, at most 20 characters; empty without a word.
std::string DatasetNameOf(std::string_view headerField);

struct VariableDefinition {
  char Letter = 0;
  std::size_t Line = 0;  // the line of the definition, counted from 1
  std::string Name;      // upper case, at most 20 characters
  bool found = false;
  std::int32_t DatasetColumn = 0;  // 1-based; 0 when not found
  int CategoryCount = 0;
  WordKind ValueKind = WordKind::Integer;
  // Index 0 .. CategoryCount: the lower end, the cut points, the upper end.
  // Category k (1-based) lies between Bounds[k - 1] and Bounds[k].
  std::vector<double> Bounds;
  std::vector<std::int32_t> WholeBounds;  // -999 for a bound with decimals
  std::vector<int> BoundWidths;
  std::vector<int> BoundDecimals;
};

struct ProjectDefinition {
  std::vector<VariableDefinition> Variables;
  std::vector<int> BlockEnds;
  int VariableCount() const { return static_cast<int>(Variables.size()); }
};

// The lines of a project definition. Lines without a character are only
// counted, so that a text of millions of empty lines takes no memory.
class SpcText {
 public:
  SpcText() = default;
  SpcText(const std::vector<std::string>& lines) {  // NOLINT: a vector of lines is a text
    for (const std::string& line : lines) Append(line);
  }
  SpcText(std::initializer_list<std::string> lines) {
    for (const std::string& line : lines) Append(line);
  }
  void Append(std::string line);
  std::size_t size() const { return count_; }
  // Line i, counted from 0; empty past the end.
  const std::string& operator[](std::size_t i) const;
  // Calls visit(i, line) for each line from..to-1 that is not empty.
  template <typename Visit>
  void ForEachLine(std::size_t from, std::size_t to, Visit visit) const {
    for (const auto& [i, line] : lines_)
      if (i >= from && i < to) visit(i, line);
  }

 private:
  std::vector<std::pair<std::size_t, std::string>> lines_;  // (index, text) of the lines that are not empty
  std::size_t count_ = 0;
};

// The lines of an SPC file as LineReader reads them.
SpcText ReadSpcText(ByteSource& source);

// Parses line 2 and the variable lines of spcLines (line 1 is spcLines[0]) and
// looks every name up in datasetNames. Returns the report message of the first
// error, or nothing when the definition is complete. Names not found are not
// an error here: see MissingNames.
std::optional<std::string> ParseProjectDefinition(const SpcText& spcLines, const std::string& projectBase,
                                                  const std::vector<std::string>& datasetNames,
                                                  ProjectDefinition& definition);

struct DefinitionProblem {
  std::size_t Line = 0;  // counted from 1
  std::string Message;
  // The text ended before the number of variable lines that line 2 gives.
  bool TextEnded = false;
};

// Parses as ParseProjectDefinition does, but goes on past a faulty variable
// line to the next one, so that every problem is found at once; the first
// problem is the error that ParseProjectDefinition gives. When line 2 holds no
// usable count, every later line with words is read as a variable line, up to
// 58 of them. The faulty lines' variables are left out of the definition.
std::vector<DefinitionProblem> FindDefinitionProblems(const SpcText& spcLines, const std::string& projectBase,
                                                      const std::vector<std::string>& datasetNames,
                                                      ProjectDefinition& definition);

// The names of the variables not found in the dataset, in definition order.
std::vector<std::string> MissingNames(const ProjectDefinition& definition);

}  // namespace s2v
