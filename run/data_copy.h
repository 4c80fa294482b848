// The data copy: a tab-delimited SPSS export becomes the VORNEX data file
// (values, -999 for missing, 15 to a line) and the label file (the names of
// the first record); the names are read back from the label file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "support/byte_stream.h"
#include "support/export_reader.h"

namespace s2v {

struct CopyResult {
  std::int64_t CaseCount = 0;
  // The copy ended early, at a whole case, because onCase asked it to.
  bool Stopped = false;
  // Cases with fewer or more fields than the header, padded with -999 or cut.
  std::int64_t FittedCount = 0;
  std::size_t HeaderFields = 0;
};

// How the copy reads the export. Both give the same bytes: the vector path
// copies runs of plain numbers a block at a time (on processors with SSE2),
// the plain path reads every field on its own; tests and the fuzzer compare
// the two.
enum class CopyPath { Fastest, Plain };

// Copies the export. onCase is called after each case with the count so far;
// when it answers false the copy ends there, both files complete up to that
// case. Memory does not grow with the length of a line or field.
CopyResult CopySpssData(ByteSource& spssData, ByteSink& vornexData, ByteSink& labels,
                        const std::function<bool(std::int64_t)>& onCase, CopyPath path = CopyPath::Fastest);

// The dataset's names: per label line its first word, upper case, cut to 20
// characters; a line without words keeps its place as an empty name.
std::vector<std::string> ReadDatasetNames(ByteSource& labels);

}  // namespace s2v
