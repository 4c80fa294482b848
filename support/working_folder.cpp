#include "support/working_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "support/io_error.h"
#include "support/text_scan.h"

namespace s2v {

namespace {

bool EntryExists(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0;
}

}  // namespace

WorkingFolder::WorkingFolder(std::string path) : path_(path.empty() ? std::string(".") : std::move(path)) {}

std::pair<WorkingFolder, std::string> WorkingFolder::OfFile(const std::string& path, const std::string& start) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return {WorkingFolder(start), path};
  std::string folder = slash == 0 ? "/" : path.substr(0, slash);
  if (path.front() != '/') folder = start + '/' + folder;
  return {WorkingFolder(folder), path.substr(slash + 1)};
}

void WorkingFolder::CheckEntrance() const {
  struct stat info;
  if (stat(path_.c_str(), &info) != 0) ThrowErrno(errno);
  if (!S_ISDIR(info.st_mode)) ThrowErrno(ENOTDIR);
  if (access(path_.c_str(), X_OK) != 0) ThrowErrno(errno);
}

std::string WorkingFolder::Resolve(const std::string& name) const {
  if (name.empty() || EntryExists(path_ + '/' + name)) return name;
  DIR* dir = opendir(path_.c_str());
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

std::string WorkingFolder::PathOf(const std::string& name) const { return path_ + '/' + Resolve(name); }

bool WorkingFolder::Exists(const std::string& name) const {
  struct stat info;
  return !name.empty() && stat(PathOf(name).c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

void WorkingFolder::Remove(const std::string& name) const {
  if (Exists(name)) unlink(PathOf(name).c_str());
}

void WorkingFolder::Rename(const std::string& from, const std::string& to) const {
  if (std::rename((path_ + '/' + from).c_str(), PathOf(to).c_str()) != 0) ThrowErrno(errno);
}

FileSource::FileSource(const WorkingFolder& folder, const std::string& name) {
  if (name.empty()) throw IoError(kFileNotFound);
  fd_ = open(folder.PathOf(name).c_str(), O_RDONLY | O_CLOEXEC);
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

FileSink::FileSink(const WorkingFolder& folder, const std::string& name) {
  if (name.empty()) throw IoError(kFileNotFound);
  fd_ = open(folder.PathOf(name).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd_ < 0) ThrowErrno(errno);
}

FileSink::~FileSink() {
  if (fd_ >= 0) close(fd_);
}

void FileSink::Write(const char* data, std::size_t size) {
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
