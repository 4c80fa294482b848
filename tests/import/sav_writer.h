// Writes small SPSS system files with libreadstat's writer, so that the
// import's tests need no other program to make their inputs.
#pragma once

#include <readstat.h>

#include <string>
#include <vector>

namespace s2v {

// A system file of numeric variables: names, then one row of values per case.
inline std::string WriteSav(const std::vector<std::string>& names, const std::vector<std::vector<double>>& rows) {
  std::string bytes;
  readstat_writer_t* writer = readstat_writer_init();
  readstat_set_data_writer(writer, [](const void* data, size_t size, void* context) -> ssize_t {
    static_cast<std::string*>(context)->append(static_cast<const char*>(data), size);
    return static_cast<ssize_t>(size);
  });
  std::vector<readstat_variable_t*> variables;
  for (const std::string& name : names)
    variables.push_back(readstat_add_variable(writer, name.c_str(), READSTAT_TYPE_DOUBLE, 0));
  readstat_begin_writing_sav(writer, &bytes, static_cast<long>(rows.size()));
  for (const std::vector<double>& row : rows) {
    readstat_begin_row(writer);
    for (std::size_t i = 0; i < variables.size(); ++i) readstat_insert_double_value(writer, variables[i], row[i]);
    readstat_end_row(writer);
  }
  readstat_end_writing(writer);
  readstat_writer_free(writer);
  return bytes;
}

// A Stata file of one single-precision (float) variable x.
inline std::string WriteStataFloats(const std::vector<float>& values) {
  std::string bytes;
  readstat_writer_t* writer = readstat_writer_init();
  readstat_set_data_writer(writer, [](const void* data, size_t size, void* context) -> ssize_t {
    static_cast<std::string*>(context)->append(static_cast<const char*>(data), size);
    return static_cast<ssize_t>(size);
  });
  readstat_variable_t* x = readstat_add_variable(writer, "x", READSTAT_TYPE_FLOAT, 0);
  readstat_begin_writing_dta(writer, &bytes, static_cast<long>(values.size()));
  for (float value : values) {
    readstat_begin_row(writer);
    readstat_insert_float_value(writer, x, value);
    readstat_end_row(writer);
  }
  readstat_end_writing(writer);
  readstat_writer_free(writer);
  return bytes;
}

}  // namespace s2v
