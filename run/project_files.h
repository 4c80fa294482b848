// The files of the VORNEX project that the run writes itself: the project
// text file's header, the definition file and the variable file.
#pragma once

#include <string>
#include <vector>

#include "model/project_definition.h"
#include "support/byte_stream.h"

namespace s2v {

struct TransferChoices {
  int Mplus = 0;
  int Mim = 0;
  int MLwin = 0;
};

void WriteProjectTextHeader(BufferedWriter& out, const std::string& spssName);

void WriteDefinitionFile(BufferedWriter& out, std::size_t datasetVariableCount, const std::string& dataName);

void WriteVariableFile(BufferedWriter& out, const ProjectDefinition& definition, const std::string& spssName,
                       const TransferChoices& choices);

}  // namespace s2v
