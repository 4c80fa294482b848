#include "run/data_copy.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "model/project_definition.h"
#include "support/export_byte_classes.h"
#include "support/export_reader.h"
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

  // Copies the fields of cases from p on while they are plain numbers or
  // empty, case ends included, up to the first field that needs more care:
  // any other field, a surplus or missing value, a line end other than CR LF
  // or LF, a long field, or one that does not end before end. Returns the
  // start of that field. p starts a field of a case, in a filling handed to
  // NewFilling.
  const char* PlainFields(const char* p, const char* end);
  // The read buffer holds new bytes [begin, end); their commas become points.
  void NewFilling(char* begin, const char* end) {
#if defined(S2V_SIMD)
    maps_.Classify(begin, end);
#else
    (void)begin;
    (void)end;
#endif
  }

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

  // Every "," of the export is read as a ".".
  static void PutWithPoints(BufferedWriter& out, std::string_view text) {
    for (std::size_t comma; (comma = text.find(',')) != std::string_view::npos; text.remove_prefix(comma + 1)) {
      out.Put(text.substr(0, comma));
      out.Put('.');
    }
    out.Put(text);
  }

  BufferedWriter data_;
  BufferedWriter labels_;
  const std::function<bool(std::int64_t)>& onCase_;
  CopyResult result_;
  std::vector<Separator> separators_;
#if defined(S2V_SIMD)
  ByteClassMaps maps_{kReadBufferSize};
#endif
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

[[gnu::noinline]] const char* RecordWriter::PlainFields(const char* p, const char* end) {
  const __m128i missing = _mm_setr_epi8('-', '9', '9', '9', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);

  std::span<char> room = data_.Reserve(kStepRoom);
  char* out = room.data();
  char* outLimit = out + room.size() - kStepRoom;

  const std::size_t fields = result_.HeaderFields;
  const Separator* const separators = separators_.data();
  const std::size_t plainFields = separators_.size();
  const ByteClassMaps::Reader maps = maps_.Read();
  std::size_t field = fieldIndex_;
  while (field < plainFields && p < end) {
    ByteClasses w = maps.Window(p);
    std::uint64_t stops = w.stops & ((std::uint64_t{1} << ByteClassMaps::kWindow) - 1);
    if (end - p < ByteClassMaps::kWindow) [[unlikely]]
      stops &= (std::uint64_t{1} << (end - p)) - 1;
    if (stops == 0) break;  // a long field, or one that goes on past end
    if (out > outLimit) {
      data_.CommitTo(out);
      room = data_.Reserve(kStepRoom);
      out = room.data();
      outLimit = out + room.size() - kStepRoom;
    }
    const Separator& separator = separators[field];
    std::memcpy(out, separator.text, 2);

    // A run of plain numbers, each ended by a tab, copied as it stands: up to
    // the first other stop, the first fault and the case's last value. Where
    // the run ends decides where the next one starts; the rare cuts are
    // branches, so that the processor need not wait for the fault and count
    // checks before it goes on to the next run.
    std::uint64_t tabs = w.tabs & stops;
    std::uint64_t otherStops = stops ^ tabs;
    tabs &= (otherStops & (0 - otherStops)) - 1;
    if (tabs != 0) {
      if (std::uint64_t fault = FirstFault(w, tabs); fault != 0) [[unlikely]] {
        tabs &= fault - 1;
        if (tabs == 0) goto single;
      }
      std::size_t count = CountBits(tabs);
      // At most one line end within the run, and no surplus value.
      std::size_t toLineEnd = separator.valuesToLineEnd;
      if (std::size_t most = std::min(toLineEnd + kValuesPerLine - 1, fields - field); count > most) [[unlikely]] {
        for (; count > most; --count) tabs ^= HighestBit(tabs);
      }
      auto length = static_cast<std::size_t>(63 - std::countl_zero(tabs));
      out += separator.length;
      StoreRun(out, p);
      // When a line of the output ends within the run, the blank for the tab
      // before the next line's first value becomes a line end and the rest of
      // the run moves one byte further on.
      bool lineEnd = count > toLineEnd;
      if (lineEnd) {
        std::size_t at = SelectBit(tabs, static_cast<unsigned>(toLineEnd));
        StoreRun(out + at + 1, p + at);
        out[at] = '\r';
        out[at + 1] = '\n';
      }
      out += length + lineEnd;
      field += count;
      p += length + 1;
      continue;
    }

  single:
    // The first field alone: an empty one, or the last of the case.
    std::uint64_t stop = stops & (0 - stops);
    const char* fieldEnd = p + std::countr_zero(stop);
    // A CR or LF ends the case when it has all its values; a CR that ends the
    // buffer waits for its LF.
    bool caseEnd = *fieldEnd != '\t';
    if (caseEnd && ((*fieldEnd != '\r' && *fieldEnd != '\n') || field + 1 != fields ||
                    (*fieldEnd == '\r' && fieldEnd + 1 == end) ||
                    (field == 0 && fieldEnd == p)))  // an empty line is no case: the careful path skips it
      break;
    auto length = static_cast<std::size_t>(fieldEnd - p);
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    std::uint64_t inField = stop - 1;
    std::uint64_t points = w.points & inField;
    std::uint64_t allowed = w.digits | w.points | (w.signs & 1);
    if (((inField & ~allowed) != 0) | ((w.digits & inField) == 0) | ((points & (points - 1)) != 0) |
        (length > kMaxPlainLength)) {
      if (inField != 0) break;
      v = missing;
      length = kMissingText.size();
    }
    out += separator.length;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), v);
    out += length;
    ++field;
    p = fieldEnd + 1;
    if (caseEnd) {
      if (*fieldEnd == '\r' && *p == '\n') ++p;
      out[0] = '\r';
      out[1] = '\n';
      out += 2;
      data_.CommitTo(out);
      field = 0;
      if (!onCase_(++result_.CaseCount)) {
        result_.Stopped = true;
        break;
      }
    }
  }
  data_.CommitTo(out);
  // Within a case's values the fields and the values are counted alike.
  fieldIndex_ = valueIndex_ = field;
  return p;
}

#else

const char* RecordWriter::PlainFields(const char* p, const char*) { return p; }

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
