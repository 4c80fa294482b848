// The import of an SPSS system file (.sav, .zsav), an SPSS portable file
// (.por) or a Stata file (.dta): NAME.EXT becomes, in its own folder, the
// export pair that a run reads, NAME.DAT (tab-delimited data) and NAME.TXT
// (File Info in the table layout). Both front ends call ImportFile.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "support/code_page.h"
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
  // The name of each file written under a passing name, before it is
  // written: should the import's process end abnormally, whoever started it
  // removes them.
  std::function<void(const std::string& name)> PassingFile;
};

struct ImportResult {
  bool Done = false;                     // both files were written
  bool Stopped = false;                  // the user ended it early; nothing was written
  std::string BaseName;                  // NAME, the first word of the project definition
  std::vector<std::string> ReportLines;  // variables, cases and labels found
};

// Imports the file of that name in the folder, writing the pair beside it with
// its texts in the code page. A file that cannot be read, a name that the run
// would refuse and a refusal to replace are report lines with Done false. An
// input/output failure throws IoError; the files of the names are then left
// as they were.
// The base name of the pair that the import of fileName writes: the file's
// name without its extension, each blank made "_".
std::string ImportBaseName(const std::string& fileName);

ImportResult ImportFile(const WorkingFolder& folder, const std::string& fileName, const ConfirmReplace& confirmReplace,
                        const ImportProgress& progress = {}, const CodePage& codePage = CodePage::Windows1252());

}  // namespace s2v
