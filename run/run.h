// The conversion run: names and checks the files, copies the SPSS data,
// writes the project files and parses the definition.
#pragma once

#include "model/toolkit.h"
#include "support/working_folder.h"

namespace s2v {

// Stopped: a check failed. Interrupted: the user ended the run early; every
// file is complete up to the last whole case.
enum class RunOutcome { Completed, Stopped, Interrupted };

// Runs on the SPC pane's lines in the working folder. A check that fails is a
// report line and stops the run; an input/output failure throws IoError to the
// command's boundary, leaving what was written on disk. When the user finds
// the SPSS data file in another folder, folder becomes that one.
RunOutcome ExecuteProgram(Toolkit& toolkit, ShellState& shell, WorkingFolder& folder);

// An empty line, the message and another empty line in the report.
void ReportError(Toolkit& toolkit, const std::string& message);

}  // namespace s2v
