#include "run/shell_rules.h"

namespace s2v {

std::string ProjectNameOf(const std::string& fileName) {
  const std::size_t point = fileName.find('.');
  return point != std::string::npos && point >= 1 ? fileName.substr(0, point) : fileName;
}

const std::vector<std::string>& NewProjectTemplate() {
  static const std::vector<std::string> lines = {
      "SPSSdata", "Number of variables", "VAR1 min <cuts> max", "VAR2 min <cuts> max",
      "<-",       "VAR3 min <cuts> max", "VAR4 min <cuts> max"};
  return lines;
}

const std::vector<std::string>& OpenProjectTemplate() {
  static const std::vector<std::string> lines = {"SPSSDATA  <Existing VORNEX DAT file>",
                                                 "Number of variables",
                                                 "VAR1 min cuts max",
                                                 "VAR2 min cuts max",
                                                 "<-",
                                                 "VAR3 min cuts max",
                                                 "etc."};
  return lines;
}

std::vector<std::string> ImportProjectTemplate(const std::string& spssName) {
  std::vector<std::string> lines = OpenProjectTemplate();
  lines.front() = spssName;
  return lines;
}

bool ProjectExists(const WorkingFolder& folder, const std::string& projectName) {
  return folder.Exists(projectName + ".DEF");
}

}  // namespace s2v
