// The widths of a system file's variables, read from its dictionary: the
// library gives a string's width only in whole segments of 8 bytes, and
// some writers give a string a print format of another width than its own.
#pragma once

#include <cstddef>
#include <vector>

#include "import/file_reader.h"

namespace s2v {

// The width of each variable in the order the library lists them (0 for a
// number, the bytes of a string, a very long string's whole width); empty
// when the dictionary cannot be followed.
std::vector<std::size_t> SavVariableWidths(const ImportBytes& bytes);

}  // namespace s2v
