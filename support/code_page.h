// The code page of what the program writes. Texts come in as Unicode (the
// import's library hands them over in UTF-8; SPSS's own exports may be UTF-8
// or UTF-16) and are written in Windows-1252, as SPSS's own exports on Windows
// and VORNEX have them, unless the user asks for another 8-bit code page or
// for UTF-8.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace s2v {

// The character that starts at text[i] and its length in bytes; 0 bytes when
// no well-formed UTF-8 character starts there.
std::pair<char32_t, std::size_t> DecodeUtf8(std::string_view text, std::size_t i);

inline constexpr const char* kDefaultCodePage = "WINDOWS-1252";

class CodePage {
 public:
  // The code page of that name (any name iconv knows for an 8-bit code page,
  // or UTF-8), compared without regard to case; none for a name that is not
  // known or not of an 8-bit code page.
  static std::optional<CodePage> Named(const std::string& name);
  static const CodePage& Windows1252();

  const std::string& Name() const { return name_; }

  // The text in this code page. A character that the code page cannot hold
  // becomes "?"; a byte that is not part of UTF-8 is taken as the
  // Windows-1252 character of that byte (older files keep their texts so).
  // changed is set when a character became "?".
  std::string FromUtf8(std::string_view text, bool& changed) const;

  bool IsUtf8() const { return utf8_; }
  // The byte of a character of an 8-bit code page, or nothing when the code
  // page lacks it.
  std::optional<char> ByteOf(char32_t character) const {
    if (character < 0x80) return static_cast<char>(character);
    auto found = bytes_->find(character);
    if (found == bytes_->end()) return std::nullopt;
    return found->second;
  }
  // Appends the character, or "?" (then returns false).
  bool Put(char32_t character, std::string& out) const;

 private:
  CodePage() = default;

  std::string name_;
  bool utf8_ = false;
  // The byte of each character above 127 that the code page holds.
  std::shared_ptr<const std::unordered_map<char32_t, char>> bytes_;
};

}  // namespace s2v
