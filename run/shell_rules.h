// The rules of the shell's commands that both front ends follow: the project
// name taken from a file name, the SPC templates of New, Open and the import,
// and when a project counts as existing.
#pragma once

#include <string>
#include <vector>

#include "support/working_folder.h"

namespace s2v {

// The project name of a file name: the name up to its first ".", when that is
// not its first character ("survey_project.spc" gives "survey_project").
std::string ProjectNameOf(const std::string& fileName);

// The template that New puts into the SPC pane. Its first line is the one
// word a run reads as the SPSS base name, so that typing the name over it
// makes a line a run can use.
const std::vector<std::string>& NewProjectTemplate();
// The template that Open puts into the SPC pane for a file that is not there.
const std::vector<std::string>& OpenProjectTemplate();
// The template after an import: Open's, with the SPSS base name as its first
// line.
std::vector<std::string> ImportProjectTemplate(const std::string& spssName);

// A project exists when its definition file lies in the folder.
bool ProjectExists(const WorkingFolder& folder, const std::string& projectName);

}  // namespace s2v
