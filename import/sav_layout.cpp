#include "import/sav_layout.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

namespace s2v {
namespace {

class Cursor {
 public:
  Cursor(const ImportBytes& bytes, std::uint64_t at) : bytes_(bytes), at_(at) {}
  bool bigEndian = false;

  bool Bytes(std::size_t size, std::string& out) {
    if (at_ > bytes_.Size() || size > bytes_.Size() - at_) return false;
    out.resize(size);
    if (bytes_.ReadAt(at_, out.data(), size) != size) return false;
    at_ += size;
    return true;
  }
  void MoveTo(std::uint64_t at) { at_ = at; }
  bool Skip(std::uint64_t size) {
    at_ += size;
    return at_ <= bytes_.Size();
  }
  bool Int(std::int32_t& value) {
    std::string field;
    if (!Bytes(4, field)) return false;
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(field[bigEndian ? i : 3 - i]);
    value = static_cast<std::int32_t>(v);
    return true;
  }

 private:
  const ImportBytes& bytes_;
  std::uint64_t at_;
};

// The very long strings' record: "NAME=WIDTH" pairs, each ended by a NUL
// and a tab, NAME the variable's short name.
std::map<std::string, std::size_t> VeryLongWidths(std::string_view text) {
  std::map<std::string, std::size_t> widths;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\t'), text.size());
    std::string_view pair = text.substr(0, end);
    while (!pair.empty() && pair.back() == '\0') pair.remove_suffix(1);
    if (const std::size_t equal = pair.find('='); equal != std::string_view::npos) {
      std::size_t width = 0;
      std::from_chars(pair.data() + equal + 1, pair.data() + pair.size(), width);
      widths[std::string(pair.substr(0, equal))] = width;
    }
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  return widths;
}

}  // namespace

std::vector<std::size_t> SavVariableWidths(const ImportBytes& bytes) {
  Cursor in(bytes, 64);
  std::int32_t layout = 0;
  if (!in.Int(layout)) return {};
  if (layout != 2 && layout != 3) {
    in.MoveTo(64);
    in.bigEndian = true;
    if (!in.Int(layout) || (layout != 2 && layout != 3)) return {};
  }
  in.MoveTo(176);
  std::vector<std::string> shortNames;
  std::vector<std::size_t> widths;
  std::map<std::string, std::size_t> veryLong;
  std::string field;
  for (;;) {
    std::int32_t type = 0;
    if (!in.Int(type)) return {};
    if (type == 999) break;
    std::int32_t a = 0;
    std::int32_t b = 0;
    std::int32_t c = 0;
    if (type == 2) {
      std::int32_t width = 0;
      std::int32_t missing = 0;
      if (!in.Int(width) || !in.Int(a) || !in.Int(missing) || !in.Int(b) || !in.Int(c) || !in.Bytes(8, field))
        return {};
      if (a == 1) {
        std::int32_t size = 0;
        if (!in.Int(size) || size < 0 || !in.Skip((static_cast<std::uint64_t>(size) + 3) / 4 * 4)) return {};
      }
      if (!in.Skip(8 * static_cast<std::uint64_t>(std::abs(static_cast<std::int64_t>(missing))))) return {};
      if (width < 0) continue;  // the continuation of a string
      shortNames.push_back(field.substr(0, field.find_last_not_of(' ') + 1));
      widths.push_back(static_cast<std::size_t>(width));
    } else if (type == 3) {
      if (!in.Int(a) || a < 0) return {};
      for (std::int32_t i = 0; i < a; ++i) {
        if (!in.Skip(8) || !in.Bytes(1, field)) return {};
        if (!in.Skip((static_cast<unsigned char>(field[0]) + 8) / 8 * 8 - 1)) return {};
      }
    } else if (type == 4) {
      if (!in.Int(a) || a < 0 || !in.Skip(4 * static_cast<std::uint64_t>(a))) return {};
    } else if (type == 6) {
      if (!in.Int(a) || a < 0 || !in.Skip(80 * static_cast<std::uint64_t>(a))) return {};
    } else if (type == 7) {
      if (!in.Int(a) || !in.Int(b) || !in.Int(c) || b < 0 || c < 0) return {};
      const std::uint64_t size = static_cast<std::uint64_t>(b) * static_cast<std::uint64_t>(c);
      if (a == 14 && size < (1u << 24)) {
        if (!in.Bytes(static_cast<std::size_t>(size), field)) return {};
        veryLong = VeryLongWidths(field);
      } else if (!in.Skip(size)) {
        return {};
      }
    } else {
      return {};
    }
  }
  // A very long string is kept in segments of 255 bytes, each a variable of
  // its own in the dictionary; the library lists the first with the whole
  // width.
  std::vector<std::size_t> listed;
  for (std::size_t i = 0; i < widths.size(); ++i) {
    const auto found = veryLong.find(shortNames[i]);
    if (found == veryLong.end()) {
      listed.push_back(widths[i]);
      continue;
    }
    listed.push_back(found->second);
    // A width of 0 (a damaged record) still takes its own segment.
    i += std::max<std::size_t>((found->second + 251) / 252, 1) - 1;
  }
  return listed;
}

}  // namespace s2v
