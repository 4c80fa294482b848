// The files of the working folder, named by bare file names. Names are
// compared without regard to case: an existing entry that equals the name
// ignoring case is used (an exact match first); only when there is none is the
// name created as given.
#pragma once

#include <exception>
#include <string>

#include "support/byte_stream.h"

namespace s2v {

// The entry of the working folder that a name refers to: the existing entry
// equal to it ignoring case, or the name itself.
std::string ResolveFileName(const std::string& name);

// True when a file (not a folder) of that name exists in the working folder.
bool FileExists(const std::string& name);

// Deletes the file when it exists; the outcome is not reported.
void DeleteFileIfPresent(const std::string& name);

// Makes the folder that holds path the working folder. Throws IoError.
void EnterFolderOf(const std::string& path);

// A file opened for reading. Throws IoError when it cannot be opened or read.
class FileSource : public ByteSource {
 public:
  explicit FileSource(const std::string& name);
  ~FileSource() override;
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;
  std::size_t Read(char* data, std::size_t size) override;

 private:
  int fd_;
};

// A file created anew (replacing an old one) for writing. Close() reports a
// failure to finish the file; the destructor closes silently.
class FileSink : public ByteSink {
 public:
  explicit FileSink(const std::string& name);
  ~FileSink() override;
  FileSink(const FileSink&) = delete;
  FileSink& operator=(const FileSink&) = delete;
  void Write(const char* data, std::size_t size) override;
  void Close();

 private:
  int fd_;
};

// A text file written line by line: a FileSink behind a BufferedWriter.
class TextFileWriter {
 public:
  explicit TextFileWriter(const std::string& name) : sink_(name), writer_(sink_) {}
  // What was written stays on disk even when a failure ends the run early.
  ~TextFileWriter() {
    try {
      writer_.Flush();
    } catch (const std::exception&) {
    }
  }
  TextFileWriter(const TextFileWriter&) = delete;
  TextFileWriter& operator=(const TextFileWriter&) = delete;
  BufferedWriter& out() { return writer_; }
  void PutLine(std::string_view text) { writer_.PutLine(text); }
  // Flushes and closes; throws IoError on failure.
  void Close() {
    writer_.Flush();
    sink_.Close();
  }

 private:
  FileSink sink_;
  BufferedWriter writer_;
};

}  // namespace s2v
