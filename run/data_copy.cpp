#include "run/data_copy.h"

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

// One bit per byte of the 64 bytes from p: set for a tab, CR, LF or code 26.
std::uint64_t FieldEnds64(const char* p) {
  const __m128i tab = _mm_set1_epi8('\t');
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i eot = _mm_set1_epi8(BufferedReader::kEndOfText);
  std::uint64_t bits = 0;
  for (int i = 0; i < 4; ++i) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
    __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, tab), _mm_cmpeq_epi8(v, lf)),
                               _mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, eot)));
    bits |= std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(hit))} << (16 * i);
  }
  return bits;
}

// Finds the field ends of a buffer in order, 64 bytes at a time.
class FieldEndScanner {
 public:
  FieldEndScanner(const char* from, const char* end) : block_(from), end_(end) { Load(); }

  // The next field end, or nullptr when none is left before end.
  const char* Next() {
    while (bits_ == 0) {
      block_ += 64;
      if (block_ >= end_) return nullptr;
      Load();
    }
    return block_ + std::countr_zero(bits_);
  }
  void Pop() { bits_ &= bits_ - 1; }

 private:
  void Load() {
    std::ptrdiff_t valid = end_ - block_;
    bits_ = FieldEnds64(block_) & (valid >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << valid) - 1);
  }

  const char* block_;
  const char* const end_;
  std::uint64_t bits_ = 0;
};

// The output of one plain field: a separator of up to two bytes and 16 bytes
// stored whole.
constexpr std::size_t kPlainFieldRoom = 2 + 16;

const char* RecordWriter::CopyPlainFields(const char* p, const char* end) {
  const __m128i comma = _mm_set1_epi8(',');
  const __m128i commaToPoint = _mm_set1_epi8('.' - ',');
  const __m128i point = _mm_set1_epi8('.');
  const __m128i zero = _mm_set1_epi8('0');
  const __m128i nine = _mm_set1_epi8(9);
  const __m128i minus = _mm_set1_epi8('-');
  const __m128i plus = _mm_set1_epi8('+');

  std::span<char> room = data_.Reserve(kPlainFieldRoom);
  char* outBegin = room.data();
  char* out = outBegin;
  char* outLimit = outBegin + room.size() - kPlainFieldRoom;

  std::size_t field = fieldIndex_;
  std::size_t lineValues = valueIndex_ % kValuesPerLine;
  FieldEndScanner ends(p, end);
  for (const char* fieldEnd; field < result_.HeaderFields && (fieldEnd = ends.Next()) != nullptr;) {
    auto length = static_cast<unsigned>(fieldEnd - p);
    if (*fieldEnd != '\t' || length - 1 >= 16) break;
    // The field's bytes are classified together: digits, at most one point
    // (a comma being one), a sign only in front, and at least one digit.
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    v = _mm_add_epi8(v, _mm_and_si128(_mm_cmpeq_epi8(v, comma), commaToPoint));
    __m128i offset = _mm_sub_epi8(v, zero);
    unsigned mask = (1u << length) - 1;
    auto digits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(offset, nine), offset))) & mask;
    auto points = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, point))) & mask;
    auto signs =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, minus), _mm_cmpeq_epi8(v, plus))));
    if (((digits | points | (signs & 1)) != mask) | (digits == 0) | ((points & (points - 1)) != 0)) break;

    if (out > outLimit) {
      data_.Commit(static_cast<std::size_t>(out - outBegin));
      room = data_.Reserve(kPlainFieldRoom);
      outBegin = out = room.data();
      outLimit = outBegin + room.size() - kPlainFieldRoom;
    }
    // The separator before the value: none before the first, a line end
    // before the 16th, 31st, ..., a blank otherwise; written without a branch.
    bool lineEnd = lineValues == 0;
    out[0] = lineEnd ? '\r' : ' ';
    out[1] = '\n';
    out += field == 0 ? 0 : (lineEnd ? 2 : 1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), v);
    out += length;
    ++field;
    lineValues = lineValues + 1 == kValuesPerLine ? 0 : lineValues + 1;
    ends.Pop();
    p = fieldEnd + 1;
  }
  data_.Commit(static_cast<std::size_t>(out - outBegin));
  valueIndex_ += field - fieldIndex_;
  fieldIndex_ = field;
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
        const char* next = out.CopyPlainFields(p, end);
        if (next != p) {
          recordStarted = true;
          p = next;
          if (p == end) break;
        }
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
