// The check of a project definition against its export, without a run and
// without writing a file: every error a run would stop at, with the run's own
// message texts, and warnings of what a run accepts without a word. The
// checks of lines and names read only the export's first record, so a window
// can run them as the user types; the checks of the values read the data once.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "model/project_definition.h"
#include "spssinfo/file_info_reader.h"
#include "support/byte_stream.h"
#include "support/working_folder.h"

namespace s2v {

enum class FindingKind { Error, Warning };

struct Finding {
  std::size_t Line = 0;  // of the definition, counted from 1
  FindingKind Kind = FindingKind::Error;
  // An error's message is the run's own text for it.
  std::string Message;
  std::string Hint;  // said after the message ("did you mean AGE?"); may be empty
  // A warning of a slip that a window marks as the user types, as it marks
  // errors: a tab between words, bounds that do not increase.
  bool MarkedAsTyped = false;
  std::string Text() const { return Hint.empty() ? Message : Message + "; " + Hint; }
};

// What the checks of lines and names need of the export.
struct ExportHead {
  bool DataFound = false;
  bool FileInfoFound = false;
  // The names of the first record as a run reads them back from its label
  // file: upper case, first word, at most 20 characters, each in its column.
  std::vector<std::string> DatasetNames;
};

struct DefinitionCheck {
  std::vector<Finding> Findings;  // in the order of the lines
  ProjectDefinition Definition;   // the variable lines that parse
  std::string SpssName;
  // The definition's last line that a run reads.
  std::size_t LastLine = 0;

  std::size_t Count(FindingKind kind) const;
  // A run would stop at one of its checks.
  bool RunStops() const { return Count(FindingKind::Error) > 0; }
};

// The checks of the lines and the names; reads nothing.
DefinitionCheck CheckDefinitionLines(const SpcText& spcLines, const std::string& projectName, const ExportHead& head);

// The checks of the values: the share of each variable's valid values that
// lie outside its lower and upper ends, and the categories that no case falls
// in. Reads the data once; the values that the File Info export (fileInfo
// opens it; may be null) declares missing do not count.
void CheckDefinitionValues(DefinitionCheck& check, ByteSource& data, const ExportOpener* fileInfo);

// The export pair's first record and which of its files exist.
ExportHead ReadExportHead(const WorkingFolder& folder, const std::string& spssName);

// The run's refusals of the files it would write: an output that would be
// an input (the SPSS pair, or the definition's own file spcName when it is
// given) and a name longer than a file name can be, with the run's texts.
void CheckOutputNames(DefinitionCheck& check, const WorkingFolder& folder, const SpcText& spcLines,
                      const std::string& projectName, const std::string& spcName);

// All checks on the files of a working folder; the values only when asked.
DefinitionCheck CheckDefinition(const WorkingFolder& folder, const SpcText& spcLines, const std::string& projectName,
                                bool checkValues, const std::string& spcName = {});

// The name of names that is nearest to name in spelling, when it is near
// enough to be a slip of the keyboard; empty when none is.
std::string NearestName(const std::string& name, const std::vector<std::string>& names);

}  // namespace s2v
