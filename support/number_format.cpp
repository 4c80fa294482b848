#include "support/number_format.h"

namespace s2v {

std::string FormatFixed(double value, int decimals) {
  char buffer[400];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  return std::string(buffer, result.ptr);
}

namespace {

std::string WithoutNegativeZero(std::string text) {
  if (text.find_first_not_of("-0.") == std::string::npos && text.front() == '-') text.erase(0, 1);
  return text;
}

}  // namespace

std::string FormatShortest(double value) {
  char buffer[400];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  return WithoutNegativeZero(std::string(buffer, result.ptr));
}

std::string FormatRounded(double value, int decimals) {
  std::string text = FormatFixed(value, decimals);
  if (text.find('.') != std::string::npos) {
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') text.pop_back();
  }
  return WithoutNegativeZero(std::move(text));
}

}  // namespace s2v
