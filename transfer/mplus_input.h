// The Mplus input file: the project's variables, the data file it reads and
// a commented template of the analysis.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/project_definition.h"
#include "support/byte_stream.h"

namespace s2v {

// Mplus drops whatever follows column 90 of an input line.
constexpr std::size_t kMplusLineLimit = 90;

// The name of project variable i (1-based) in the input file: its letter up to
// 26; above, "V" + i, since Mplus names ignore case and begin with a letter.
std::string MplusName(const VariableDefinition& variable, int i);

// Choice 2 lists every variable as categorical, choice 1 those spanning fewer
// than 10 values.
bool IsMplusCategorical(const VariableDefinition& variable, int choice);

// head, then " " + item for each item; before an item that would take the line
// past the limit, the line ends and the next begins with continuation.
void PutWrappedList(BufferedWriter& out, std::string_view head, std::string_view continuation,
                    const std::vector<std::string>& items);

void WriteMplusInput(BufferedWriter& out, const std::string& projectBase, const std::string& dataFileName,
                     const ProjectDefinition& definition, int choice);

}  // namespace s2v
