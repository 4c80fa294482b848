#include "import/tab_data_writer.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace s2v {
namespace {

// The longest fixed notation of a double: 309 digits before the point, or a
// point and 1074 digits after it, and a sign.
constexpr std::size_t kNumberBufferSize = 1100;

// Whole numbers up to this size are written through the integer conversion,
// which is several times faster than the shortest-digits search.
constexpr double kWholeLimit = 9007199254740992.0;  // 2^53

std::string_view FormatPlain(double value, char* buffer) {
  if (!std::isfinite(value)) return {};
  if (std::fabs(value) < kWholeLimit && value == std::trunc(value)) {
    auto result = std::to_chars(buffer, buffer + kNumberBufferSize, static_cast<std::int64_t>(value));
    return {buffer, static_cast<std::size_t>(result.ptr - buffer)};
  }
  auto result = std::to_chars(buffer, buffer + kNumberBufferSize, value, std::chars_format::fixed);
  return {buffer, static_cast<std::size_t>(result.ptr - buffer)};
}

bool BreaksRecord(char c) { return c == '\t' || c == '\r' || c == '\n' || c == 26; }

}  // namespace

std::string PlainNumber(double value) {
  char buffer[kNumberBufferSize];
  return std::string(FormatPlain(value, buffer));
}

void TabDataWriter::WriteNames(const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    StartField();
    PutText(name);
  }
  EndCase();
}

void TabDataWriter::Number(double value) {
  StartField();
  char buffer[kNumberBufferSize];
  out_.Put(FormatPlain(value, buffer));
}

void TabDataWriter::SystemMissing() { StartField(); }

void TabDataWriter::String(std::string_view text) {
  StartField();
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  PutText(text);
}

void TabDataWriter::EndCase() {
  out_.EndLine();
  firstField_ = true;
}

void TabDataWriter::StartField() {
  if (!firstField_) out_.Put('\t');
  firstField_ = false;
}

void TabDataWriter::PutText(std::string_view text) {
  for (char c : text) out_.Put(BreaksRecord(c) ? ' ' : c);
}

}  // namespace s2v
