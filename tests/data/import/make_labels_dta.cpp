// Writes labels.dta: the data of make_labels.sps as a Stata 14 file (UTF-8),
// with an extended missing value (.a) in the data and among the labels.
// Build: g++ -std=c++20 make_labels_dta.cpp -lreadstat, run in tests/data/import.
#include <readstat.h>
#include <cstdio>
#include <string>

static ssize_t Write(const void* data, size_t size, void* context) {
  return static_cast<ssize_t>(std::fwrite(data, 1, size, static_cast<FILE*>(context)));
}

int main() {
  FILE* out = std::fopen("labels.dta", "wb");
  readstat_writer_t* w = readstat_writer_init();
  readstat_set_data_writer(w, Write);
  readstat_writer_set_file_format_version(w, 118);
  readstat_label_set_t* sexLabels = readstat_add_label_set(w, READSTAT_TYPE_INT32, "sexl");
  readstat_label_int32_value(sexLabels, 1, "M\xC3\xA4nnlich");
  readstat_label_int32_value(sexLabels, 2, "Weiblich");
  readstat_label_tagged_value(sexLabels, 'a', "keine Angabe");
  readstat_label_set_t* regionLabels = readstat_add_label_set(w, READSTAT_TYPE_INT32, "regionl");
  readstat_label_int32_value(regionLabels, 1, "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xAC\xCE\xB4\xCE\xB1");
  readstat_label_int32_value(regionLabels, 2, "\xC3\x96sterreich \xE2\x82\xAC");
  readstat_label_int32_value(regionLabels, 3, "Symbol \xE2\x9C\x93");
  readstat_variable_t* sex = readstat_add_variable(w, "SEX", READSTAT_TYPE_INT32, 0);
  readstat_variable_set_label_set(sex, sexLabels);
  readstat_variable_t* age = readstat_add_variable(w, "AGE", READSTAT_TYPE_DOUBLE, 0);
  readstat_variable_set_label(age, "Alter in Jahren \xE2\x80\x93 \xE2\x9C\x93");
  readstat_variable_set_format(age, "%9.1f");
  readstat_variable_t* region = readstat_add_variable(w, "REGION", READSTAT_TYPE_INT32, 0);
  readstat_variable_set_label(region, "Region");
  readstat_variable_set_label_set(region, regionLabels);
  readstat_variable_t* name = readstat_add_variable(w, "NAME", READSTAT_TYPE_STRING, 8);
  readstat_begin_writing_dta(w, out, 4);
  struct Row { int sex; double age; int region; const char* name; };
  const Row rows[] = {{1, 34, 1, "J\xC3\xBCrgen"}, {2, 51.5, 2, "Zo\xC3\xAB"}, {0, -1, 3, "Ana"}, {2, 28, 1, "Bj\xC3\xB6rn"}};
  for (const Row& r : rows) {
    readstat_begin_row(w);
    if (r.sex == 0) readstat_insert_tagged_missing_value(w, sex, 'a'); else readstat_insert_int32_value(w, sex, r.sex);
    if (r.age < 0) readstat_insert_missing_value(w, age); else readstat_insert_double_value(w, age, r.age);
    readstat_insert_int32_value(w, region, r.region);
    readstat_insert_string_value(w, name, r.name);
    readstat_end_row(w);
  }
  readstat_error_t e = readstat_end_writing(w);
  readstat_writer_free(w);
  std::fclose(out);
  if (e != READSTAT_OK) { std::fprintf(stderr, "%s\n", readstat_error_message(e)); return 1; }
  return 0;
}
