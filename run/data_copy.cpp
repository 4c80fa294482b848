#include "run/data_copy.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "run/project_definition.h"
#include "support/text_scan.h"

namespace s2v {

namespace {

constexpr std::size_t kValuesPerLine = 15;
constexpr std::string_view kMissingText = "-999";
// Large buffers keep the system calls few; a quarter MiB each stays in cache.
constexpr std::size_t kReadBufferSize = 1 << 18;
constexpr std::size_t kWriteBufferSize = 1 << 18;

struct ScannedValue {
  std::string_view text;
  bool hasComma;
};

// The number of a field without the blanks around it, or "-999". A "," counts
// as the decimal point. This is ClassifyWord's number rule (plus a digit
// required) in one pass over the field as read, commas unconverted: going
// through ClassifyWord on a converted copy makes the whole copy a third slower.
ScannedValue ScanValue(std::string_view field) {
  std::size_t first = 0;
  std::size_t last = field.size();
  while (first < last && field[first] == ' ') ++first;
  while (last > first && field[last - 1] == ' ') --last;
  std::size_t i = first;
  if (i < last && (field[i] == '+' || field[i] == '-')) ++i;
  int digits = 0;
  int points = 0;
  bool comma = false;
  for (; i < last; ++i) {
    char c = field[i];
    if (IsDigitChar(c)) {
      ++digits;
    } else if (c == '.' || c == ',') {
      ++points;
      comma |= c == ',';
    } else {
      return {kMissingText, false};
    }
  }
  if (digits == 0 || points > 1) return {kMissingText, false};
  return {field.substr(first, last - first), comma};
}

// Writes one record at a time. Fields of the first record go to the label
// file; every later record is one case of exactly HeaderFields values.
class RecordWriter {
 public:
  RecordWriter(ByteSink& vornexData, ByteSink& labels, const std::function<void(std::int64_t)>& onCase)
      : data_(vornexData, kWriteBufferSize), labels_(labels), onCase_(onCase) {}

  void EndField(std::string_view field) {
    if (inHeader_) {
      PutWithPoints(labels_, field);
      labels_.EndLine();
      ++result_.HeaderFields;
    } else if (fieldIndex_ < result_.HeaderFields) {
      PutValue(ScanValue(field));
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
      for (std::size_t i = fieldIndex_; i < result_.HeaderFields; ++i) PutValue({kMissingText, false});
      data_.EndLine();
      onCase_(++result_.CaseCount);
    }
    fieldIndex_ = 0;
    valueIndex_ = 0;
  }

  bool InHeader() const { return inHeader_; }
  // A field of the current record has ended.
  bool InRecord() const { return fieldIndex_ > 0; }

  // Copies the plain numbers among the case's fields from p on, up to the
  // first field that needs more care: one that is not a plain number, is
  // longer than 16 bytes, ends the record, is surplus or does not end before
  // end. Returns the start of that field. p starts a field of a case.
  const char* CopyPlainFields(const char* p, const char* end);

  CopyResult Finish() {
    data_.Flush();
    labels_.Flush();
    return result_;
  }

 private:
  void PutValue(ScannedValue value) {
    if (valueIndex_ > 0) {
      if (valueIndex_ % kValuesPerLine == 0)
        data_.EndLine();
      else
        data_.Put(' ');
    }
    if (value.hasComma)
      PutWithPoints(data_, value.text);
    else
      data_.Put(value.text);
    ++valueIndex_;
  }

  // What stands before a case's value: nothing before the first, a line end
  // before the 16th, 31st, ..., a blank before the others.
  struct Separator {
    char text[2];
    std::uint8_t length;
  };
  // The separators of the first values of a case, for the plain-number copy.
  static constexpr std::size_t kMaxSeparators = 1 << 14;
  void BuildSeparators() {
    separators_.resize(std::min(result_.HeaderFields, kMaxSeparators));
    for (std::size_t i = 0; i < separators_.size(); ++i) {
      if (i == 0)
        separators_[i] = {{' ', ' '}, 0};
      else if (i % kValuesPerLine == 0)
        separators_[i] = {{'\r', '\n'}, 2};
      else
        separators_[i] = {{' ', ' '}, 1};
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
  const std::function<void(std::int64_t)>& onCase_;
  CopyResult result_;
  std::vector<Separator> separators_;
  bool inHeader_ = true;
  std::size_t fieldIndex_ = 0;
  std::size_t valueIndex_ = 0;
};

// Tab, CR, LF and code 26 end a field.
constexpr std::array<bool, 256> kFieldEnd = [] {
  std::array<bool, 256> table{};
  table['\t'] = table['\r'] = table['\n'] = table[static_cast<unsigned char>(BufferedReader::kEndOfText)] = true;
  return table;
}();

bool IsFieldEnd(char c) { return kFieldEnd[static_cast<unsigned char>(c)]; }

#if defined(__SSE2__)

// The classes of 64 bytes, one bit per byte.
struct ByteClasses {
  // Codes 0 to 26: every field end (tab, CR, LF, code 26) and the other
  // control codes, which the careful path sorts out.
  std::uint64_t stops;
  std::uint64_t tabs;
  std::uint64_t digits;
  std::uint64_t points;  // "." or ","
  std::uint64_t signs;   // "+" or "-"
};

ByteClasses Classify64(const char* p) {
  const __m128i tab = _mm_set1_epi8('\t');
  const __m128i lastControl = _mm_set1_epi8(BufferedReader::kEndOfText);
  const __m128i zero = _mm_set1_epi8('0');
  const __m128i nine = _mm_set1_epi8(9);
  const __m128i point = _mm_set1_epi8('.');
  const __m128i comma = _mm_set1_epi8(',');
  const __m128i minus = _mm_set1_epi8('-');
  const __m128i plus = _mm_set1_epi8('+');
  auto bits = [](__m128i hits, int shift) {
    return std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(hits))} << shift;
  };
  ByteClasses c{};
  for (int i = 0; i < 64; i += 16) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    c.tabs |= bits(_mm_cmpeq_epi8(v, tab), i);
    c.stops |= bits(_mm_cmpeq_epi8(_mm_min_epu8(v, lastControl), v), i);
    __m128i offset = _mm_sub_epi8(v, zero);
    c.digits |= bits(_mm_cmpeq_epi8(_mm_min_epu8(offset, nine), offset), i);
    c.points |= bits(_mm_or_si128(_mm_cmpeq_epi8(v, point), _mm_cmpeq_epi8(v, comma)), i);
    c.signs |= bits(_mm_or_si128(_mm_cmpeq_epi8(v, minus), _mm_cmpeq_epi8(v, plus)), i);
  }
  return c;
}

// The output of one plain field: a separator of up to two bytes, 16 bytes
// stored whole, and the line end of a case.
constexpr std::size_t kPlainFieldRoom = 2 + 16 + 2;
constexpr unsigned kMaxPlainLength = 16;

[[gnu::noinline]] const char* RecordWriter::CopyPlainFields(const char* p, const char* end) {
  const __m128i comma = _mm_set1_epi8(',');
  const __m128i commaToPoint = _mm_set1_epi8('.' - ',');
  const __m128i missing = _mm_setr_epi8('-', '9', '9', '9', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);

  std::span<char> room = data_.Reserve(kPlainFieldRoom);
  char* out = room.data();
  char* outLimit = out + room.size() - kPlainFieldRoom;

  const std::size_t lastField = result_.HeaderFields - 1;
  const Separator* const separators = separators_.data();
  const std::size_t plainFields = separators_.size();
  std::size_t field = fieldIndex_;
  // The bytes are classified 64 at a time from a field's start on, so that
  // every field is seen whole within one block; start marks the field's first
  // byte in the block, stops the stops not yet passed.
  const char* block = p;
  ByteClasses c{};
  std::uint64_t stops = 0;
  std::uint64_t start = 0;
  while (field < plainFields) {
    if (stops == 0) {
      block = p;
      std::ptrdiff_t valid = end - block;
      if (valid <= 0) break;
      c = Classify64(block);
      stops = c.stops & (valid >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << valid) - 1);
      start = 1;
      if (stops == 0) break;  // a field of 64 bytes or more, or one that goes on past end
    }
    std::uint64_t stop = stops & (0 - stops);
    const char* fieldEnd = block + std::countr_zero(stop);
    // A CR or LF ends the case when it has all its values; a CR that ends the
    // buffer waits for its LF.
    bool caseEnd = *fieldEnd != '\t';
    if (caseEnd &&
        ((*fieldEnd != '\r' && *fieldEnd != '\n') || field != lastField || (*fieldEnd == '\r' && fieldEnd + 1 == end)))
      break;
    auto length = static_cast<std::size_t>(fieldEnd - p);
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    // Digits, at most one point, a sign only in front, and at least one digit.
    std::uint64_t inField = stop - start;
    std::uint64_t points = c.points & inField;
    std::uint64_t allowed = c.digits | c.points | (c.signs & start);
    if (((inField & ~allowed) != 0) | ((c.digits & inField) == 0) | ((points & (points - 1)) != 0) |
        (length > kMaxPlainLength)) {
      if (inField != 0) break;
      v = missing;  // an empty field
      length = kMissingText.size();
    }

    if (out > outLimit) {
      data_.CommitTo(out);
      room = data_.Reserve(kPlainFieldRoom);
      out = room.data();
      outLimit = out + room.size() - kPlainFieldRoom;
    }
    const Separator& separator = separators[field];
    std::memcpy(out, separator.text, 2);
    out += separator.length;
    v = _mm_add_epi8(v, _mm_and_si128(_mm_cmpeq_epi8(v, comma), commaToPoint));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), v);
    out += length;
    ++field;
    stops ^= stop;
    start = stop << 1;
    p = fieldEnd + 1;
    if (caseEnd) {
      if (*fieldEnd == '\r' && *p == '\n') {
        stops &= ~start;
        start <<= 1;
        ++p;
      }
      out[0] = '\r';
      out[1] = '\n';
      out += 2;
      data_.CommitTo(out);
      field = 0;
      onCase_(++result_.CaseCount);
    }
  }
  data_.CommitTo(out);
  // Within a case's values the fields and the values are counted alike.
  fieldIndex_ = valueIndex_ = field;
  return p;
}

#else

const char* RecordWriter::CopyPlainFields(const char* p, const char*) { return p; }

#endif

}  // namespace

CopyResult CopySpssData(ByteSource& spssData, ByteSink& vornexData, ByteSink& labels,
                        const std::function<void(std::int64_t)>& onCase) {
  BufferedReader in(spssData, kReadBufferSize);
  RecordWriter out(vornexData, labels, onCase);
  std::string partial;         // a field that runs over the end of the buffer
  bool recordStarted = false;  // a byte of the current record has been read
  bool afterCr = false;        // an LF right after this CR belongs to the same line end
  while (!in.AtEnd()) {
    std::string_view chunk = in.Buffered();
    const char* p = chunk.data();
    const char* const end = p + chunk.size();
    if (afterCr && *p == '\n') ++p;
    afterCr = false;
    bool endOfText = false;
    while (p < end) {
      if (partial.empty() && !out.InHeader()) {
        p = out.CopyPlainFields(p, end);
        recordStarted = out.InRecord();
        if (p == end) break;
      }
      const char* q = p;
      while (q < end && !IsFieldEnd(*q)) ++q;
      if (q > p) recordStarted = true;
      if (q == end) {
        partial.append(p, q);
        p = q;
        break;
      }
      std::string_view field(p, static_cast<std::size_t>(q - p));
      if (!partial.empty()) {
        partial.append(p, q);
        field = partial;
      }
      char c = *q;
      p = q + 1;
      if (c == BufferedReader::kEndOfText) {
        endOfText = true;
        if (recordStarted) out.EndRecord(field);
        recordStarted = false;
        break;
      }
      if (c == '\t') {
        out.EndField(field);
        recordStarted = true;
      } else {
        if (c == '\r') {
          if (p < end && *p == '\n')
            ++p;
          else if (p == end)
            afterCr = true;
        }
        // An empty record among the cases is skipped; the header always counts.
        if (recordStarted || out.InHeader()) out.EndRecord(field);
        recordStarted = false;
      }
      partial.clear();
    }
    if (endOfText) return out.Finish();
    in.Consume(static_cast<std::size_t>(p - chunk.data()));
  }
  // A last record without a line end is still a whole record.
  if (recordStarted) out.EndRecord(partial);
  return out.Finish();
}

std::vector<std::string> ReadDatasetNames(ByteSource& labels) {
  LineReader reader(labels);
  std::vector<std::string> names;
  while (!reader.AtEnd()) names.push_back(ReadFileLineWords(reader).Word(1).substr(0, kMaxNameLength));
  return names;
}

}  // namespace s2v
