#include "support/io_error.h"

#include <cerrno>

namespace s2v {

IoError::IoError(IoErrorCode code, int osError)
    : std::runtime_error(IoErrorMessage(code, osError)), code_(code), osError_(code == kOsError ? osError : 0) {}

IoError IoError::OnFile(IoErrorCode code, const std::string& name, int osError) {
  return IoError(code, IoErrorMessage(code, osError) + " (" + name + ")", osError);
}

std::string IoErrorText(IoErrorCode code, int osError) {
  switch (code) {
    case kFileNotFound: return "File not found";
    case kInvalidFilename: return "Invalid filename";
    case kTooManyOpenFiles: return "Too many open files";
    case kFileAccessDenied: return "File access denied";
    case kReadBeyondEnd: return "Read beyond end of file";
    case kDiskFull: return "Disk full";
    case kInvalidNumericInput: return "Invalid numeric input";
    case kFileNotOpen: return "I/O error 103";
    case kOsError: break;
  }
  return "I/O error " + std::to_string(osError);
}

std::string IoErrorMessage(IoErrorCode code, int osError) {
  std::string text = IoErrorText(code, osError);
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  return text;
}

IoError IoErrorFromErrno(int err) {
  switch (err) {
    case ENOENT: return IoError(kFileNotFound);
    case ENAMETOOLONG:
    case ENOTDIR:
    case EINVAL: return IoError(kInvalidFilename);
    case EMFILE:
    case ENFILE: return IoError(kTooManyOpenFiles);
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
    case EEXIST:
    case ELOOP:  // a link where a file is written
    case ENXIO:  // a FIFO without reader, a device without its unit
    case ETXTBSY: return IoError(kFileAccessDenied);
    case ENOSPC:
#ifdef EDQUOT  // not in the Windows C library
    case EDQUOT:
#endif
    case EIO: return IoError(kDiskFull);
    default: return IoError(kOsError, err);
  }
}

void ThrowErrno(int err) { throw IoErrorFromErrno(err); }

}  // namespace s2v
