// The dataset columns of the project's variables, in project order: the
// fields that the transfers take from each case.
#pragma once

#include <cstddef>
#include <vector>

#include "model/project_definition.h"

namespace s2v {

inline std::vector<std::size_t> ProjectColumns(const ProjectDefinition& definition) {
  std::vector<std::size_t> columns;
  for (const VariableDefinition& variable : definition.Variables)
    columns.push_back(static_cast<std::size_t>(variable.DatasetColumn));
  return columns;
}

}  // namespace s2v
