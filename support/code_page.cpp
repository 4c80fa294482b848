#include "support/code_page.h"

#include <cstdint>
#include <cstring>

#include "support/platform_code_page.h"
#include "support/text_scan.h"
#include "support/windows_1252.h"

namespace s2v {
namespace {}  // namespace

std::pair<char32_t, std::size_t> DecodeUtf8(std::string_view text, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  std::size_t length = lead < 0x80                   ? 1
                       : lead >= 0xC2 && lead < 0xE0 ? 2
                       : lead >= 0xE0 && lead < 0xF0 ? 3
                       : lead >= 0xF0 && lead < 0xF5 ? 4
                                                     : 0;
  if (length == 0 || i + length > text.size()) return {0, 0};
  char32_t character = length == 1 ? lead : lead & (0x7F >> length);
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return {0, 0};
    character = character << 6 | (byte(i + k) & 0x3F);
  }
  constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  if (character < kLeast[length] || character > 0x10FFFF || (character >= 0xD800 && character < 0xE000)) return {0, 0};
  return {character, length};
}

namespace {

void PutUtf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | c >> 18);
    out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

bool IsUtf8Name(const std::string& upper) { return upper == "UTF-8" || upper == "UTF8"; }
bool IsWindows1252Name(const std::string& upper) {
  return upper == "WINDOWS-1252" || upper == "CP1252" || upper == "WINDOWS1252" || upper == "MS-ANSI";
}

}  // namespace

std::optional<CodePage> CodePage::Named(const std::string& name) {
  std::string upper = name;
  UpperCaseInPlace(upper);
  CodePage page;
  page.name_ = upper;
  if (IsUtf8Name(upper)) {
    page.name_ = "UTF-8";
    page.utf8_ = true;
    return page;
  }
  std::unordered_map<char32_t, char> bytes;
  if (IsWindows1252Name(upper)) {
    page.name_ = kDefaultCodePage;
    for (unsigned value = 0x80; value < 0x100; ++value)
      bytes.emplace(Windows1252Character(static_cast<unsigned char>(value)), static_cast<char>(value));
  } else if (std::optional<std::unordered_map<char32_t, char>> table = platform::EightBitTable(name)) {
    bytes = std::move(*table);
  } else {
    return std::nullopt;
  }
  page.bytes_ = std::make_shared<const std::unordered_map<char32_t, char>>(std::move(bytes));
  return page;
}

const CodePage& CodePage::Windows1252() {
  static const CodePage page = *Named(kDefaultCodePage);
  return page;
}

bool CodePage::Put(char32_t character, std::string& out) const {
  if (utf8_) {
    PutUtf8(character, out);
    return true;
  }
  std::optional<char> byte = ByteOf(character);
  out += byte.value_or('?');
  return byte.has_value();
}

std::string CodePage::FromUtf8(std::string_view text, bool& changed) const {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    auto [character, length] = DecodeUtf8(text, i);
    if (length == 0) {
      character = Windows1252Character(static_cast<unsigned char>(text[i]));
      length = 1;
    }
    if (!Put(character, out)) changed = true;
    i += length;
  }
  return out;
}

}  // namespace s2v
