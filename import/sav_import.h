// The import of an SPSS system file: NAME.sav becomes, in its own folder, the
// export pair that a run reads, NAME.DAT (tab-delimited data) and NAME.TXT
// (File Info in the table layout). Both front ends call ImportSavFile.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "support/working_folder.h"

namespace s2v {

// Asked with a question such as "survey.DAT already exists. Replace it?"
// before an existing file is replaced; false keeps the files and ends the
// import without writing anything.
using ConfirmReplace = std::function<bool(const std::string& question)>;

struct ImportProgress {
  // Each report line as it is added.
  std::function<void(const std::string& line)> ReportLine;
  // The number of cases written so far, after every 1,000th case and at the
  // end: a window shows it and processes its pending messages.
  std::function<void(std::int64_t cases)> CasesWritten;
  // Asked with the progress: true ends the import there, leaving no file.
  std::function<bool()> StopRequested;
};

struct ImportResult {
  bool Done = false;                     // both files were written
  bool Stopped = false;                  // the user ended it early; nothing was written
  std::string BaseName;                  // NAME, the first word of the project definition
  std::vector<std::string> ReportLines;  // variables, cases and labels found
};

// Imports the system file savName of the folder, writing the pair beside it.
// A file that is not a system file, a name that the run would refuse and a
// refusal to replace are report lines with Done false. An input/output
// failure throws IoError; the files of the names are then left as they were.
ImportResult ImportSavFile(const WorkingFolder& folder, const std::string& savName,
                           const ConfirmReplace& confirmReplace, const ImportProgress& progress = {});

}  // namespace s2v
