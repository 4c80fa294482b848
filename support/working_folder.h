// The working folder: where a command finds its inputs and writes its files,
// all named by bare file names. Names are compared without regard to case: an
// existing entry that equals the name ignoring case is used (an exact match
// first); only when there is none is the name created as given.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

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
  // Deletes the file of the folder when it exists (never one of another
  // folder, whatever the name says); the outcome is not reported.
  void Remove(const std::string& name) const;

  // Files written in the folder are handed to the disk as they grow, a few
  // megabytes at a time, instead of when the system decides: a window stays
  // responsive while hundreds of megabytes are written. Off by default, as it
  // can cost a batch run some speed on a slow disk.
  void SetWriteBehind(bool on) { writeBehind_ = on; }
  bool WriteBehind() const { return writeBehind_; }

  // Puts a complete file written under a passing name (from CreatePassing) in
  // the place of name, as if it had been written there: name is refused as
  // FileSink refuses it, and the file takes the permissions that name's file
  // has, or that a file created there gets. The old file is not written to:
  // a hard link to it elsewhere keeps its content. Throws IoError.
  void PutInPlace(const std::string& passing, const std::string& name) const;
  // Throws IoError naming the entry when a file may not be put in the place
  // of name: a link, anything but a regular file, a file this program may
  // not write, or an input of the command.
  void CheckReplaceable(const std::string& name) const;

  // Staging makes a command's outputs all or nothing. While it is on, a file
  // that the command creates or replaces (a FileSink, PutInPlace) is written
  // under a passing name, NAME.XXXXXX.s2v.part, and read back under NAME; a file
  // that it removes stays until the end. PutStagedInPlace then puts every
  // output in place, renaming it over the old entry, and only then removes
  // what was removed; DiscardStaged (or the end of a StagingScope) removes the
  // outputs instead, and the folder is as it was.
  void BeginStaging();
  void PutStagedInPlace();
  void DiscardStaged();
  bool Staging() const { return staging_ != nullptr; }

  // Creates an empty file under a passing name for name (NAME.XXXXXX plus
  // suffix, NAME cut when long), which no other program can have made or
  // foreseen, and returns it. Throws IoError naming name.
  std::string CreatePassing(const std::string& name, const char* suffix) const;

  // Removes the passing files that a program killed while writing here left
  // (told by their names), and puts back an old file that was renamed aside
  // when its new one never took its place. Called by the holder of the
  // folder's lock, when no other command can be writing here.
  void RemoveLeftovers() const;

  // Marks the file of a name as an input of the command: no file of this
  // folder written, replaced or deleted may be that file (the same file,
  // under whatever name or link). Nothing happens when it does not exist.
  void ProtectInput(const std::string& name);
  // The name of the protected input that the name's file is, if any.
  std::optional<std::string> ProtectedInput(const std::string& name) const;
  bool IsProtectedInput(const std::string& name) const { return ProtectedInput(name).has_value(); }
  // Takes over the inputs that another folder protects (a command that
  // moves to another folder still never writes over its inputs).
  void KeepInputsOf(const WorkingFolder& other);

 private:
  friend class FileSink;
  struct FileId {
    unsigned long long device, inode;
    bool operator==(const FileId&) const = default;
  };
  struct Input {
    FileId id;
    std::string name;
    std::string path;  // where it was found: an input since removed protects nothing
  };
  const Input* Protecting(const FileId& id) const;

  struct Staged;
  // The passing name that a file created or replaced under name is written
  // to while staging.
  std::string StageOutput(const std::string& name) const;
  bool IsPassing(const std::string& name) const;
  // The entry of a name in the folder itself, outputs being staged or not.
  std::string FolderEntry(const std::string& name) const;

  std::string path_;
  std::vector<Input> inputs_;
  bool writeBehind_ = false;
  std::shared_ptr<Staged> staging_;
};

// Staging for one command: its outputs are put in place together by
// PutInPlace(), or removed when the scope ends without it.
class StagingScope {
 public:
  explicit StagingScope(WorkingFolder& folder) : folder_(folder) { folder_.BeginStaging(); }
  ~StagingScope() { folder_.DiscardStaged(); }
  StagingScope(const StagingScope&) = delete;
  StagingScope& operator=(const StagingScope&) = delete;
  void PutInPlace() { folder_.PutStagedInPlace(); }

 private:
  WorkingFolder& folder_;
};

// The ends of passing names: a file being written, and an old file renamed
// aside while its new one takes its place.
inline constexpr const char* kPassingSuffix = ".s2v.part";
inline constexpr const char* kAsideSuffix = ".s2v.old";

// A file written under a passing name until it is complete: made anew,
// exclusively and unforeseeably (CreatePassing), so that no planted file or
// link can stand in its place, and removed when this ends unless it was put
// in place.
class PassingFile {
 public:
  // A passing file for a file to be named name. Throws IoError.
  PassingFile(const WorkingFolder& folder, const std::string& name)
      : folder_(folder), name_(folder.CreatePassing(name, kPassingSuffix)) {}
  ~PassingFile() {
    if (!placed_) folder_.Remove(name_);
  }
  PassingFile(const PassingFile&) = delete;
  PassingFile& operator=(const PassingFile&) = delete;
  const std::string& Name() const { return name_; }
  // The file as if written under name (WorkingFolder::PutInPlace).
  void PutInPlace(const std::string& name) {
    folder_.PutInPlace(name_, name);
    placed_ = true;
  }

 private:
  const WorkingFolder& folder_;
  std::string name_;
  bool placed_ = false;
};

// The working folder held for one command: another program (or window)
// that asks for it while this lives is told the folder is busy, so that two
// runs never write the same files at once. On POSIX an advisory lock on the
// folder itself, and nothing is created in it; on Windows a hidden lock file
// held without sharing, which the system deletes when its holder ends.
class FolderLock {
 public:
  // Nothing when another command holds the folder. Throws IoError when the
  // folder cannot be opened.
  static std::optional<FolderLock> TryLock(const WorkingFolder& folder);
  FolderLock(FolderLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  FolderLock& operator=(FolderLock&& other) noexcept;
  ~FolderLock();
  // True when both name the same folder.
  bool Holds(const WorkingFolder& folder) const;

 private:
  explicit FolderLock(int fd) : fd_(fd) {}
  int fd_;
};

// The line shown when another command holds the working folder.
inline constexpr const char* kFolderBusy = "Another run is working in this folder. Try again when it has ended.";

// A file opened for reading, through a link too. Only a regular file is
// read: a folder, a device or a FIFO is refused (never waited for). Throws
// IoError when it cannot be opened or read.
class FileSource : public ByteSource {
 public:
  FileSource(const WorkingFolder& folder, const std::string& name);
  ~FileSource() override;
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;
  std::size_t Read(char* data, std::size_t size) override;
  // Reads at offset, leaving the position of Read where it is; 0 past the end.
  std::size_t ReadAt(std::uint64_t offset, char* data, std::size_t size) const;
  // The file's size when it was opened, and the bytes read so far.
  std::uint64_t Size() const { return size_; }
  std::uint64_t BytesRead() const { return read_; }

 private:
  int fd_;
  std::uint64_t size_ = 0;
  std::uint64_t read_ = 0;
};

// A file created anew (replacing an old one) for writing. A link is not
// written through, and only a regular file is replaced, never an input of the
// command: those are refused with "File access denied." naming the file.
// Close() reports a failure to finish the file; the destructor closes
// silently.
class FileSink : public ByteSink {
 public:
  FileSink(const WorkingFolder& folder, const std::string& name);
  ~FileSink() override;
  FileSink(const FileSink&) = delete;
  FileSink& operator=(const FileSink&) = delete;
  void Write(const char* data, std::size_t size) override;
  void Close();

 private:
  static constexpr std::uint64_t kWriteBehind = 8 << 20;
  std::string name_;  // as the user knows it, in failures
  int fd_;
  bool writeBehind_;
  std::uint64_t written_ = 0;
  std::uint64_t started_ = 0;  // written_ when the disk was last asked to write
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
