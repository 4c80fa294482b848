#include "run/data_copy.h"

#include "run/project_definition.h"
#include "support/text_scan.h"

namespace s2v {

namespace {

constexpr std::size_t kValuesPerLine = 15;
constexpr std::string_view kMissingText = "-999";

// Writes one record at a time. Fields of the first record go to the label
// file; every later record is one case of exactly HeaderFields values.
class RecordWriter {
 public:
  RecordWriter(ByteSink& vornexData, ByteSink& labels, const std::function<void(std::int64_t)>& onCase)
      : data_(vornexData), labels_(labels), onCase_(onCase) {}

  void EndField(const std::string& field) {
    if (inHeader_) {
      labels_.PutLine(field);
      ++result_.HeaderFields;
    } else if (fieldIndex_ < result_.HeaderFields) {
      PutValue(DataValue(field));
    }
    ++fieldIndex_;
  }

  void EndRecord(const std::string& lastField) {
    EndField(lastField);
    if (inHeader_) {
      inHeader_ = false;
    } else {
      if (fieldIndex_ != result_.HeaderFields) ++result_.FittedCount;
      for (std::size_t i = fieldIndex_; i < result_.HeaderFields; ++i) PutValue(kMissingText);
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
  void PutValue(std::string_view value) {
    if (valueIndex_ > 0) {
      if (valueIndex_ % kValuesPerLine == 0)
        data_.EndLine();
      else
        data_.Put(' ');
    }
    data_.Put(value);
    ++valueIndex_;
  }

  BufferedWriter data_;
  BufferedWriter labels_;
  const std::function<void(std::int64_t)>& onCase_;
  CopyResult result_;
  bool inHeader_ = true;
  std::size_t fieldIndex_ = 0;
  std::size_t valueIndex_ = 0;
};

bool IsFieldEnd(char c) { return c == '\t' || c == '\r' || c == '\n' || c == BufferedReader::kEndOfText; }

}  // namespace

std::string_view DataValue(std::string_view field) {
  if (!IsNumber(ClassifyWord(field)) || field.find_first_of("0123456789") == std::string_view::npos)
    return kMissingText;
  std::size_t first = field.find_first_not_of(' ');
  std::size_t last = field.find_last_not_of(' ');
  return field.substr(first, last - first + 1);
}

CopyResult CopySpssData(ByteSource& spssData, ByteSink& vornexData, ByteSink& labels,
                        const std::function<void(std::int64_t)>& onCase) {
  BufferedReader in(spssData);
  RecordWriter out(vornexData, labels, onCase);
  std::string field;
  bool recordStarted = false;  // a byte of the current record has been read
  while (!in.AtEnd()) {
    std::string_view chunk = in.Buffered();
    std::size_t i = 0;
    while (i < chunk.size() && !IsFieldEnd(chunk[i])) ++i;
    if (i > 0) {
      std::size_t start = field.size();
      field.append(chunk.data(), i);
      for (std::size_t k = start; k < field.size(); ++k)
        if (field[k] == ',') field[k] = '.';
      recordStarted = true;
      in.Consume(i);
    }
    if (in.AtEnd()) break;
    char c = in.Peek();
    if (i == chunk.size() && !IsFieldEnd(c)) continue;
    in.Skip();
    if (c == '\t') {
      out.EndField(field);
      recordStarted = true;
    } else {
      if (c == '\r' && !in.AtEnd() && in.Peek() == '\n') in.Skip();
      // An empty record among the cases is skipped; the header always counts.
      if (recordStarted || out.InHeader()) out.EndRecord(field);
      recordStarted = false;
    }
    field.clear();
  }
  // A last record without a line end is still a whole record.
  if (recordStarted) out.EndRecord(field);
  return out.Finish();
}

std::vector<std::string> ReadDatasetNames(ByteSource& labels) {
  LineReader reader(labels);
  std::vector<std::string> names;
  while (!reader.AtEnd()) names.push_back(ReadFileLineWords(reader).Word(1).substr(0, kMaxNameLength));
  return names;
}

}  // namespace s2v
