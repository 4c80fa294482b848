// Reads an SPSS system file (.sav or compressed .zsav) with libreadstat: the
// dictionary first, then the cases one value at a time, so that no more than
// one case is ever held.
#pragma once

#include <cstdint>
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

// Checks that the values a library hands over make whole cases: one value for
// each variable of the dictionary, in its order, and as many cases as the
// file announces. A damaged file can break either.
class CaseShape {
 public:
  explicit CaseShape(std::size_t variables) : variables_(variables) {}
  // The value of the variable at index (from 0) comes next. False when it is
  // not the one due; true, with caseEnded set, when it is.
  bool Value(std::size_t index, bool& caseEnded);
  std::int64_t Cases() const { return cases_; }
  // What is wrong, once every value was handed over: the value out of place,
  // a last case cut short, or a case count other than the announced one (-1:
  // not announced).
  std::optional<std::string> Fault(std::int64_t announcedCases) const;

 private:
  std::size_t variables_;
  std::size_t next_ = 0;
  std::int64_t cases_ = 0;
  bool outOfPlace_ = false;
};

// Reads the file of that name in the working folder (matched without regard
// to case). Gives the reason when the file is not a system file that can be
// read; an exception thrown by the handler ends the reading and is passed on.
std::optional<std::string> ReadSavFile(const WorkingFolder& folder, const std::string& fileName,
                                       SavCaseHandler& handler);

}  // namespace s2v
