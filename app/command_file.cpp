#include "app/command_file.h"

#include "support/working_folder.h"

namespace s2v {

void EnsureCommandFile(const WorkingFolder& folder) {
  if (folder.Exists("VORNEX.cmd")) return;
  FileSink file(folder, "VORNEX.cmd");
  file.Close();
}

}  // namespace s2v
