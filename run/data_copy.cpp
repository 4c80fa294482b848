#include "run/data_copy.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "model/project_definition.h"
#include "support/export_field_rules.h"
#include "support/export_reader.h"
#include "support/plain_field_scan.h"
#include "support/simd.h"
#include "support/text_scan.h"

namespace s2v {

namespace {

constexpr std::size_t kValuesPerLine = 15;
constexpr std::string_view kMissingText = "-999";
// Large buffers keep the system calls few; a quarter MiB each stays in cache.
constexpr std::size_t kReadBufferSize = 1 << 18;
constexpr std::size_t kWriteBufferSize = 1 << 18;

// Writes one record at a time. Fields of the first record go to the label
// file; every later record is one case of exactly HeaderFields values.
class RecordWriter {
 public:
  RecordWriter(ByteSink& vornexData, ByteSink& labels, const std::function<bool(std::int64_t)>& onCase)
      : data_(vornexData, kWriteBufferSize), labels_(labels), onCase_(onCase) {}

  // A piece of a header name that runs over the end of the buffer: the label
  // file takes it as it comes, so a name of any length is not held whole.
  void NamePiece(std::string_view piece) { PutWithPoints(labels_, piece); }

  void EndField(std::string_view field) {
    if (inHeader_) {
      PutWithPoints(labels_, field);
      labels_.EndLine();
      ++result_.HeaderFields;
    } else if (fieldIndex_ < result_.HeaderFields) {
      ScannedField value = ScanField(field);
      if (value.Kind == FieldKind::Number)
        PutValue(value.Text, value.HasComma);
      else
        PutValue(kMissingText, false);
    }
    ++fieldIndex_;
  }

  void EndRecord(std::string_view lastField) {
    EndField(lastField);
    if (inHeader_) {
      inHeader_ = false;
      BuildSeparators();
    } else {
      if (fieldIndex_ != result_.HeaderFields) ++result_.FittedCount;
      for (std::size_t i = fieldIndex_; i < result_.HeaderFields; ++i) PutValue(kMissingText, false);
      data_.EndLine();
      result_.Stopped = !onCase_(++result_.CaseCount);
    }
    fieldIndex_ = 0;
    valueIndex_ = 0;
  }

  bool Stopped() const { return result_.Stopped; }

  bool InHeader() const { return inHeader_; }
  // A field of the current record has ended.
  bool InRecord() const { return fieldIndex_ > 0; }

  // Copies what ScanPlainFields takes from p on, p the start of a field of a
  // case in the filling handed to NewFilling; returns where it stopped.
  const char* PlainFields(const char* p, const char* end) {
#if defined(S2V_AVX2)
    if (simd::HasBitInstructions()) return PlainFieldsWithBitInstructions(p, end);
#endif
    return CopyPlainFields<false>(p, end);
  }
  // The read buffer holds new bytes [begin, end); their commas become points.
  void NewFilling(char* begin, const char* end) { maps_.Classify(begin, end); }

  CopyResult Finish() {
    data_.Flush();
    labels_.Flush();
    return result_;
  }

 private:
  void PutValue(std::string_view text, bool hasComma) {
    if (valueIndex_ > 0) {
      if (valueIndex_ % kValuesPerLine == 0)
        data_.EndLine();
      else
        data_.Put(' ');
    }
    if (hasComma)
      PutWithPoints(data_, text);
    else
      data_.Put(text);
    ++valueIndex_;
  }

  // What stands before a case's value: nothing before the first, a line end
  // before the 16th, 31st, ..., a blank before the others.
  struct Separator {
    char text[2];
    std::uint8_t length;
    std::uint8_t valuesToLineEnd;  // this and the values after it on its line
  };
  // The separators of the first values of a case, for the plain-number copy.
  static constexpr std::size_t kMaxSeparators = 1 << 14;
  void BuildSeparators() {
    separators_.resize(std::min(result_.HeaderFields, kMaxSeparators));
    for (std::size_t i = 0; i < separators_.size(); ++i) {
      auto toLineEnd = static_cast<std::uint8_t>(kValuesPerLine - i % kValuesPerLine);
      if (i == 0)
        separators_[i] = {{' ', ' '}, 0, toLineEnd};
      else if (i % kValuesPerLine == 0)
        separators_[i] = {{'\r', '\n'}, 2, toLineEnd};
      else
        separators_[i] = {{' ', ' '}, 1, toLineEnd};
    }
  }

  static void PutWithPoints(BufferedWriter& out, std::string_view text) {
    s2v::PutWithPoints(text, [&out](std::string_view piece) { out.Put(piece); });
  }

  // bitCount: the processor counts bits itself.
  template <bool bitCount>
  const char* CopyPlainFields(const char* p, const char* end);
#if defined(S2V_AVX2)
  [[gnu::target("popcnt,bmi,bmi2,lzcnt"), gnu::noinline]] const char* PlainFieldsWithBitInstructions(const char* p,
                                                                                                     const char* end) {
    return CopyPlainFields<true>(p, end);
  }
#endif

  BufferedWriter data_;
  BufferedWriter labels_;
  const std::function<bool(std::int64_t)>& onCase_;
  CopyResult result_;
  std::vector<Separator> separators_;
  ByteClassMaps maps_{kReadBufferSize};
  bool inHeader_ = true;
  std::size_t fieldIndex_ = 0;
  std::size_t valueIndex_ = 0;
};

#if defined(S2V_SIMD)

// The output of one step: a separator of up to two bytes, a run stored whole
// as 64 bytes, and its tail stored again one byte further on.
constexpr std::size_t kStepRoom = 2 + 64 + 1 + 64;
constexpr unsigned kMaxPlainLength = 16;

// Every tab of a run becomes a blank (its commas are points already); 64
// bytes are stored, of which the caller keeps the run's.
void StoreRun(char* out, const char* p) {
  const __m128i tab = _mm_set1_epi8('\t');
  const __m128i tabToBlank = _mm_set1_epi8(' ' - '\t');
  for (int i = 0; i < 64; i += 16) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    v = _mm_add_epi8(v, _mm_and_si128(_mm_cmpeq_epi8(v, tab), tabToBlank));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), v);
  }
}

// Per byte value and rank r, the position of its r+1-th set bit (8 if none).
constexpr std::array<std::array<std::uint8_t, 8>, 256> kBitOfRank = [] {
  std::array<std::array<std::uint8_t, 8>, 256> table{};
  for (unsigned byte = 0; byte < 256; ++byte) {
    table[byte].fill(8);
    for (unsigned bit = 0, rank = 0; bit < 8; ++bit)
      if (byte & (1u << bit)) table[byte][rank++] = static_cast<std::uint8_t>(bit);
  }
  return table;
}();

// The position of the k-th set bit of x, counting from 1, without a branch:
// the running counts of the bytes pick the byte, a table the bit in it.
// Meaningful only for 1 <= k <= CountBits(x).
std::size_t SelectBit(std::uint64_t x, unsigned k) {
  constexpr std::uint64_t kOnes = 0x0101010101010101u;
  constexpr std::uint64_t kHighs = 0x8080808080808080u;
  std::uint64_t counts = x - ((x >> 1) & 0x5555555555555555u);
  counts = (counts & 0x3333333333333333u) + ((counts >> 2) & 0x3333333333333333u);
  counts = (counts + (counts >> 4)) & 0x0f0f0f0f0f0f0f0fu;
  std::uint64_t running = counts * kOnes;  // byte i: the set bits of bytes 0 to i
  std::uint64_t reached = ((running | kHighs) - k * kOnes) & kHighs;
  unsigned byte = static_cast<unsigned>(std::countr_zero(reached | (kHighs << 56))) / 8;
  unsigned before = static_cast<unsigned>((running << 8) >> (8 * byte)) & 0xff;
  unsigned bits = static_cast<unsigned>(x >> (8 * byte)) & 0xff;
  return 8 * byte + kBitOfRank[bits][(k - before - 1) & 7];
}

template <bool bitCount>
[[gnu::always_inline]] inline const char* RecordWriter::CopyPlainFields(const char* p, const char* end) {
  // Writes the scan's fields as they stand, each after its separator.
  struct Taker {
    RecordWriter& writer;
    const Separator* const separators;
    char* out = nullptr;
    char* outLimit = nullptr;
    const Separator* separator = nullptr;

    void Reserve() {
      std::span<char> room = writer.data_.Reserve(kStepRoom);
      out = room.data();
      outLimit = out + room.size() - kStepRoom;
    }
    void Step(std::size_t field) {
      if (out > outLimit) {
        writer.data_.CommitTo(out);
        Reserve();
      }
      separator = &separators[field];
      std::memcpy(out, separator->text, 2);
    }
    // At most one line end within a run.
    std::size_t MostInRun() const { return separator->valuesToLineEnd + kValuesPerLine - 1; }
    // The run is copied as it stands. When a line of the output ends within
    // it, the blank for the tab before the next line's first value becomes a
    // line end and the rest of the run moves one byte further on.
    void Run(const char* p, std::size_t length, std::uint64_t tabs, std::size_t count, const ByteClasses&,
             std::size_t) {
      const std::size_t toLineEnd = separator->valuesToLineEnd;
      out += separator->length;
      StoreRun(out, p);
      const bool lineEnd = count > toLineEnd;
      if (lineEnd) {
        const std::size_t at = SelectBit(tabs, static_cast<unsigned>(toLineEnd));
        StoreRun(out + at + 1, p + at);
        out[at] = '\r';
        out[at + 1] = '\n';
      }
      out += length + lineEnd;
    }
    // A field alone is stored with one 16-byte store; an empty one as missing.
    bool Field(std::size_t, const char* p, std::size_t length, std::uint64_t, unsigned) {
      if (length > kMaxPlainLength) return false;
      __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      if (length == 0) {
        v = _mm_setr_epi8('-', '9', '9', '9', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
        length = kMissingText.size();
      }
      out += separator->length;
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out), v);
      out += length;
      return true;
    }
    bool EndCase() {
      out[0] = '\r';
      out[1] = '\n';
      out += 2;
      writer.data_.CommitTo(out);
      writer.result_.Stopped = !writer.onCase_(++writer.result_.CaseCount);
      return !writer.result_.Stopped;
    }
  };
  Taker taker{*this, separators_.data()};
  taker.Reserve();
  std::size_t field = fieldIndex_;
  p = ScanPlainFields<bitCount>(maps_.Read(), p, end, result_.HeaderFields, separators_.size(), field, taker);
  data_.CommitTo(taker.out);
  // Within a case's values the fields and the values are counted alike.
  fieldIndex_ = valueIndex_ = field;
  return p;
}

#else

template <bool bitCount>
const char* RecordWriter::CopyPlainFields(const char* p, const char*) {
  return p;
}

#endif

}  // namespace

CopyResult CopySpssData(ByteSource& spssData, ByteSink& vornexData, ByteSink& labels,
                        const std::function<bool(std::int64_t)>& onCase, CopyPath path) {
  RecordWriter out(vornexData, labels, onCase);
  ReadExportRecords(spssData, out, kReadBufferSize, path == CopyPath::Fastest);
  return out.Finish();
}

std::vector<std::string> ReadDatasetNames(ByteSource& labels) {
  LineReader reader(labels);
  std::vector<std::string> names;
  while (!reader.AtEnd()) names.push_back(DatasetNameOf(reader.ReadLine()));
  return names;
}

}  // namespace s2v
