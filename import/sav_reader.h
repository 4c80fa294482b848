// Reads an SPSS system file (.sav or compressed .zsav) with libreadstat: the
// dictionary first, then the cases one value at a time, so that no more than
// one case is ever held.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "import/sav_dictionary.h"
#include "support/working_folder.h"

namespace s2v {

// Receives what the reader finds, in file order. Dictionary() is called once,
// before the first value (also for a file without cases).
class SavCaseHandler {
 public:
  virtual ~SavCaseHandler() = default;
  virtual void Dictionary(const SavDictionary& dictionary) = 0;
  virtual void Number(double value) = 0;
  virtual void SystemMissing() = 0;
  virtual void String(std::string_view text) = 0;
  virtual void EndCase() = 0;
};

// Reads the file of that name in the working folder (matched without regard
// to case). Gives the reason when the file is not a system file that can be
// read; an exception thrown by the handler ends the reading and is passed on.
std::optional<std::string> ReadSavFile(const WorkingFolder& folder, const std::string& fileName,
                                       SavCaseHandler& handler);

}  // namespace s2v
