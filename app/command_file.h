// The empty command file "VORNEX.cmd" that the window's start-up provides.
#pragma once

#include "support/working_folder.h"

namespace s2v {

// Creates an empty "VORNEX.cmd" in the folder unless a file of that name,
// compared without regard to case, is there. Throws IoError.
void EnsureCommandFile(const WorkingFolder& folder);

}  // namespace s2v
