// The standard descriptors on Windows: the C runtime's 0, 1 and 2, which a
// program started without a console or with them closed may lack. They are
// made binary: a line ends in LF on the console as on POSIX, not in CR LF.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <initializer_list>

#include "support/standard_descriptors.h"

namespace s2v {

void OpenMissingStandardDescriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (_get_osfhandle(fd) != -1) continue;
    const int opened = _open("NUL", _O_RDWR | _O_BINARY);
    if (opened >= 0 && opened != fd) {
      _dup2(opened, fd);
      _close(opened);
    }
  }
  for (std::FILE* stream : {stdin, stdout, stderr}) _setmode(_fileno(stream), _O_BINARY);
}

}  // namespace s2v
