#include "support/working_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "support/io_error.h"
#include "support/text_scan.h"

namespace s2v {

namespace {

bool EntryExists(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0;
}

// Opened without waiting (a FIFO would block its opener until a writer or
// reader comes), then checked to be a regular file and set to block again.
// Throws IoError naming the file for anything but a regular file.
int CheckRegularFile(int fd, const std::string& name) {
  struct stat info;
  if (fstat(fd, &info) != 0) {
    int err = errno;
    close(fd);
    ThrowErrno(err);
  }
  if (!S_ISREG(info.st_mode)) {
    close(fd);
    throw IoError::OnFile(kFileAccessDenied, name);
  }
  int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  return fd;
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
  // Only an entry of the folder itself: a name with a "/" names none.
  if (name.find('/') != std::string::npos) return;
  if (Exists(name) && !IsProtectedInput(name)) unlink(PathOf(name).c_str());
}

void WorkingFolder::Rename(const std::string& from, const std::string& to) const {
  if (IsProtectedInput(to)) throw IoError::OnFile(kFileAccessDenied, Resolve(to));
  if (std::rename((path_ + '/' + from).c_str(), PathOf(to).c_str()) != 0) ThrowErrno(errno);
}

void WorkingFolder::PutInPlace(const std::string& passing, const std::string& name) const {
  // A free name gets the file made below only to be checked and to show its
  // permissions: it is removed again before the renaming, because some file
  // systems write a file renamed over another one out to the disk at once.
  struct stat info;
  const bool nameFree = lstat(PathOf(name).c_str(), &info) != 0 && errno == ENOENT;
  unsigned permissions;
  {
    FileSink target(*this, name);
    permissions = target.Permissions();
    target.Close();
  }
  const int fd = open((path_ + '/' + passing).c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) ThrowErrno(errno);
  if (fchmod(fd, static_cast<mode_t>(permissions)) != 0) {
    int err = errno;
    close(fd);
    ThrowErrno(err);
  }
  close(fd);
  if (nameFree) unlink(PathOf(name).c_str());
  Rename(passing, name);
}

std::string WorkingFolder::CreateUnique(const std::string& prefix, const std::string& suffix) const {
  std::string path = path_ + '/' + prefix + "XXXXXX" + suffix;
  int fd = mkostemps(path.data(), static_cast<int>(suffix.size()), O_CLOEXEC);
  if (fd < 0) ThrowErrno(errno);
  close(fd);
  return path.substr(path_.size() + 1);
}

namespace {

// The identity of an existing file, links followed.
std::optional<std::pair<unsigned long long, unsigned long long>> IdentityOf(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return std::nullopt;
  return std::pair{static_cast<unsigned long long>(info.st_dev), static_cast<unsigned long long>(info.st_ino)};
}

}  // namespace

void WorkingFolder::ProtectInput(const std::string& name) {
  if (name.empty()) return;
  if (auto id = IdentityOf(PathOf(name))) inputs_.push_back({{id->first, id->second}, Resolve(name)});
}

void WorkingFolder::KeepInputsOf(const WorkingFolder& other) {
  inputs_.insert(inputs_.end(), other.inputs_.begin(), other.inputs_.end());
}

const WorkingFolder::Input* WorkingFolder::Protecting(const FileId& id) const {
  for (const Input& input : inputs_)
    if (input.id == id) return &input;
  return nullptr;
}

std::optional<std::string> WorkingFolder::ProtectedInput(const std::string& name) const {
  if (inputs_.empty() || name.empty()) return std::nullopt;
  auto id = IdentityOf(PathOf(name));
  if (!id) return std::nullopt;
  const Input* input = Protecting({id->first, id->second});
  return input != nullptr ? std::optional(input->name) : std::nullopt;
}

std::optional<FolderLock> FolderLock::TryLock(const WorkingFolder& folder) {
  int fd = open(folder.Path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) ThrowErrno(errno);
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    int err = errno;
    close(fd);
    if (err == EWOULDBLOCK) return std::nullopt;
    ThrowErrno(err);
  }
  return FolderLock(fd);
}

FolderLock& FolderLock::operator=(FolderLock&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) close(fd_);
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

FolderLock::~FolderLock() {
  if (fd_ >= 0) close(fd_);  // closing the last descriptor releases the lock
}

bool FolderLock::Holds(const WorkingFolder& folder) const {
  struct stat held, asked;
  return fd_ >= 0 && fstat(fd_, &held) == 0 && stat(folder.Path().c_str(), &asked) == 0 &&
         held.st_dev == asked.st_dev && held.st_ino == asked.st_ino;
}

FileSource::FileSource(const WorkingFolder& folder, const std::string& name) {
  if (name.empty()) throw IoError(kFileNotFound);
  const int fd = open(folder.PathOf(name).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) ThrowErrno(errno);
  fd_ = CheckRegularFile(fd, folder.Resolve(name));
  struct stat info;
  if (fstat(fd_, &info) == 0) size_ = static_cast<std::uint64_t>(info.st_size);
}

FileSource::~FileSource() { close(fd_); }

std::size_t FileSource::Read(char* data, std::size_t size) {
  for (;;) {
    ssize_t n = read(fd_, data, size);
    if (n >= 0) {
      read_ += static_cast<std::uint64_t>(n);
      return static_cast<std::size_t>(n);
    }
    if (errno != EINTR) ThrowErrno(errno);
  }
}

std::size_t FileSource::ReadAt(std::uint64_t offset, char* data, std::size_t size) const {
  for (;;) {
    ssize_t n = pread(fd_, data, size, static_cast<off_t>(offset));
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) ThrowErrno(errno);
  }
}

FileSink::FileSink(const WorkingFolder& folder, const std::string& name) : writeBehind_(folder.WriteBehind()) {
  if (name.empty()) throw IoError(kFileNotFound);
  const std::string entry = folder.Resolve(name);
  // Not truncated on opening: what is found there is checked first.
  const int fd = open((folder.Path() + '/' + entry).c_str(),
                      O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0666);
  if (fd < 0 && errno == ELOOP) throw IoError::OnFile(kFileAccessDenied, entry);
  if (fd < 0) ThrowErrno(errno);
  fd_ = CheckRegularFile(fd, entry);
  struct stat info;
  const bool known = fstat(fd_, &info) == 0;
  if (known &&
      folder.Protecting({static_cast<unsigned long long>(info.st_dev), static_cast<unsigned long long>(info.st_ino)})) {
    close(fd_);
    fd_ = -1;
    throw IoError::OnFile(kFileAccessDenied, entry);
  }
  // An empty file is not truncated: some file systems take a truncation as a
  // file being replaced, and write all of it out when it is closed, holding
  // the writer up.
  if ((!known || info.st_size > 0) && ftruncate(fd_, 0) != 0) {
    int err = errno;
    close(fd_);
    fd_ = -1;
    ThrowErrno(err);
  }
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
    written_ += static_cast<std::uint64_t>(n);
  }
  // A long file is handed to the disk as it grows: without it the system lets
  // hundreds of megabytes wait and then holds the writer for a long moment,
  // in which a window could not repaint.
  if (writeBehind_ && written_ - started_ >= kWriteBehind) {
    sync_file_range(fd_, static_cast<off_t>(started_), static_cast<off_t>(written_ - started_), SYNC_FILE_RANGE_WRITE);
    started_ = written_;
  }
}

unsigned FileSink::Permissions() const {
  struct stat info;
  if (fd_ < 0) throw IoError(kFileNotOpen);
  if (fstat(fd_, &info) != 0) ThrowErrno(errno);
  return static_cast<unsigned>(info.st_mode & 07777);
}

void FileSink::Close() {
  if (fd_ < 0) return;
  int fd = fd_;
  fd_ = -1;
  if (close(fd) != 0) ThrowErrno(errno);
}

}  // namespace s2v
