// The input/output failure: a file that cannot be opened, created, read or
// written, or a number that cannot be read back. It ends the current command.
#pragma once

#include <stdexcept>
#include <string>

namespace s2v {

// The runtime error codes shown to the user. kOsError stands for any other
// operating-system error, shown with its errno as "I/O error n".
enum IoErrorCode : int {
  kOsError = 0,
  kFileNotFound = 2,
  kInvalidFilename = 3,
  kTooManyOpenFiles = 4,
  kFileAccessDenied = 5,
  kReadBeyondEnd = 100,
  kDiskFull = 101,
  kFileNotOpen = 103,
  kInvalidNumericInput = 106,
};

class IoError : public std::runtime_error {
 public:
  // osError: the errno behind kOsError; ignored for the other codes.
  explicit IoError(IoErrorCode code, int osError = 0);
  // The failure on a file that the user must be told of by name: its text
  // is the message followed by the name in brackets, such as
  // "File access denied. (survey.DAT)".
  static IoError OnFile(IoErrorCode code, const std::string& name, int osError = 0);
  // The same failure, naming the file.
  IoError Naming(const std::string& name) const { return OnFile(code_, name, osError_); }
  IoErrorCode code() const { return code_; }
  // The number shown to the user: the code, or the errno behind kOsError.
  int number() const { return code_ == kOsError ? osError_ : code_; }

 private:
  IoError(IoErrorCode code, const std::string& text, int osError)
      : std::runtime_error(text), code_(code), osError_(code == kOsError ? osError : 0) {}
  IoErrorCode code_;
  int osError_;
};

// The text of an error, e.g. "Disk full" or, for kOsError, "I/O error 13".
std::string IoErrorText(IoErrorCode code, int osError = 0);

// The text as the user sees it: a full stop is added when the text ends in a
// character that sorts after "." (a letter or a digit).
std::string IoErrorMessage(IoErrorCode code, int osError = 0);

// The failure for an operating-system errno: the errors the user knows by
// name get their code, any other is kOsError with its errno, so that no errno
// can read as one of the runtime's own codes.
IoError IoErrorFromErrno(int err);

[[noreturn]] void ThrowErrno(int err);

}  // namespace s2v
