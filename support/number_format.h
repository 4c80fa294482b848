// Numbers written to files: always "." as the decimal point, whatever the
// locale, and right-aligned in a field when a width is given (never cut).
#pragma once

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

namespace s2v {

inline std::string FormatInteger(std::int64_t value) {
  char buffer[24];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

// Fixed-point notation with the given number of decimals (no point for 0).
std::string FormatFixed(double value, int decimals);

// The shortest fixed-point text that reads back as the same value ("0.7",
// "3", "100000000000000000000"); never "-0".
std::string FormatShortest(double value);
// The value rounded to the given decimals, without trailing zeros ("0.7" for
// 0.704 and 2 decimals); never "-0".
std::string FormatRounded(double value, int decimals);

inline std::string RightAlign(std::string_view text, std::size_t width) {
  std::string result;
  if (text.size() < width) result.assign(width - text.size(), ' ');
  result += text;
  return result;
}

}  // namespace s2v
