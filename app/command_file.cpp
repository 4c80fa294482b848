#include "app/command_file.h"

#include "support/working_folder.h"

namespace s2v {

void EnsureCommandFile() {
  if (FileExists("VORNEX.cmd")) return;
  FileSink file("VORNEX.cmd");
  file.Close();
}

}  // namespace s2v
