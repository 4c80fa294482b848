// The input/output failure: a file that cannot be opened, created, read or
// written, or a number that cannot be read back. It ends the current command.
#pragma once

#include <stdexcept>
#include <string>

namespace s2v {

// Runtime error codes shown to the user.
enum IoErrorCode : int {
  kFileNotFound = 2,
  kInvalidFilename = 3,
  kTooManyOpenFiles = 4,
  kFileAccessDenied = 5,
  kReadBeyondEnd = 100,
  kDiskFull = 101,
  kInvalidNumericInput = 106,
};

class IoError : public std::runtime_error {
 public:
  explicit IoError(int code);
  int code() const { return code_; }

 private:
  int code_;
};

// The text of an error code, e.g. "Disk full" or "I/O error 13".
std::string IoErrorText(int code);

// The text as the user sees it: a full stop is added when the text ends in a
// character that sorts after "." (a letter or a digit).
std::string IoErrorMessage(int code);

// The error code for an operating-system errno.
int IoErrorCodeFromErrno(int err);

// Throws the IoError for errno.
[[noreturn]] void ThrowErrno(int err);

}  // namespace s2v
