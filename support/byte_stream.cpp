#include "support/byte_stream.h"

#include <algorithm>
#include <cstring>

namespace s2v {

std::size_t MemorySource::Read(char* data, std::size_t size) {
  std::size_t n = std::min(size, bytes_.size());
  std::memcpy(data, bytes_.data(), n);
  bytes_.remove_prefix(n);
  return n;
}

BufferedReader::BufferedReader(ByteSource& source, std::size_t bufferSize)
    : source_(source), buffer_(bufferSize + kReadAhead) {}

bool BufferedReader::Refill() {
  if (pos_ < end_) return true;
  pos_ = end_ = 0;
  if (exhausted_) return false;
  end_ = source_.Read(buffer_.data(), buffer_.size() - kReadAhead);
  if (end_ == 0) exhausted_ = true;
  return end_ > 0;
}

namespace {

// The position of the first CR, LF or code 26, or the size when there is none.
// The control codes are tested only for bytes at or below code 26, which text
// rarely holds.
std::size_t LineStop(std::string_view chunk) {
  for (std::size_t i = 0; i < chunk.size(); ++i) {
    const auto c = static_cast<unsigned char>(chunk[i]);
    if (c <= BufferedReader::kEndOfText && (c == '\r' || c == '\n' || c == BufferedReader::kEndOfText)) return i;
  }
  return chunk.size();
}

}  // namespace

std::string LineReader::ReadLine() {
  std::string line;
  ReadLine(line);
  return line;
}

void LineReader::ReadLine(std::string& line) {
  line.clear();
  while (!reader_.AtEnd()) {
    std::string_view chunk = reader_.Buffered();
    std::size_t stop = LineStop(chunk);
    line.append(chunk.substr(0, std::min(stop, kMaxLineLength - line.size())));
    if (stop == chunk.size()) {
      reader_.Consume(chunk.size());
      continue;
    }
    reader_.Consume(stop);
    char c = reader_.Peek();
    if (c == BufferedReader::kEndOfText) break;
    reader_.Skip();
    if (c == '\r' && !reader_.AtEnd() && reader_.Peek() == '\n') reader_.Skip();
    break;
  }
}

BufferedWriter::BufferedWriter(ByteSink& sink, std::size_t bufferSize) : sink_(sink), buffer_(bufferSize) {}

void BufferedWriter::Put(std::string_view text) {
  while (!text.empty()) {
    if (used_ == buffer_.size()) Flush();
    std::size_t n = std::min(text.size(), buffer_.size() - used_);
    std::memcpy(buffer_.data() + used_, text.data(), n);
    used_ += n;
    text.remove_prefix(n);
  }
}

void BufferedWriter::MakeRoom(std::size_t atLeast) {
  Flush();
  if (buffer_.size() < atLeast) buffer_.resize(atLeast);
}

void BufferedWriter::Flush() {
  if (used_ == 0) return;
  std::size_t n = used_;
  used_ = 0;
  sink_.Hand(buffer_, n);
}

std::vector<std::string> ReadAllLines(ByteSource& source) {
  LineReader reader(source);
  std::vector<std::string> lines;
  while (!reader.AtEnd()) lines.push_back(reader.ReadLine());
  return lines;
}

}  // namespace s2v
