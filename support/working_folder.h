// The working folder: where a command finds its inputs and writes its files,
// all named by bare file names. Names are compared without regard to case: an
// existing entry that equals the name ignoring case is used (an exact match
// first); only when there is none is the name created as given.
#pragma once

#include <exception>
#include <string>
#include <utility>

#include "support/byte_stream.h"

namespace s2v {

class WorkingFolder {
 public:
  // path: the folder, absolute or relative to the folder the program was
  // started in; "/" is the root.
  explicit WorkingFolder(std::string path);

  // The folder and the bare name of a file's path ("/a/b/c.spc" gives "/a/b"
  // and "c.spc"); a relative path is taken from the folder start.
  static std::pair<WorkingFolder, std::string> OfFile(const std::string& path, const std::string& start);

  const std::string& Path() const { return path_; }
  // Throws IoError when the folder cannot be entered: missing, not a folder
  // or not searchable.
  void CheckEntrance() const;

  // The entry that a name refers to: the existing entry equal to it ignoring
  // case, or the name itself.
  std::string Resolve(const std::string& name) const;
  // The path of the entry that a name refers to.
  std::string PathOf(const std::string& name) const;
  // True when a file (not a folder) of that name exists.
  bool Exists(const std::string& name) const;
  // Deletes the file when it exists; the outcome is not reported.
  void Remove(const std::string& name) const;
  // Renames from (an exact entry name) to the entry that to refers to,
  // replacing it. Throws IoError.
  void Rename(const std::string& from, const std::string& to) const;

 private:
  std::string path_;
};

// A file opened for reading. Throws IoError when it cannot be opened or read.
class FileSource : public ByteSource {
 public:
  FileSource(const WorkingFolder& folder, const std::string& name);
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
  FileSink(const WorkingFolder& folder, const std::string& name);
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
  TextFileWriter(const WorkingFolder& folder, const std::string& name) : sink_(folder, name), writer_(sink_) {}
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
