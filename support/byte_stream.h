// Byte sources and sinks: the readers and writers of the system work on these,
// so the same code runs on a file of the working folder or on a memory buffer.
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace s2v {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads up to size bytes into data; 0 means the end. Throws IoError.
  virtual std::size_t Read(char* data, std::size_t size) = 0;
};

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Writes all of data. Throws IoError.
  virtual void Write(const char* data, std::size_t size) = 0;
  // Writes the first size bytes of a writer's buffer. A sink that writes
  // later may keep the buffer and give the writer another one in its place.
  virtual void Hand(std::vector<char>& buffer, std::size_t size) { Write(buffer.data(), size); }
};

class MemorySource : public ByteSource {
 public:
  explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
  std::size_t Read(char* data, std::size_t size) override;

 private:
  std::string_view bytes_;
};

class StringSink : public ByteSink {
 public:
  void Write(const char* data, std::size_t size) override { bytes.append(data, size); }
  std::string bytes;
};

// Reads a source through a large buffer, one byte at a time without a virtual
// call per byte. The character with code 26 ends the text.
class BufferedReader {
 public:
  static constexpr char kEndOfText = 26;
  // Bytes that may be read past the end of Buffered(), so that a scan can load
  // whole blocks; their values mean nothing.
  static constexpr std::size_t kReadAhead = 64;

  explicit BufferedReader(ByteSource& source, std::size_t bufferSize = 1 << 16);

  // True when no byte is left, or the next byte is code 26.
  bool AtEnd() {
    if (pos_ == end_ && !Refill()) return true;
    return buffer_[pos_] == kEndOfText;
  }
  // The next byte; only valid when !AtEnd().
  char Peek() const { return buffer_[pos_]; }
  void Skip() { ++pos_; }

  // The bytes buffered from the current position on; may be empty at the end.
  // Consume(n) takes n of them.
  std::string_view Buffered() const { return {buffer_.data() + pos_, end_ - pos_}; }
  // The same bytes, for a scan that rewrites them in place as it goes; the
  // kReadAhead bytes after them may be written too.
  std::span<char> BufferedForChange() { return {buffer_.data() + pos_, end_ - pos_}; }
  void Consume(std::size_t n) { pos_ += n; }
  bool Refill();

 private:
  ByteSource& source_;
  std::vector<char> buffer_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  bool exhausted_ = false;
};

// Reads text lines. A line ends at CR, at LF, or at CR LF; code 26 ends the
// text. Reading at the end gives an empty line. Of a line longer than
// kMaxLineLength only that much is kept and the rest is passed over, so that
// a file without line ends is read in constant memory.
class LineReader {
 public:
  // Far beyond what any line of the system's text files holds.
  static constexpr std::size_t kMaxLineLength = 1 << 16;

  explicit LineReader(ByteSource& source) : reader_(source) {}
  bool AtEnd() { return reader_.AtEnd(); }
  std::string ReadLine();
  // The same into line, reusing its storage: for readers that go through many
  // lines and keep few.
  void ReadLine(std::string& line);

 private:
  BufferedReader reader_;
};

// Collects output in a buffer and writes it to a sink in large pieces. Close()
// flushes; lines end with CR LF.
class BufferedWriter {
 public:
  explicit BufferedWriter(ByteSink& sink, std::size_t bufferSize = 1 << 16);

  void Put(char c) {
    if (used_ == buffer_.size()) Flush();
    buffer_[used_++] = c;
  }
  void Put(std::string_view text);
  void PutLine(std::string_view text) {
    Put(text);
    EndLine();
  }
  void EndLine() {
    Put('\r');
    Put('\n');
  }
  void Flush();

  // Direct filling: the free part of the buffer, at least atLeast bytes long
  // (flushing first when less is free). CommitTo(end) adds the bytes of it
  // before end to the output.
  std::span<char> Reserve(std::size_t atLeast) {
    if (buffer_.size() - used_ < atLeast) MakeRoom(atLeast);
    return std::span<char>(buffer_).subspan(used_);
  }
  void CommitTo(const char* end) { used_ = static_cast<std::size_t>(end - buffer_.data()); }

 private:
  void MakeRoom(std::size_t atLeast);

  ByteSink& sink_;
  std::vector<char> buffer_;
  std::size_t used_ = 0;
};

// All lines of a source, read as LineReader reads them.
std::vector<std::string> ReadAllLines(ByteSource& source);

}  // namespace s2v
