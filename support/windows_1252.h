// Windows-1252, the code page of the pair and of VORNEX: every byte is the
// character of its own code except those from 128 to 159.
#pragma once

#include <array>

namespace s2v {

// The characters of the bytes 128 to 159; the five bytes the code page leaves
// undefined stand for the control characters of their numbers, so that they
// come back as the same bytes.
inline constexpr std::array<char32_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The character of a byte.
constexpr char32_t Windows1252Character(unsigned char byte) {
  return byte >= 0x80 && byte < 0xA0 ? kWindows1252High[byte - 0x80] : byte;
}

}  // namespace s2v
