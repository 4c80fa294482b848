#include "model/project_names.h"

#include "support/text_scan.h"

namespace s2v {

FirstLineNames ReadFirstLineNames(const std::string& line1, const std::string& projectName) {
  FirstLineNames names;
  names.SpssName = ExtractWord(1, line1);
  names.PairGiven = CountWords(line1) >= 2;
  names.DataName = names.PairGiven ? ExtractWord(2, line1) : projectName;
  return names;
}

std::optional<std::string> RefuseSpssName(const std::string& spssName, const ShowInfoText& showInfo) {
  if (!CheckFileName(spssName + ".DAT", showInfo)) return "Invalid file names";
  return std::nullopt;
}

std::optional<std::string> RefuseDataName(const std::string& dataName, const ShowInfoText& showInfo) {
  if (!CheckFileName(dataName + ".DAT", showInfo)) return "Invalid filename : " + dataName + ".DAT";
  return std::nullopt;
}

std::optional<std::string> RefuseUnsafeNames(const std::string& spssName, const std::string& dataName,
                                             const std::string& projectName) {
  if (EqualIgnoringCase(dataName, spssName))
    return "The VORNEX data file " + dataName + ".DAT would replace the SPSS data file";
  if (projectName.empty() || projectName.find_first_of("/\\:") != std::string::npos || projectName == "." ||
      projectName == "..")
    return "Invalid project name : " + projectName;
  if (EqualIgnoringCase(projectName, spssName))
    return "The project text file " + projectName + ".TXT would replace the SPSS File Info file";
  return std::nullopt;
}

std::vector<std::string> RunOutputNames(const std::string& dataName, const std::string& projectName) {
  std::vector<std::string> outputs = {dataName + ".LAB", dataName + ".DAT"};
  for (const char* extension : {".TXT", ".DEF", ".VAR", ".CAT", ".SYS", ".TAB", ".inp", ".mpd", ".mln"})
    outputs.push_back(projectName + extension);
  return outputs;
}

std::optional<std::string> RefuseReplacingInputs(WorkingFolder& folder, const std::string& spssName,
                                                 const std::string& dataName, const std::string& projectName) {
  folder.ProtectInput(spssName + ".DAT");
  folder.ProtectInput(spssName + ".TXT");
  for (const std::string& output : RunOutputNames(dataName, projectName))
    if (auto input = folder.ProtectedInput(output)) return output + " would replace the input file " + *input;
  return std::nullopt;
}

std::string MissingSpssDataText(const std::string& spssName) { return spssName + ".DAT does not exist here."; }

}  // namespace s2v
