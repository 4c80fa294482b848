#include "support/working_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "support/io_error.h"
#include "support/text_scan.h"

namespace s2v {

namespace {

bool EntryExists(const std::string& name) {
  struct stat info;
  return lstat(name.c_str(), &info) == 0;
}

}  // namespace

std::string ResolveFileName(const std::string& name) {
  if (name.empty() || EntryExists(name)) return name;
  DIR* dir = opendir(".");
  if (dir == nullptr) return name;
  std::string found = name;
  while (dirent* entry = readdir(dir)) {
    if (EqualIgnoringCase(name, entry->d_name)) {
      found = entry->d_name;
      break;
    }
  }
  closedir(dir);
  return found;
}

bool FileExists(const std::string& name) {
  struct stat info;
  std::string resolved = ResolveFileName(name);
  return !resolved.empty() && stat(resolved.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

void DeleteFileIfPresent(const std::string& name) {
  if (FileExists(name)) unlink(ResolveFileName(name).c_str());
}

void EnterFolderOf(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return;
  std::string folder = slash == 0 ? "/" : path.substr(0, slash);
  if (chdir(folder.c_str()) != 0) ThrowErrno(errno);
}

FileSource::FileSource(const std::string& name) {
  if (name.empty()) throw IoError(kFileNotFound);
  fd_ = open(ResolveFileName(name).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) ThrowErrno(errno);
}

FileSource::~FileSource() { close(fd_); }

std::size_t FileSource::Read(char* data, std::size_t size) {
  for (;;) {
    ssize_t n = read(fd_, data, size);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) ThrowErrno(errno);
  }
}

FileSink::FileSink(const std::string& name) {
  if (name.empty()) throw IoError(kFileNotFound);
  fd_ = open(ResolveFileName(name).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd_ < 0) ThrowErrno(errno);
}

FileSink::~FileSink() {
  if (fd_ >= 0) close(fd_);
}

void FileSink::Write(const char* data, std::size_t size) {
  constexpr int kFileNotOpen = 103;
  if (fd_ < 0) throw IoError(kFileNotOpen);
  while (size > 0) {
    ssize_t n = write(fd_, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(errno);
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
}

void FileSink::Close() {
  if (fd_ < 0) return;
  int fd = fd_;
  fd_ = -1;
  if (close(fd) != 0) ThrowErrno(errno);
}

}  // namespace s2v
