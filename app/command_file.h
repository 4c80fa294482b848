// The empty command file "VORNEX.cmd" that the window's start-up provides.
#pragma once

namespace s2v {

// Creates an empty "VORNEX.cmd" in the working folder unless a file of that
// name, compared without regard to case, is there. Throws IoError.
void EnsureCommandFile();

}  // namespace s2v
