// The names that a project definition's first line gives, and the refusals of
// names that a run does not accept. The run and the definition check share
// them, so that both give the same messages.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/working_folder.h"

namespace s2v {

struct FirstLineNames {
  std::string SpssName;  // word 1: the base name of the SPSS export pair
  std::string DataName;  // word 2, or the project name when there is none
  bool PairGiven = false;
};

FirstLineNames ReadFirstLineNames(const std::string& line1, const std::string& projectName);

using ShowInfoText = std::function<void(const std::string&)>;

// The refusal of an SPSS base name that is not a plain file name. A name with
// blanks around it is first shown through showInfo.
std::optional<std::string> RefuseSpssName(const std::string& spssName, const ShowInfoText& showInfo);
// The same for the VORNEX data pair's name.
std::optional<std::string> RefuseDataName(const std::string& dataName, const ShowInfoText& showInfo);

// Refuses names that would make the run replace one of its own inputs or
// write outside the working folder.
std::optional<std::string> RefuseUnsafeNames(const std::string& spssName, const std::string& dataName,
                                             const std::string& projectName);

// The files a run writes, in the order it first writes them.
std::vector<std::string> RunOutputNames(const std::string& dataName, const std::string& projectName);

// Marks the SPSS pair as inputs of the folder, then refuses a run one of
// whose outputs would be an input (under another name, through a link or a
// hard link): "survey_project.VAR would replace the input file
// survey_project.VAR".
std::optional<std::string> RefuseReplacingInputs(WorkingFolder& folder, const std::string& spssName,
                                                 const std::string& dataName, const std::string& projectName);

// The longest name of a file in a folder, in bytes.
inline constexpr std::size_t kLongestFileName = 255;

// The first sentence of the question a run asks when the SPSS data file is
// not in the working folder.
std::string MissingSpssDataText(const std::string& spssName);

}  // namespace s2v
