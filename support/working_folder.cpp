#include "support/working_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "support/io_error.h"
#include "support/text_scan.h"

namespace s2v {

namespace {

// A passing name is 16 bytes longer than the part of the name it keeps: that
// of a long name is cut, so that any name that can be written can be staged.
constexpr std::size_t kLongestPassingPrefix = 200;
constexpr std::size_t kPassingRandomLength = 6;

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

struct WorkingFolder::Staged {
  struct Output {
    std::string entry;    // the folder's entry that the output creates or replaces
    std::string passing;  // where it is written until then
  };
  std::vector<Output> outputs;
  std::vector<std::string> passing;   // passing names made while staging, not yet outputs
  std::vector<std::string> removals;  // entries removed when the outputs are put in place

  Output* Find(const std::string& name) {
    for (Output& output : outputs)
      if (output.entry == name) return &output;
    for (Output& output : outputs)
      if (EqualIgnoringCase(output.entry, name)) return &output;
    return nullptr;
  }
};

std::string WorkingFolder::Resolve(const std::string& name) const {
  if (staging_)
    if (const Staged::Output* output = staging_->Find(name)) return output->passing;
  return FolderEntry(name);
}

std::string WorkingFolder::FolderEntry(const std::string& name) const {
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
  if (staging_) {
    std::vector<std::string>& passing = staging_->passing;
    if (auto made = std::find(passing.begin(), passing.end(), name); made != passing.end()) {
      unlink((path_ + '/' + name).c_str());
      passing.erase(made);
      return;
    }
    if (Staged::Output* output = staging_->Find(name)) {
      unlink((path_ + '/' + output->passing).c_str());
      staging_->outputs.erase(staging_->outputs.begin() + (output - staging_->outputs.data()));
    }
    if (Exists(name) && !IsProtectedInput(name)) staging_->removals.push_back(FolderEntry(name));
    return;
  }
  if (Exists(name) && !IsProtectedInput(name)) unlink(PathOf(name).c_str());
}

void WorkingFolder::CheckReplaceable(const std::string& name) const {
  const std::string entry = FolderEntry(name);
  const std::string path = path_ + '/' + entry;
  struct stat info;
  if (lstat(path.c_str(), &info) != 0) {
    if (errno == ENOENT) return;
    throw IoErrorFromErrno(errno).Naming(entry);
  }
  if (!S_ISREG(info.st_mode) ||
      Protecting({static_cast<unsigned long long>(info.st_dev), static_cast<unsigned long long>(info.st_ino)}) ||
      access(path.c_str(), W_OK) != 0)
    throw IoError::OnFile(kFileAccessDenied, entry);
}

namespace {

// The permissions of a new file: what the program asks for, less the umask.
mode_t NewFilePermissions() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

// Puts a complete passing file in the place of entry, giving it the
// permissions that entry's file has, or those of a new file. An old file is
// first renamed aside, to the name returned, which the caller removes: ext4
// writes a file renamed over another one out to the disk at once, which held
// a run up by a fifth of a second for each large file, and the old file
// renamed aside has nothing left to write. Should the second renaming fail,
// the old file is put back.
std::string Place(const WorkingFolder& folder, const std::string& passing, const std::string& entry) {
  const std::string path = folder.Path() + '/' + entry;
  struct stat info;
  const bool old = lstat(path.c_str(), &info) == 0;
  const mode_t permissions = old ? info.st_mode & 07777 : NewFilePermissions();
  const int fd =
      open((folder.Path() + '/' + passing).c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) ThrowErrno(errno);
  if (fchmod(fd, permissions) != 0) {
    int err = errno;
    close(fd);
    ThrowErrno(err);
  }
  close(fd);
  std::string aside;
  if (old) {
    aside = folder.CreatePassing(entry, kAsideSuffix);
    if (std::rename(path.c_str(), (folder.Path() + '/' + aside).c_str()) != 0) {
      const int err = errno;
      unlink((folder.Path() + '/' + aside).c_str());
      throw IoErrorFromErrno(err).Naming(entry);
    }
  }
  if (std::rename((folder.Path() + '/' + passing).c_str(), path.c_str()) != 0) {
    const int err = errno;
    if (old) std::rename((folder.Path() + '/' + aside).c_str(), path.c_str());
    throw IoErrorFromErrno(err).Naming(entry);
  }
  return aside;
}

}  // namespace

void WorkingFolder::PutInPlace(const std::string& passing, const std::string& name) const {
  CheckReplaceable(name);
  if (!staging_) {
    const std::string aside = Place(*this, passing, FolderEntry(name));
    if (!aside.empty()) unlink((path_ + '/' + aside).c_str());
    return;
  }
  std::vector<std::string>& made = staging_->passing;
  made.erase(std::remove(made.begin(), made.end(), passing), made.end());
  if (Staged::Output* output = staging_->Find(name)) {
    unlink((path_ + '/' + output->passing).c_str());
    output->passing = passing;
  } else {
    staging_->outputs.push_back({FolderEntry(name), passing});
  }
}

std::string WorkingFolder::CreatePassing(const std::string& name, const char* suffix) const {
  std::string path =
      path_ + '/' + name.substr(0, kLongestPassingPrefix) + '.' + std::string(kPassingRandomLength, 'X') + suffix;
  int fd = mkostemps(path.data(), static_cast<int>(std::strlen(suffix)), O_CLOEXEC);
  if (fd < 0) throw IoErrorFromErrno(errno).Naming(name);
  close(fd);
  std::string passing = path.substr(path_.size() + 1);
  if (staging_) staging_->passing.push_back(passing);
  return passing;
}

namespace {

// The name a passing name stands for (NAME of NAME.XXXXXX + suffix), or
// nothing when it is not one.
std::optional<std::string> PassingFor(std::string_view entry, std::string_view suffix) {
  if (entry.size() <= suffix.size() + kPassingRandomLength + 1 || !entry.ends_with(suffix)) return std::nullopt;
  entry.remove_suffix(suffix.size());
  const std::string_view random = entry.substr(entry.size() - kPassingRandomLength);
  entry.remove_suffix(kPassingRandomLength);
  if (!entry.ends_with('.') ||
      !std::all_of(random.begin(), random.end(), [](unsigned char c) { return std::isalnum(c) != 0; }))
    return std::nullopt;
  entry.remove_suffix(1);
  return std::string(entry);
}

}  // namespace

void WorkingFolder::RemoveLeftovers() const {
  DIR* dir = opendir(path_.c_str());
  if (dir == nullptr) return;
  std::vector<std::string> names;
  while (dirent* entry = readdir(dir)) names.emplace_back(entry->d_name);
  closedir(dir);
  for (const std::string& name : names) {
    const std::string path = path_ + '/' + name;
    struct stat info;
    if (lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
    if (PassingFor(name, kPassingSuffix)) {
      unlink(path.c_str());
    } else if (auto old = PassingFor(name, kAsideSuffix)) {
      // The old file is the only one left of its name when its new one never
      // took its place; a cut name says too little to tell, so that file
      // stays for the user.
      if (old->size() >= kLongestPassingPrefix) continue;
      if (EntryExists(path_ + '/' + *old))
        unlink(path.c_str());
      else
        std::rename(path.c_str(), (path_ + '/' + *old).c_str());
    }
  }
}

void WorkingFolder::BeginStaging() {
  DiscardStaged();
  staging_ = std::make_shared<Staged>();
}

std::string WorkingFolder::StageOutput(const std::string& name) const {
  if (const Staged::Output* output = staging_->Find(name)) return output->passing;
  CheckReplaceable(name);
  const std::string entry = FolderEntry(name);
  const std::string passing = CreatePassing(entry, kPassingSuffix);
  std::vector<std::string>& made = staging_->passing;
  made.erase(std::remove(made.begin(), made.end(), passing), made.end());
  staging_->outputs.push_back({entry, passing});
  return passing;
}

bool WorkingFolder::IsPassing(const std::string& name) const {
  if (!staging_) return false;
  const std::vector<std::string>& made = staging_->passing;
  if (std::find(made.begin(), made.end(), name) != made.end()) return true;
  return std::any_of(staging_->outputs.begin(), staging_->outputs.end(),
                     [&](const Staged::Output& output) { return output.passing == name; });
}

void WorkingFolder::PutStagedInPlace() {
  if (!staging_) return;
  // Every place is checked before the first file is put in it.
  for (const Staged::Output& output : staging_->outputs) CheckReplaceable(output.entry);
  // The old files are removed once all the new ones stand in their places.
  std::shared_ptr<Staged> staged = std::move(staging_);
  std::vector<std::string> aside;
  try {
    for (const Staged::Output& output : staged->outputs) aside.push_back(Place(*this, output.passing, output.entry));
  } catch (const IoError&) {
    staging_ = std::move(staged);
    for (const std::string& name : aside)
      if (!name.empty()) unlink((path_ + '/' + name).c_str());
    throw;
  }
  for (const std::string& name : aside)
    if (!name.empty()) unlink((path_ + '/' + name).c_str());
  for (const std::string& entry : staged->removals)
    if (!IsProtectedInput(entry)) unlink((path_ + '/' + entry).c_str());
}

void WorkingFolder::DiscardStaged() {
  if (!staging_) return;
  for (const Staged::Output& output : staging_->outputs) unlink((path_ + '/' + output.passing).c_str());
  for (const std::string& name : staging_->passing) unlink((path_ + '/' + name).c_str());
  staging_.reset();
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
  if (auto id = IdentityOf(PathOf(name))) inputs_.push_back({{id->first, id->second}, Resolve(name), PathOf(name)});
}

void WorkingFolder::KeepInputsOf(const WorkingFolder& other) {
  inputs_.insert(inputs_.end(), other.inputs_.begin(), other.inputs_.end());
}

const WorkingFolder::Input* WorkingFolder::Protecting(const FileId& id) const {
  // The file system gives the number of a removed file to a new one: an
  // input that no longer stands where it was is no file of this command's.
  for (const Input& input : inputs_) {
    if (!(input.id == id)) continue;
    auto now = IdentityOf(input.path);
    if (now && now->first == id.device && now->second == id.inode) return &input;
  }
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
