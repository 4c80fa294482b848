#include "run/data_copy.h"

#include <array>

#include "run/project_definition.h"
#include "support/text_scan.h"

namespace s2v {

namespace {

constexpr std::size_t kValuesPerLine = 15;
constexpr std::string_view kMissingText = "-999";

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
      : data_(vornexData), labels_(labels), onCase_(onCase) {}

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

}  // namespace

CopyResult CopySpssData(ByteSource& spssData, ByteSink& vornexData, ByteSink& labels,
                        const std::function<void(std::int64_t)>& onCase) {
  BufferedReader in(spssData);
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
