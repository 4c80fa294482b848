// Inputs as SPSS and editors write them: 8-bit text, UTF-8 with or without a
// byte order mark (SPSS's Unicode mode, the default since version 21), or
// UTF-16 with a mark. A DecodedSource hands an input to the readers as 8-bit
// text in the output code page, decoded once at the source, so that no reader
// has to know; an 8-bit input passes through byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "support/byte_stream.h"
#include "support/code_page.h"
#include "support/working_folder.h"

namespace s2v {

enum class TextEncoding { EightBit, Utf8, Utf16LittleEndian, Utf16BigEndian };

// Where a character that the output code page lacks stood in the decoded
// text: its line and the field of that line (fields end at tabs), from 1.
// Line 0 when the line was not followed that far.
struct ChangedCharacter {
  std::uint64_t Line = 0;
  std::uint64_t Field = 0;
};

class DecodedSource : public ByteSource {
 public:
  // A file without a mark is judged by its start: valid UTF-8 that holds a
  // character of more than one byte is read as UTF-8. The start is this
  // much, or as much more as the first line needs, up to kMostJudgedBytes.
  static constexpr std::size_t kJudgedBytes = 1 << 16;
  static constexpr std::size_t kMostJudgedBytes = 1 << 20;
  // How many changed characters are placed by line and field.
  static constexpr std::size_t kPlacedChanges = 8;

  // The code page must outlive the source. Lines are followed, to place
  // changed characters, up to followedLines:
  // the data file needs only its first record, where the names stand.
  explicit DecodedSource(ByteSource& raw, const CodePage& page = CodePage::Windows1252(),
                         std::uint64_t followedLines = UINT64_MAX);

  std::size_t Read(char* data, std::size_t size) override;

  // The encoding, judged from the start of the file (read then when needed).
  TextEncoding Encoding();
  // Characters the code page lacks, written as "?", so far; the first few
  // with their places.
  std::uint64_t ChangedCount() const { return changed_; }
  const std::vector<ChangedCharacter>& FirstChanged() const { return places_; }

 private:
  void Judge();
  // Decodes UTF-8 in place (it never grows in an 8-bit code page): data holds
  // size bytes, of which the decoded ones are returned; an unfinished
  // character at the end is kept for the next read.
  std::size_t Utf8InPlace(char* data, std::size_t size, bool atEnd);
  // Decodes UTF-16 into an 8-bit code page, from the raw buffer into data.
  std::size_t Utf16Into(char* data, std::size_t size);
  // Any other decoding, through the raw buffer and an overflow.
  std::size_t DecodeBuffered(char* data, std::size_t size);
  // Up to size raw bytes: the rest of the judged start, then the source's.
  // 0 only at the end.
  std::size_t TakeRaw(char* to, std::size_t size);
  bool MoreRaw() const { return headPos_ < head_.size() || !rawEnded_; }
  // The character at offset at of the decoded bytes, in the code page: its
  // byte, or "?" counted as changed.
  char ByteFor(char32_t character, std::size_t at);
  void PutCharacter(char32_t character, std::string& out);
  void NoteChange(std::size_t at);
  void Follow(const char* data, std::size_t size);

  ByteSource& raw_;
  const CodePage& page_;
  std::uint64_t followedLines_;
  bool judged_ = false;
  TextEncoding encoding_ = TextEncoding::EightBit;
  std::vector<char> head_;  // the judged start, served first
  std::size_t headPos_ = 0;
  bool rawEnded_ = false;
  std::string carry_;     // raw bytes of an unfinished character
  std::string overflow_;  // decoded bytes that did not fit the last read
  std::vector<char> buffer_;
  // Changes found in the bytes being decoded, as offsets into them, until
  // Follow() places them.
  std::vector<std::size_t> pendingChanges_;
  std::uint64_t changed_ = 0;
  std::vector<ChangedCharacter> places_;
  // The place of the next decoded byte.
  std::uint64_t line_ = 1;
  std::uint64_t field_ = 1;
  bool afterCr_ = false;
};

// A file of the working folder read as decoded text.
class TextFileSource : public ByteSource {
 public:
  TextFileSource(const WorkingFolder& folder, const std::string& name, const CodePage& page = CodePage::Windows1252(),
                 std::uint64_t followedLines = UINT64_MAX)
      : file_(folder, name), text_(file_, page, followedLines) {}
  std::size_t Read(char* data, std::size_t size) override { return text_.Read(data, size); }
  FileSource& File() { return file_; }
  DecodedSource& Text() { return text_; }

 private:
  FileSource file_;
  DecodedSource text_;
};

// The line that tells how many characters of a file were written as "?",
// naming the first few variables (or lines) they stood in; nothing when none
// was changed.
std::string ChangedCharactersLine(const std::string& fileName, const CodePage& page, std::uint64_t count,
                                  const std::vector<std::string>& places);

}  // namespace s2v
