// The 8-bit code pages on POSIX: those that iconv knows.
#include <iconv.h>

#include <cerrno>

#include "support/platform_code_page.h"

namespace s2v::platform {

std::optional<std::unordered_map<char32_t, char>> EightBitTable(const std::string& name) {
  // An empty name would be the code page of the locale.
  if (name.empty()) return std::nullopt;
  iconv_t converter = iconv_open("UTF-32LE", name.c_str());
  if (converter == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::unordered_map<char32_t, char> bytes;
  bool eightBit = true;
  for (unsigned value = 0x20; value < 0x100 && eightBit; ++value) {
    if (value == 0x7F) continue;
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    char in = static_cast<char>(value);
    unsigned char out[8] = {};
    char* inPointer = &in;
    char* outPointer = reinterpret_cast<char*>(out);
    std::size_t inLeft = 1;
    std::size_t outLeft = sizeof out;
    const std::size_t result = iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft);
    if (result == static_cast<std::size_t>(-1)) {
      // A byte the code page leaves undefined is no character; one that only
      // begins a character is not of an 8-bit code page.
      eightBit = errno == EILSEQ;
      continue;
    }
    if (sizeof out - outLeft != 4) {
      eightBit = false;
      continue;
    }
    const char32_t character = out[0] | out[1] << 8 | out[2] << 16 | static_cast<char32_t>(out[3]) << 24;
    if (value < 0x80)
      eightBit = character == value;
    else
      bytes.emplace(character, in);
  }
  iconv_close(converter);
  if (!eightBit) return std::nullopt;
  return bytes;
}

}  // namespace s2v::platform
