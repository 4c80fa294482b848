#include "support/io_error.h"

#include <cerrno>

namespace s2v {

IoError::IoError(int code) : std::runtime_error(IoErrorMessage(code)), code_(code) {}

std::string IoErrorText(int code) {
  switch (code) {
    case kFileNotFound: return "File not found";
    case kInvalidFilename: return "Invalid filename";
    case kTooManyOpenFiles: return "Too many open files";
    case kFileAccessDenied: return "File access denied";
    case kReadBeyondEnd: return "Read beyond end of file";
    case kDiskFull: return "Disk full";
    case kInvalidNumericInput: return "Invalid numeric input";
    default: return "I/O error " + std::to_string(code);
  }
}

std::string IoErrorMessage(int code) {
  std::string text = IoErrorText(code);
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  return text;
}

int IoErrorCodeFromErrno(int err) {
  switch (err) {
    case ENOENT: return kFileNotFound;
    case ENAMETOOLONG:
    case ENOTDIR:
    case EINVAL: return kInvalidFilename;
    case EMFILE:
    case ENFILE: return kTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
    case EEXIST: return kFileAccessDenied;
    case ENOSPC:
    case EIO: return kDiskFull;
    default: return err;
  }
}

void ThrowErrno(int err) { throw IoError(IoErrorCodeFromErrno(err)); }

}  // namespace s2v
