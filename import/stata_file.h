// What the import reads of a Stata file's layout itself, where libreadstat
// falls short: the release; for releases up to 105 the end of the data and
// the value labels, which those releases keep in an older layout than the
// library reads; for releases 117 and later the texts of strL variables, which
// the library leaves empty in some files (little-endian release 119) and
// refuses in others (binary ones).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "import/file_reader.h"
#include "import/sav_dictionary.h"

namespace s2v {

// The longest text a strL value gives: SPSS's longest string.
inline constexpr std::size_t kLongestStrlText = 32767;

// The release of a Stata file, from its first bytes: the newer files say it
// in their header, the older ones begin with it. 0 when it cannot be told.
int StataReleaseOf(const ImportBytes& bytes);

// Whether the library reads files of the release.
bool StataReleaseReadable(int release);

// A file of release 105 or earlier: where its data end, and the value labels
// kept after them, in sets named as the variables name them.
struct OldStataLabels {
  std::uint64_t DataEnd = 0;
  std::vector<std::pair<std::string, SavValueLabel>> Labels;
};

// None when the file's layout cannot be followed (the library then says why).
std::optional<OldStataLabels> ReadOldStataLabels(const ImportBytes& bytes, int release);

// The strL texts of a file of release 117 or later.
class StataStrls {
 public:
  struct Text {
    std::string Bytes;
    bool LeftEmpty = false;  // binary data, or a reference to no text of the file
    bool Cut = false;        // longer than kLongestStrlText
  };

  // None when the file has no strL variable or its layout cannot be
  // followed.
  static std::optional<StataStrls> Of(const ImportBytes& bytes, int release);

  bool IsStrl(std::size_t variable) const { return variable < strl_.size() && strl_[variable]; }
  std::size_t Variables() const { return strl_.size(); }
  // The text of the strL variable in the case (both from 0).
  Text TextOf(const ImportBytes& bytes, std::int64_t caseIndex, std::size_t variable) const;
  // The offsets of the type bytes of the binary texts: the library refuses
  // a file that holds one, and is shown them as texts.
  const std::vector<std::uint64_t>& BinaryTypes() const { return binaryTypes_; }

 private:
  struct Entry {
    std::uint64_t O;
    std::uint32_t V;
    bool Binary;
    std::uint32_t Size;
    std::uint64_t At;  // of the bytes
    bool operator<(const Entry& other) const { return O != other.O ? O < other.O : V < other.V; }
  };

  int release_ = 0;
  bool bigEndian_ = false;
  std::uint64_t dataStart_ = 0;
  std::uint64_t recordSize_ = 0;
  std::vector<bool> strl_;
  std::vector<std::uint64_t> offsetInRecord_;
  // One entry for each text of the file, sorted: a text is kept once, and
  // every value that holds it refers to it.
  std::vector<Entry> entries_;
  std::vector<std::uint64_t> binaryTypes_;
};

}  // namespace s2v
