// Writes small SPSS system files with libreadstat's writer, so that the
// import's tests need no other program to make their inputs.
#pragma once

#include <readstat.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
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

// A system file of one string variable s of that width whose print format
// is format (a writer may give it another width than the variable's).
inline std::string WriteSavString(std::size_t width, const char* format, const std::vector<std::string>& values) {
  std::string bytes;
  readstat_writer_t* writer = readstat_writer_init();
  readstat_set_data_writer(writer, [](const void* data, size_t size, void* context) -> ssize_t {
    static_cast<std::string*>(context)->append(static_cast<const char*>(data), size);
    return static_cast<ssize_t>(size);
  });
  readstat_variable_t* s = readstat_add_variable(writer, "s", READSTAT_TYPE_STRING, width);
  readstat_variable_set_format(s, format);
  readstat_begin_writing_sav(writer, &bytes, static_cast<long>(values.size()));
  for (const std::string& value : values) {
    readstat_begin_row(writer);
    readstat_insert_string_value(writer, s, value.c_str());
    readstat_end_row(writer);
  }
  readstat_end_writing(writer);
  readstat_writer_free(writer);
  return bytes;
}

// A Stata file of the release (117 and later) with a number n and a strL
// variable t, one case a text; an empty text is no text.
inline std::string WriteStataStrls(long release, const std::vector<std::string>& texts) {
  std::string bytes;
  readstat_writer_t* writer = readstat_writer_init();
  readstat_set_data_writer(writer, [](const void* data, size_t size, void* context) -> ssize_t {
    static_cast<std::string*>(context)->append(static_cast<const char*>(data), size);
    return static_cast<ssize_t>(size);
  });
  readstat_writer_set_file_format_version(writer, release);
  readstat_variable_t* n = readstat_add_variable(writer, "n", READSTAT_TYPE_INT16, 0);
  readstat_variable_t* t = readstat_add_variable(writer, "t", READSTAT_TYPE_STRING_REF, 0);
  std::vector<readstat_string_ref_t*> refs;
  for (const std::string& text : texts) refs.push_back(readstat_add_string_ref(writer, text.c_str()));
  readstat_begin_writing_dta(writer, &bytes, static_cast<long>(texts.size()));
  for (std::size_t i = 0; i < texts.size(); ++i) {
    readstat_begin_row(writer);
    readstat_insert_int16_value(writer, n, static_cast<int16_t>(i + 1));
    readstat_insert_string_ref(writer, t, texts[i].empty() ? nullptr : refs[i]);
    readstat_end_row(writer);
  }
  readstat_end_writing(writer);
  readstat_writer_free(writer);
  return bytes;
}

// A little-endian Stata file of release 104 or 105, as those releases lay
// it out, with the variables of the type codes ("d" double, "i" int, ...)
// named v1, v2, ...; each case its values as the bytes of their types, and
// after the data the old value labels of the set "lab", which the first
// variable uses.
inline std::string WriteOldStata(int release, const std::string& types, const std::vector<std::string>& cases,
                                 const std::vector<std::pair<std::int16_t, std::string>>& labels) {
  auto put = [](std::string& out, std::uint64_t value, int size) {
    for (int i = 0; i < size; ++i) out += static_cast<char>(value >> (8 * i) & 0xff);
  };
  auto fixed = [](std::string& out, const std::string& text, std::size_t size) {
    out += text.substr(0, size);
    out.append(size - std::min(size, text.size()), '\0');
  };
  std::string b;
  b += static_cast<char>(release);
  b += '\2';  // low byte first
  b += '\1';
  b += '\0';
  put(b, types.size(), 2);
  put(b, cases.size(), 4);
  fixed(b, "old file", 32);
  if (release >= 105) fixed(b, " 1 Jan 1990 10:00", 18);
  b += types;
  for (std::size_t i = 0; i < types.size(); ++i) fixed(b, "v" + std::to_string(i + 1), 9);
  b.append(2 * (types.size() + 1), '\0');
  for (std::size_t i = 0; i < types.size(); ++i) fixed(b, "%9.0g", release >= 105 ? 12 : 7);
  for (std::size_t i = 0; i < types.size(); ++i) fixed(b, i == 0 && !labels.empty() ? "lab" : "", 9);
  for (std::size_t i = 0; i < types.size(); ++i) fixed(b, "label " + std::to_string(i + 1), 32);
  if (release >= 105) b.append(3, '\0');
  for (const std::string& values : cases) b += values;
  if (!labels.empty()) {
    put(b, labels.size(), 2);
    fixed(b, "lab", 10);
    for (const auto& label : labels) put(b, static_cast<std::uint16_t>(label.first), 2);
    for (const auto& label : labels) fixed(b, label.second, 8);
  }
  return b;
}

// The bytes of a double, low byte first.
inline std::string DoubleBytes(double value) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  std::string out;
  for (int i = 0; i < 8; ++i) out += static_cast<char>(bits >> (8 * i) & 0xff);
  return out;
}

}  // namespace s2v
