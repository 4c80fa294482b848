// The working folder on POSIX: descriptors opened without following links,
// flock on the folder, device and inode for a file's identity.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "support/io_error.h"
#include "support/platform_files.h"
#include "support/working_folder.h"

namespace s2v {

namespace {

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

namespace platform {

EntryKind KindOf(const std::string& path, std::optional<IoError>* failure) {
  struct stat info;
  if (lstat(path.c_str(), &info) != 0) {
    if (failure != nullptr && errno != ENOENT) *failure = IoErrorFromErrno(errno);
    return EntryKind::Missing;
  }
  if (S_ISREG(info.st_mode)) return EntryKind::File;
  return S_ISDIR(info.st_mode) ? EntryKind::Folder : EntryKind::Other;
}

bool HasExactEntry(const std::string& folder, const std::string& name) {
  return KindOf(folder + '/' + name) != EntryKind::Missing;
}

std::vector<std::string> EntriesOf(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return names;
  while (dirent* entry = readdir(dir))
    if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
      names.emplace_back(entry->d_name);
  closedir(dir);
  return names;
}

std::optional<FileIdentity> IdentityOf(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return std::nullopt;
  return FileIdentity{static_cast<unsigned long long>(info.st_dev), static_cast<unsigned long long>(info.st_ino),
                      S_ISDIR(info.st_mode)};
}

bool MayWrite(const std::string& path) { return access(path.c_str(), W_OK) == 0; }

void RemoveFile(const std::string& path) { unlink(path.c_str()); }

std::optional<IoError> MoveOver(const std::string& from, const std::string& to) {
  if (std::rename(from.c_str(), to.c_str()) == 0) return std::nullopt;
  return IoErrorFromErrno(errno);
}

namespace {

// The permissions of a new file: what the program asks for, less the umask.
mode_t NewFilePermissions() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

}  // namespace

void TakePermissions(const std::string& passing, const std::string& entry) {
  struct stat info;
  const mode_t permissions = lstat(entry.c_str(), &info) == 0 ? info.st_mode & 07777 : NewFilePermissions();
  const int fd = open(passing.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) ThrowErrno(errno);
  if (fchmod(fd, permissions) != 0) {
    int err = errno;
    close(fd);
    ThrowErrno(err);
  }
  close(fd);
}

std::string CreateUnforeseen(const std::string& prefix, const std::string& suffix) {
  std::string path = prefix + "XXXXXX" + suffix;
  int fd = mkostemps(path.data(), static_cast<int>(suffix.size()), O_CLOEXEC);
  if (fd < 0) ThrowErrno(errno);
  close(fd);
  return path;
}

std::size_t LastSeparator(const std::string& path) { return path.find_last_of('/'); }

bool IsAbsolute(const std::string& path) { return !path.empty() && path.front() == '/'; }

}  // namespace platform

void WorkingFolder::CheckEntrance() const {
  struct stat info;
  if (stat(path_.c_str(), &info) != 0) ThrowErrno(errno);
  if (!S_ISDIR(info.st_mode)) ThrowErrno(ENOTDIR);
  if (access(path_.c_str(), X_OK) != 0) ThrowErrno(errno);
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
  folder.RemoveLeftovers();
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
  const bool staged = folder.Staging() && !folder.IsPassing(name);
  const std::string entry = staged ? folder.StageOutput(name) : folder.Resolve(name);
  name_ = staged ? folder.FolderEntry(name) : entry;
  // Not truncated on opening: what is found there is checked first.
  const int fd = open((folder.Path() + '/' + entry).c_str(),
                      O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0666);
  if (fd < 0 && errno == ELOOP) throw IoError::OnFile(kFileAccessDenied, entry);
  if (fd < 0) throw IoErrorFromErrno(errno).Naming(name_);
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
      throw IoErrorFromErrno(errno).Naming(name_);
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

void FileSink::Close() {
  if (fd_ < 0) return;
  int fd = fd_;
  fd_ = -1;
  if (close(fd) != 0) throw IoErrorFromErrno(errno).Naming(name_);
}

}  // namespace s2v
