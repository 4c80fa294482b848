// Reads an SPSS system file (.sav, or compressed .zsav), an SPSS portable
// file (.por) or a Stata file (.dta) with libreadstat: the dictionary first,
// then the cases one value at a time, so that no more than one case is ever
// held. The library reads through handlers of ours, from a file opened and
// checked as every other input, or from memory.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "import/sav_dictionary.h"
#include "support/working_folder.h"

namespace s2v {

enum class ImportKind { SystemFile, PortableFile, StataFile };

// The bytes of a file to import, read where the library asks.
class ImportBytes {
 public:
  virtual ~ImportBytes() = default;
  virtual std::uint64_t Size() const = 0;
  // Reads up to size bytes at offset; fewer only at the end. Throws IoError.
  virtual std::size_t ReadAt(std::uint64_t offset, char* data, std::size_t size) const = 0;
};

class FileImportBytes : public ImportBytes {
 public:
  FileImportBytes(const WorkingFolder& folder, const std::string& name) : file_(folder, name) {}
  std::uint64_t Size() const override { return file_.Size(); }
  std::size_t ReadAt(std::uint64_t offset, char* data, std::size_t size) const override {
    return file_.ReadAt(offset, data, size);
  }

 private:
  FileSource file_;
};

class MemoryImportBytes : public ImportBytes {
 public:
  explicit MemoryImportBytes(std::string_view bytes) : bytes_(bytes) {}
  std::uint64_t Size() const override { return bytes_.size(); }
  std::size_t ReadAt(std::uint64_t offset, char* data, std::size_t size) const override;

 private:
  std::string_view bytes_;
};

// The kind of file by its first bytes; by the name's extension (.por, .dta)
// when they do not tell, and a system file when neither does.
ImportKind ImportKindOf(const ImportBytes& bytes, const std::string& name);

// Receives what the reader finds, in file order.
class ImportCaseHandler {
 public:
  virtual ~ImportCaseHandler() = default;
  // Once, before the first value (also for a file without cases): the
  // variables, without their value labels, which some kinds keep after the
  // data.
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

// Reads the file, handing its cases to the handler, and gives its whole
// dictionary with the value labels in dictionary. Gives the reason when the
// bytes are not a file of that kind that can be read; an exception thrown by
// the handler or by the bytes ends the reading and is passed on.
std::optional<std::string> ReadImportFile(const ImportBytes& bytes, ImportKind kind, ImportCaseHandler& handler,
                                          SavDictionary& dictionary);

}  // namespace s2v
