#include "import/stata_file.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string_view>

namespace s2v {
namespace {

constexpr std::string_view kMarked = "<stata_dta><header><release>";

// Reads exactly size bytes at offset; false at the end of the file. A size
// that the file cannot hold is refused before any memory is taken for it.
bool ReadExactly(const ImportBytes& bytes, std::uint64_t offset, std::uint64_t size, std::string& out) {
  if (offset > bytes.Size() || size > bytes.Size() - offset) return false;
  out.resize(size);
  return bytes.ReadAt(offset, out.data(), size) == size;
}

// An unsigned number of size bytes (up to 8) in the file's byte order.
std::uint64_t Unsigned(std::string_view field, bool bigEndian) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < field.size(); ++i) {
    const auto byte = static_cast<unsigned char>(field[bigEndian ? i : field.size() - 1 - i]);
    value = value << 8 | byte;
  }
  return value;
}

// The width in a record of a variable of an older release's type code.
std::uint64_t OldTypeWidth(unsigned char code) {
  switch (code) {
    case 'b': return 1;
    case 'i': return 2;
    case 'l':
    case 'f': return 4;
    case 'd': return 8;
    default: return code > 0x7f ? code - 0x7f : 0;
  }
}

// The width in a record of a variable of a type code of release 117 and
// later: a fixed string is its width, a strL a reference of 8 bytes.
constexpr unsigned kStrlType = 32768;
std::uint64_t TypeWidth(unsigned code) {
  if (code >= 1 && code <= 2045) return code;
  switch (code) {
    case kStrlType:
    case 65526: return 8;  // double
    case 65527:            // float
    case 65528: return 4;  // long
    case 65529: return 2;  // int
    case 65530: return 1;  // byte
    default: return 0;
  }
}

std::string UpToNul(std::string_view text) { return std::string(text.substr(0, text.find('\0'))); }

// A binary strL is written as text when its bytes are text: no control
// character but tab, CR and LF, and at most an ending NUL.
bool IsText(std::string_view bytes) {
  if (!bytes.empty() && bytes.back() == '\0') bytes.remove_suffix(1);
  return std::all_of(bytes.begin(), bytes.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 32 || c == '\t' || c == '\r' || c == '\n';
  });
}

}  // namespace

int StataReleaseOf(const ImportBytes& bytes) {
  char head[64];
  const std::string_view start(head, bytes.ReadAt(0, head, sizeof head));
  if (start.substr(0, kMarked.size()) == kMarked) {
    int release = 0;
    std::from_chars(start.data() + kMarked.size(), start.data() + start.size(), release);
    return release;
  }
  // The older releases begin with their number: 102 to 115.
  const int first = start.empty() ? 0 : static_cast<unsigned char>(start[0]);
  return first >= 100 && first <= 116 ? first : 0;
}

bool StataReleaseReadable(int release) { return release >= 104 && release <= 119; }

std::optional<OldStataLabels> ReadOldStataLabels(const ImportBytes& bytes, int release) {
  if (release > 105) return std::nullopt;
  std::string field;
  if (!ReadExactly(bytes, 0, 10, field)) return std::nullopt;
  const bool bigEndian = field[1] == 1;
  const std::uint64_t variables = Unsigned(std::string_view(field).substr(4, 2), bigEndian);
  const std::uint64_t cases = Unsigned(std::string_view(field).substr(6, 4), bigEndian);
  // The header, the data label and (from 105 on) the time stamp; then the
  // types, names, sort list, formats, label set names and variable labels.
  const std::uint64_t types = 10 + 32 + (release >= 105 ? 18 : 0);
  std::string typeCodes;
  if (!ReadExactly(bytes, types, variables, typeCodes)) return std::nullopt;
  std::uint64_t recordSize = 0;
  for (char code : typeCodes) {
    const std::uint64_t width = OldTypeWidth(static_cast<unsigned char>(code));
    if (width == 0) return std::nullopt;
    recordSize += width;
  }
  const std::uint64_t formatSize = release >= 105 ? 12 : 7;
  std::uint64_t at = types + variables * (1 + 9 + formatSize + 9 + 32) + 2 * (variables + 1);
  // Release 105 has expansion fields: a type byte and a 2-byte length each,
  // ended by a type and length of 0.
  if (release >= 105) {
    for (;;) {
      if (!ReadExactly(bytes, at, 3, field)) return std::nullopt;
      const std::uint64_t size = Unsigned(std::string_view(field).substr(1, 2), bigEndian);
      at += 3 + size;
      if (field[0] == 0 && size == 0) break;
    }
  }
  OldStataLabels labels;
  labels.DataEnd = at + cases * recordSize;
  if (labels.DataEnd > bytes.Size()) return std::nullopt;
  // Each set: the number of labels (2 bytes), the set's name (9 bytes and
  // one of padding), the values (2 bytes each), the labels (8 bytes each).
  // A set cut short by the end of the file is left out.
  at = labels.DataEnd;
  std::string values;
  std::string texts;
  while (ReadExactly(bytes, at, 12, field)) {
    const std::uint64_t count = Unsigned(std::string_view(field).substr(0, 2), bigEndian);
    const std::string name = UpToNul(std::string_view(field).substr(2, 9));
    if (!ReadExactly(bytes, at + 12, count * 2, values) || !ReadExactly(bytes, at + 12 + count * 2, count * 8, texts))
      break;
    for (std::uint64_t i = 0; i < count; ++i) {
      SavValueLabel label;
      label.Code.Number = static_cast<std::int16_t>(Unsigned(std::string_view(values).substr(i * 2, 2), bigEndian));
      label.Label = UpToNul(std::string_view(texts).substr(i * 8, 8));
      labels.Labels.emplace_back(name, std::move(label));
    }
    at += 12 + count * 10;
  }
  return labels;
}

std::optional<StataStrls> StataStrls::Of(const ImportBytes& bytes, int release) {
  if (release < 117) return std::nullopt;
  std::string head;
  if (!ReadExactly(bytes, 0, std::min<std::uint64_t>(bytes.Size(), 1024), head)) return std::nullopt;
  StataStrls strls;
  strls.release_ = release;
  // "<stata_dta><header><release>NNN</release><byteorder>MSF" and the
  // number of variables after "</byteorder><K>".
  constexpr std::size_t kOrder = kMarked.size() + 3 + 10 + 11;
  constexpr std::size_t kVariables = kOrder + 3 + 12 + 3;
  if (head.size() < kVariables + 4) return std::nullopt;
  strls.bigEndian_ = head.compare(kOrder, 3, "MSF") == 0;
  const std::uint64_t variables =
      Unsigned(std::string_view(head).substr(kVariables, release >= 119 ? 4 : 2), strls.bigEndian_);
  // The map: the offsets of the file's parts, 8 bytes each.
  const std::size_t map = head.find("</header><map>");
  if (map == std::string::npos) return std::nullopt;
  std::string offsets;
  if (!ReadExactly(bytes, map + 14, 14 * 8, offsets)) return std::nullopt;
  const auto part = [&](int i) { return Unsigned(std::string_view(offsets).substr(i * 8, 8), strls.bigEndian_); };
  const std::uint64_t typesAt = part(2) + std::string_view("<variable_types>").size();
  const std::uint64_t dataAt = part(9);
  const std::uint64_t strlsAt = part(10);
  std::string types;
  if (!ReadExactly(bytes, typesAt, variables * 2, types)) return std::nullopt;
  bool any = false;
  for (std::uint64_t i = 0; i < variables; ++i) {
    const auto code = static_cast<unsigned>(Unsigned(std::string_view(types).substr(i * 2, 2), strls.bigEndian_));
    const std::uint64_t width = TypeWidth(code);
    if (width == 0) return std::nullopt;
    strls.strl_.push_back(code == kStrlType);
    strls.offsetInRecord_.push_back(strls.recordSize_);
    strls.recordSize_ += width;
    any = any || code == kStrlType;
  }
  if (!any) return std::nullopt;
  std::string tag;
  if (!ReadExactly(bytes, dataAt, 6, tag) || tag != "<data>") return std::nullopt;
  strls.dataStart_ = dataAt + 6;
  if (!ReadExactly(bytes, strlsAt, 7, tag) || tag != "<strls>") return std::nullopt;
  // Each text: "GSO", v (4 bytes), o (8 bytes; 4 in release 117), its type
  // (129 binary, 130 text with an ending NUL), its size (4 bytes), its bytes.
  const std::size_t oSize = release == 117 ? 4 : 8;
  const std::size_t headSize = 3 + 4 + oSize + 1 + 4;
  std::string gso;
  for (std::uint64_t at = strlsAt + 7; ReadExactly(bytes, at, headSize, gso) && gso.compare(0, 3, "GSO") == 0;) {
    Entry entry;
    entry.V = static_cast<std::uint32_t>(Unsigned(std::string_view(gso).substr(3, 4), strls.bigEndian_));
    entry.O = Unsigned(std::string_view(gso).substr(7, oSize), strls.bigEndian_);
    const auto type = static_cast<unsigned char>(gso[7 + oSize]);
    entry.Size = static_cast<std::uint32_t>(Unsigned(std::string_view(gso).substr(8 + oSize, 4), strls.bigEndian_));
    entry.At = at + headSize;
    entry.Binary = type == 129;
    if (type != 129 && type != 130) return std::nullopt;
    if (entry.Binary) strls.binaryTypes_.push_back(at + 7 + oSize);
    strls.entries_.push_back(entry);
    at = entry.At + entry.Size;
  }
  std::sort(strls.entries_.begin(), strls.entries_.end());
  return strls;
}

StataStrls::Text StataStrls::TextOf(const ImportBytes& bytes, std::int64_t caseIndex, std::size_t variable) const {
  Text text;
  std::string reference;
  if (!ReadExactly(bytes, dataStart_ + static_cast<std::uint64_t>(caseIndex) * recordSize_ + offsetInRecord_[variable],
                   8, reference)) {
    text.LeftEmpty = true;
    return text;
  }
  // v and o in 8 bytes: 4 and 4 in release 117, 2 and 6 in 118, 3 and 5 in
  // 119 (libreadstat writes release 119 as 118). (0, 0) is the empty text.
  const std::string_view ref(reference);
  bool empty = false;
  const auto find = [&](std::size_t vSize) -> const Entry* {
    Entry key{};
    key.V = static_cast<std::uint32_t>(Unsigned(ref.substr(0, vSize), bigEndian_));
    key.O = Unsigned(ref.substr(vSize), bigEndian_);
    empty = key.V == 0 && key.O == 0;
    const auto at = std::lower_bound(entries_.begin(), entries_.end(), key);
    return at != entries_.end() && at->V == key.V && at->O == key.O ? &*at : nullptr;
  };
  const Entry* found = find(release_ == 117 ? 4 : release_ == 118 ? 2 : 3);
  if (found == nullptr && !empty && release_ >= 119) found = find(2);
  if (empty) return text;
  if (found == nullptr) {
    text.LeftEmpty = true;
    return text;
  }
  // A text ends at its NUL; one without an end within the longest text
  // there can be is cut there.
  if (!ReadExactly(bytes, found->At, std::min<std::size_t>(found->Size, kLongestStrlText + 1), text.Bytes) ||
      (found->Binary && !IsText(text.Bytes))) {
    text.Bytes.clear();
    text.LeftEmpty = true;
    return text;
  }
  if (const std::size_t end = text.Bytes.find('\0'); end != std::string::npos) {
    text.Bytes.resize(end);
  } else if (text.Bytes.size() > kLongestStrlText) {
    text.Bytes.resize(kLongestStrlText);
    text.Cut = true;
  }
  return text;
}

}  // namespace s2v
