// The tab-delimited data file that the run reads, written case by case as an
// SPSS tab-delimited export: the names in the first record, one case a
// record, fields separated by tabs, records ended by CR LF.
//
// Values are written as SPSS's own tab-delimited export writes them:
// - a user-missing value is written as its value, like any other value (the
//   export keeps the codes; the project's bounds decide what becomes of them);
// - a system-missing value is an empty field, which the run reads as -999;
// - a number is written with "." as the decimal point, without thousands
//   separators or exponent, in the fewest digits that read back as the same
//   double (so 7060.24 stays 7060.24 whatever its print format says, and a
//   date is the number of seconds SPSS keeps for it);
// - a string is written as it stands, trailing blanks dropped; a tab, CR, LF
//   or code 26 inside it becomes a blank, so that a record stays one record.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "support/byte_stream.h"

namespace s2v {

// A number as the data file holds it; a value that is not finite gives "".
std::string PlainNumber(double value);

class TabDataWriter {
 public:
  explicit TabDataWriter(BufferedWriter& out) : out_(out) {}

  // The first record: the variable names.
  void WriteNames(const std::vector<std::string>& names);

  // The values of one case, in variable order, each followed by EndCase()
  // after the last.
  void Number(double value);
  void SystemMissing();
  void String(std::string_view text);
  void EndCase();

 private:
  char* StartField(std::size_t size);

  BufferedWriter& out_;
  // The fields begun in the record.
  std::size_t field_ = 0;
  // For each variable, the decimals its numbers have needed (0 for none).
  std::vector<signed char> decimals_;
};

}  // namespace s2v
