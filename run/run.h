// The conversion run: names and checks the files, copies the SPSS data,
// writes the project files and parses the definition.
#pragma once

#include "model/toolkit.h"
#include "support/working_folder.h"

namespace s2v {

// Stopped: a check failed; the files written up to it are in place.
// Interrupted: the user ended the run early, and no file was changed.
enum class RunOutcome { Completed, Stopped, Interrupted };

// The report's line after a stop or a failure that left the folder as it was.
inline constexpr const char* kFolderUnchanged = "No file was changed: the folder is as it was before the run";

// Runs on the SPC pane's lines in the working folder. A check that fails is a
// report line and stops the run; an input/output failure throws IoError to the
// command's boundary. A run is all or nothing: its files are written under
// passing names and put in place when it completes or stops at a check; when
// the user ends it, or a failure does, they are removed and the report ends
// with kFolderUnchanged. When the user finds the SPSS data file in another
// folder, folder becomes that one.
RunOutcome ExecuteProgram(Toolkit& toolkit, ShellState& shell, WorkingFolder& folder);

// An empty line, the message and another empty line in the report.
void ReportError(Toolkit& toolkit, const std::string& message);

}  // namespace s2v
