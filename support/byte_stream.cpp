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

std::string LineReader::ReadLine() {
  std::string line;
  while (!reader_.AtEnd()) {
    std::string_view chunk = reader_.Buffered();
    std::size_t stop = chunk.find_first_of("\r\n\x1a");
    if (stop == std::string_view::npos) {
      line.append(chunk);
      reader_.Consume(chunk.size());
      continue;
    }
    line.append(chunk.substr(0, stop));
    reader_.Consume(stop);
    char c = reader_.Peek();
    if (c == BufferedReader::kEndOfText) break;
    reader_.Skip();
    if (c == '\r' && !reader_.AtEnd() && reader_.Peek() == '\n') reader_.Skip();
    break;
  }
  return line;
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

std::span<char> BufferedWriter::Reserve(std::size_t atLeast) {
  if (buffer_.size() - used_ < atLeast) {
    Flush();
    if (buffer_.size() < atLeast) buffer_.resize(atLeast);
  }
  return std::span<char>(buffer_).subspan(used_);
}

void BufferedWriter::Flush() {
  if (used_ == 0) return;
  std::size_t n = used_;
  used_ = 0;
  sink_.Write(buffer_.data(), n);
}

std::vector<std::string> ReadAllLines(ByteSource& source) {
  LineReader reader(source);
  std::vector<std::string> lines;
  while (!reader.AtEnd()) lines.push_back(reader.ReadLine());
  return lines;
}

}  // namespace s2v
