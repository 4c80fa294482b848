// The 8-bit code pages on Windows: the system's code pages, by their number
// (CP1250, WINDOWS-1250, IBM850) or by the names of the ISO 8859 and KOI8
// pages.
#include <windows.h>

#include <charconv>

#include "support/platform_code_page.h"
#include "support/text_scan.h"

namespace s2v::platform {

namespace {

std::optional<UINT> NumberAfter(std::string_view name, std::string_view prefix) {
  if (!name.starts_with(prefix)) return std::nullopt;
  name.remove_prefix(prefix.size());
  UINT number = 0;
  auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), number);
  if (ec != std::errc() || end != name.data() + name.size()) return std::nullopt;
  return number;
}

// The Windows code page of a name as iconv spells it.
std::optional<UINT> CodePageNumber(std::string upper) {
  for (const char* prefix : {"CP", "WINDOWS-", "IBM", "IBM-"})
    if (auto number = NumberAfter(upper, prefix)) return *number;
  if (auto part = NumberAfter(upper, "ISO-8859-"); part && *part >= 1 && *part <= 15) return 28590 + *part;
  if (auto part = NumberAfter(upper, "ISO8859-"); part && *part >= 1 && *part <= 15) return 28590 + *part;
  if (upper == "LATIN1") return 28591;
  if (upper == "KOI8-R") return 20866;
  if (upper == "KOI8-U") return 21866;
  if (upper == "MACINTOSH" || upper == "MAC") return 10000;
  return std::nullopt;
}

}  // namespace

std::optional<std::unordered_map<char32_t, char>> EightBitTable(const std::string& name) {
  std::string upper = name;
  UpperCaseInPlace(upper);
  const std::optional<UINT> page = CodePageNumber(upper);
  CPINFO info;
  if (!page || !IsValidCodePage(*page) || !GetCPInfo(*page, &info) || info.MaxCharSize != 1) return std::nullopt;
  std::unordered_map<char32_t, char> bytes;
  for (unsigned value = 0x20; value < 0x100; ++value) {
    if (value == 0x7F) continue;
    const char in = static_cast<char>(value);
    wchar_t out[2];
    // A byte the code page leaves undefined is no character.
    if (MultiByteToWideChar(*page, MB_ERR_INVALID_CHARS, &in, 1, out, 2) != 1) continue;
    if (value < 0x80 && out[0] != static_cast<wchar_t>(value)) return std::nullopt;
    if (value >= 0x80) bytes.emplace(static_cast<char32_t>(out[0]), in);
  }
  return bytes;
}

}  // namespace s2v::platform
