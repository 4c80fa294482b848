// Runs a piece of work in a child process of the batch program: a library
// that brings its process down on a damaged file (the import's) then ends the
// child, and the program still reports it, removes what the child had begun
// and exits with its own status.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "support/working_folder.h"

namespace s2v {

// Tells the parent the name of a file of the folder that the work begins
// under a passing name, before it writes it.
using PassingNote = std::function<void(const std::string& name)>;

struct ApartOutcome {
  int status = 0;             // the work's result, when it returned
  std::optional<int> signal;  // the signal that ended the child instead
  bool stopAsked = false;     // SIGINT, SIGTERM or SIGHUP reached the program meanwhile
};

// Runs work in a child process and waits for it. When a signal ended the
// child, the files it noted are removed from the folder. Standard output and
// error are shared, flushed before the child starts and before it ends.
//
// The child ends with the program: a stop signal to the program meanwhile
// is passed on to the child as SIGTERM, which the work sees through its own
// handler and stops at its next step; a second one ends the child at once.
// The program itself waits for the child, however many signals come, and
// should the program be killed outright the child is sent SIGTERM. Throws
// IoError when no child can be started.
ApartOutcome RunApart(const WorkingFolder& folder, const std::function<int(const PassingNote&)>& work);

}  // namespace s2v
