// Writes a large SPSS system file of numeric variables V1..VN for the tests
// that need an import to take a while: write-large-sav FILE CASES VARIABLES.
#include <readstat.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s FILE CASES VARIABLES\n", argv[0]);
    return 64;
  }
  std::FILE* out = std::fopen(argv[1], "wb");
  if (out == nullptr) return 2;
  const long cases = std::atol(argv[2]);
  const int count = std::atoi(argv[3]);
  readstat_writer_t* writer = readstat_writer_init();
  readstat_set_data_writer(writer, [](const void* data, size_t size, void* file) -> ssize_t {
    return static_cast<ssize_t>(std::fwrite(data, 1, size, static_cast<std::FILE*>(file)));
  });
  std::vector<readstat_variable_t*> variables;
  for (int i = 1; i <= count; ++i)
    variables.push_back(readstat_add_variable(writer, ("V" + std::to_string(i)).c_str(), READSTAT_TYPE_DOUBLE, 0));
  readstat_begin_writing_sav(writer, out, cases);
  for (long c = 0; c < cases; ++c) {
    readstat_begin_row(writer);
    for (int i = 0; i < count; ++i) readstat_insert_double_value(writer, variables[i], (c * 7 + i) % 90 + 0.5);
    readstat_end_row(writer);
  }
  const bool written = readstat_end_writing(writer) == READSTAT_OK;
  readstat_writer_free(writer);
  return std::fclose(out) == 0 && written ? 0 : 2;
}
