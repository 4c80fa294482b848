// The 8-bit code pages that the system knows: iconv's on POSIX, the
// Windows code pages (by number or by their usual names) on Windows.
#pragma once

#include <optional>
#include <string>
#include <unordered_map>

namespace s2v::platform {

// The characters of the bytes above 127 of the 8-bit code page of that name;
// none when the system does not know it, or when it is not a code page of one
// byte a character that keeps the printable ASCII characters.
std::optional<std::unordered_map<char32_t, char>> EightBitTable(const std::string& name);

}  // namespace s2v::platform
