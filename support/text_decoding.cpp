#include "support/text_decoding.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>

#include "support/windows_1252.h"

namespace s2v {
namespace {

constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
constexpr std::size_t kRawChunk = 1 << 16;

std::uint64_t Load8(const char* p) {
  std::uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return word;
}

// The length of the UTF-8 character that a lead byte begins; 0 for a byte
// that begins none.
std::size_t Utf8Length(unsigned char lead) {
  return lead < 0x80                   ? 1
         : lead >= 0xC2 && lead < 0xE0 ? 2
         : lead >= 0xE0 && lead < 0xF0 ? 3
         : lead >= 0xF0 && lead < 0xF5 ? 4
                                       : 0;
}

// Whether the bytes from i to the end may be the start of a character that
// the next bytes finish.
bool MayBeUnfinished(std::string_view text, std::size_t i) {
  const std::size_t length = Utf8Length(static_cast<unsigned char>(text[i]));
  if (length < 2 || i + length <= text.size()) return false;
  for (std::size_t k = i + 1; k < text.size(); ++k)
    if ((static_cast<unsigned char>(text[k]) & 0xC0) != 0x80) return false;
  return true;
}

// Valid UTF-8 that holds a character of more than one byte; a character cut
// by the end of a judged start that the file goes on after counts as valid.
bool LooksLikeUtf8(std::string_view text, bool cut) {
  bool multiByte = false;
  for (std::size_t i = 0; i < text.size();) {
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      ++i;
      continue;
    }
    auto [character, length] = DecodeUtf8(text, i);
    if (length == 0) return cut && multiByte && MayBeUnfinished(text, i);
    multiByte = true;
    i += length;
  }
  return multiByte;
}

// The UTF-16 character at in[i] (have bytes in all) and its length in bytes;
// length 0 when its second half may still come (more). A lone surrogate, or
// half a unit at the end, is U+FFFD.
std::pair<char32_t, std::size_t> Utf16At(const char* in, std::size_t i, std::size_t have, bool little, bool more) {
  auto unit = [&](std::size_t k) -> char32_t {
    const auto low = static_cast<unsigned char>(in[little ? k : k + 1]);
    const auto high = static_cast<unsigned char>(in[little ? k + 1 : k]);
    return low | high << 8;
  };
  if (i + 2 > have) return {0xFFFD, have - i};
  const char32_t first = unit(i);
  if (first < 0xD800 || first >= 0xE000) return {first, 2};
  if (first >= 0xDC00) return {0xFFFD, 2};
  if (i + 4 > have && more) return {0, 0};
  const char32_t second = i + 4 <= have ? unit(i + 2) : 0;
  if (second >= 0xDC00 && second < 0xE000) return {0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00), 4};
  return {0xFFFD, 2};
}

}  // namespace

DecodedSource::DecodedSource(ByteSource& raw, const CodePage& page, std::uint64_t followedLines)
    : raw_(raw), page_(page), followedLines_(followedLines) {}

TextEncoding DecodedSource::Encoding() {
  if (!judged_) Judge();
  return encoding_;
}

void DecodedSource::Judge() {
  judged_ = true;
  std::size_t got = 0;
  auto holdsLineEnd = [&] {
    return std::string_view(head_.data(), got).find_first_of("\r\n") != std::string_view::npos;
  };
  for (std::size_t want = kJudgedBytes;
       !rawEnded_ && want <= kMostJudgedBytes && (got < kJudgedBytes || !holdsLineEnd()); want *= 2) {
    head_.resize(want);
    while (got < head_.size()) {
      const std::size_t n = raw_.Read(head_.data() + got, head_.size() - got);
      if (n == 0) {
        rawEnded_ = true;
        break;
      }
      got += n;
    }
  }
  head_.resize(got);
  const std::string_view start(head_.data(), head_.size());
  if (start.substr(0, 3) == "\xEF\xBB\xBF") {
    encoding_ = TextEncoding::Utf8;
    headPos_ = 3;
  } else if (start.substr(0, 2) == "\xFF\xFE") {
    encoding_ = TextEncoding::Utf16LittleEndian;
    headPos_ = 2;
  } else if (start.substr(0, 2) == "\xFE\xFF") {
    encoding_ = TextEncoding::Utf16BigEndian;
    headPos_ = 2;
  } else if (LooksLikeUtf8(start, !rawEnded_)) {
    encoding_ = TextEncoding::Utf8;
  }
  // An 8-bit file is served as it stands; it needs no buffer of its own.
  if (encoding_ != TextEncoding::EightBit) buffer_.resize(kRawChunk);
}

std::size_t DecodedSource::Read(char* data, std::size_t size) {
  if (!judged_) Judge();
  if (size == 0) return 0;
  if (encoding_ == TextEncoding::EightBit) return TakeRaw(data, size);
  if (page_.IsUtf8() || size < 16 || !overflow_.empty()) return DecodeBuffered(data, size);
  if (encoding_ != TextEncoding::Utf8) {
    for (;;) {
      const std::size_t decoded = Utf16Into(data, size);
      if (decoded > 0) return decoded;
      if (!MoreRaw()) return DecodeBuffered(data, size);
    }
  }
  // UTF-8 into an 8-bit code page: read straight into data and decode there.
  for (;;) {
    std::size_t n = carry_.size();
    std::memcpy(data, carry_.data(), n);
    carry_.clear();
    const std::size_t got = TakeRaw(data + n, size - n);
    n += got;
    const bool atEnd = got == 0;
    const std::size_t decoded = Utf8InPlace(data, n, atEnd);
    Follow(data, decoded);
    if (decoded > 0 || atEnd) return decoded;
  }
}

std::size_t DecodedSource::Utf8InPlace(char* data, std::size_t size, bool atEnd) {
  std::size_t i = 0;
  while (i + 8 <= size && (Load8(data + i) & kHighBits) == 0) i += 8;
  std::size_t o = i;
  const std::string_view text(data, size);
  while (i < size) {
    const unsigned char lead = static_cast<unsigned char>(data[i]);
    if (lead < 0x80) {
      // Runs of plain ASCII move eight bytes at a time; each word is read
      // before the write that may cover it.
      for (; i + 8 <= size; i += 8, o += 8) {
        const std::uint64_t word = Load8(data + i);
        if (word & kHighBits) break;
        std::memcpy(data + o, &word, sizeof word);
      }
      while (i < size && static_cast<unsigned char>(data[i]) < 0x80) data[o++] = data[i++];
      continue;
    }
    if (!atEnd && MayBeUnfinished(text, i)) {
      carry_.assign(data + i, size - i);
      break;
    }
    auto [character, length] = DecodeUtf8(text, i);
    if (length == 0) {
      // A byte that is not part of UTF-8 is taken as its Windows-1252 character.
      character = Windows1252Character(lead);
      length = 1;
    }
    i += length;
    data[o] = ByteFor(character, o);
    ++o;
  }
  return o;
}

std::size_t DecodedSource::TakeRaw(char* to, std::size_t size) {
  if (headPos_ < head_.size()) {
    const std::size_t n = std::min(size, head_.size() - headPos_);
    std::memcpy(to, head_.data() + headPos_, n);
    headPos_ += n;
    return n;
  }
  if (rawEnded_) return 0;
  const std::size_t n = raw_.Read(to, size);
  rawEnded_ = n == 0;
  return n;
}

char DecodedSource::ByteFor(char32_t character, std::size_t at) {
  const std::optional<char> byte = page_.ByteOf(character);
  if (!byte) NoteChange(at);
  return byte.value_or('?');
}

void DecodedSource::NoteChange(std::size_t at) {
  ++changed_;
  if (places_.size() + pendingChanges_.size() < kPlacedChanges) pendingChanges_.push_back(at);
}

std::size_t DecodedSource::Utf16Into(char* data, std::size_t size) {
  // The raw bytes: an unfinished character of the last read, then new ones,
  // two for each byte of data (or four for a pair of surrogates).
  if (buffer_.size() < 2 * size) buffer_.resize(2 * size);
  std::size_t have = carry_.size();
  std::memcpy(buffer_.data(), carry_.data(), have);
  carry_.clear();
  const std::size_t wanted = 2 * size - 4;
  while (have < wanted)
    if (const std::size_t got = TakeRaw(buffer_.data() + have, wanted - have); got > 0)
      have += got;
    else
      break;
  const char* in = buffer_.data();
  const bool little = encoding_ == TextEncoding::Utf16LittleEndian;
  const std::uint64_t asciiMask = little ? 0xFF80FF80FF80FF80ULL : 0x80FF80FF80FF80FFULL;
  const bool more = MoreRaw();
  std::size_t i = 0;
  std::size_t o = 0;
  while (i + 2 <= have) {
    // Four ASCII characters at a time.
    if (i + 8 <= have) {
      std::uint64_t word = Load8(in + i);
      if ((word & asciiMask) == 0) {
        if (!little) word >>= 8;
        data[o] = static_cast<char>(word);
        data[o + 1] = static_cast<char>(word >> 16);
        data[o + 2] = static_cast<char>(word >> 32);
        data[o + 3] = static_cast<char>(word >> 48);
        i += 8;
        o += 4;
        continue;
      }
    }
    const auto [character, length] = Utf16At(in, i, have, little, more);
    if (length == 0) break;
    i += length;
    data[o] = ByteFor(character, o);
    ++o;
  }
  // Half a unit at the very end is left to the buffered decoding.
  carry_.assign(in + i, have - i);
  Follow(data, o);
  return o;
}

void DecodedSource::PutCharacter(char32_t character, std::string& out) {
  const std::size_t at = out.size();
  if (!page_.Put(character, out)) NoteChange(at);
}

std::size_t DecodedSource::DecodeBuffered(char* data, std::size_t size) {
  while (overflow_.size() < size) {
    const std::string_view chunk(buffer_.data(), TakeRaw(buffer_.data(), buffer_.size()));
    const bool atEnd = chunk.empty();
    std::string bytes = carry_;
    bytes.append(chunk);
    carry_.clear();
    std::string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    if (encoding_ == TextEncoding::Utf8) {
      while (i < bytes.size()) {
        if (!atEnd && MayBeUnfinished(bytes, i)) break;
        auto [character, length] = DecodeUtf8(bytes, i);
        if (length == 0) {
          character = Windows1252Character(static_cast<unsigned char>(bytes[i]));
          length = 1;
        }
        PutCharacter(character, out);
        i += length;
      }
    } else {
      // Half a unit is kept for the next chunk, and at the end is U+FFFD.
      const bool little = encoding_ == TextEncoding::Utf16LittleEndian;
      while (i + 2 <= bytes.size() || (atEnd && i < bytes.size())) {
        const auto [character, length] = Utf16At(bytes.data(), i, bytes.size(), little, !atEnd);
        if (length == 0) break;
        PutCharacter(character, out);
        i += length;
      }
    }
    carry_ = bytes.substr(i);
    Follow(out.data(), out.size());
    overflow_.append(out);
    if (atEnd) break;
  }
  const std::size_t n = std::min(size, overflow_.size());
  std::memcpy(data, overflow_.data(), n);
  overflow_.erase(0, n);
  return n;
}

void DecodedSource::Follow(const char* data, std::size_t size) {
  std::size_t next = 0;
  auto placeUpTo = [&](std::size_t at) {
    for (; next < pendingChanges_.size() && pendingChanges_[next] <= at; ++next)
      places_.push_back({line_ <= followedLines_ ? line_ : 0, field_});
  };
  if (places_.size() < kPlacedChanges) {
    for (std::size_t i = 0; i < size && line_ <= followedLines_; ++i) {
      placeUpTo(i);
      const char c = data[i];
      if (afterCr_ && c == '\n') {
        afterCr_ = false;
        continue;
      }
      afterCr_ = c == '\r';
      if (c == '\r' || c == '\n') {
        ++line_;
        field_ = 1;
      } else if (c == '\t') {
        ++field_;
      }
    }
  }
  placeUpTo(SIZE_MAX);
  pendingChanges_.clear();
}

std::string ChangedCharactersLine(const std::string& fileName, const CodePage& page, std::uint64_t count,
                                  const std::vector<std::string>& places) {
  if (count == 0) return {};
  std::string line = std::to_string(count) + (count == 1 ? " character" : " characters") + " of " + fileName +
                     " that " + page.Name() + " lacks became \"?\"";
  if (!places.empty()) {
    line += ": ";
    for (std::size_t i = 0; i < places.size(); ++i) line += (i > 0 ? ", " : "") + places[i];
  }
  return line;
}

}  // namespace s2v
