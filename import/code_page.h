// The code page of the imported pair. libreadstat hands every text over in
// UTF-8, whatever the file's own encoding; the pair is written in Windows-1252
// (as SPSS's own exports on Windows, and VORNEX, have it) unless the user asks
// for another 8-bit code page or for UTF-8.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace s2v {

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

 private:
  CodePage() = default;
  // Appends the character, or "?" (then returns false).
  bool Put(char32_t character, std::string& out) const;

  std::string name_;
  bool utf8_ = false;
  // The byte of each character above 127 that the code page holds.
  std::shared_ptr<const std::unordered_map<char32_t, char>> bytes_;
};

}  // namespace s2v
