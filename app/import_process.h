// The window's import runs in a process of its own, the window's program
// started again with --import-child: a damaged file that brings the reading
// library down ends that process, never the window and the definition the
// user has not saved. The two talk through the child's standard input and
// output, one line a message; the child asks the window at each step of its
// progress whether to go on, so that Stop and the questions behave as they do
// within one process.
#pragma once

#include <QString>
#include <string>

#include "import/file_import.h"
#include "support/working_folder.h"

namespace s2v {

inline constexpr const char* kImportChildOption = "--import-child";

// The child's side: main() calls it for "PROGRAM --import-child FOLDER FILE".
// Returns the process's exit status.
int RunImportChild(int argc, char** argv);

// The window's side: imports the file of the folder in a child process of
// that program, passing its questions, progress and report lines on. A child
// that ends abnormally leaves no file of its own behind and gives a report
// line saying so; a failure to start it or an input/output failure in it
// throws std::runtime_error with the message to show.
ImportResult ImportInChildProcess(const QString& program, const WorkingFolder& folder, const std::string& fileName,
                                  const ConfirmReplace& confirmReplace, const ImportProgress& progress);

}  // namespace s2v
