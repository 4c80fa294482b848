// The standard descriptors 0, 1 and 2 are kept open: a program started with
// one of them closed (as some schedulers start programs) would otherwise give
// that number to the first file it opens, and its notices would be written
// into that file.
#pragma once

namespace s2v {

// Opens /dev/null (NUL on Windows) on each of the descriptors 0, 1 and 2 that
// is closed. On Windows they are also made binary, so that a line printed
// ends in LF alone, as on POSIX.
void OpenMissingStandardDescriptors();

}  // namespace s2v
