// The working folder on Windows: paths in UTF-16, links and junctions refused
// where a file is written, a file's identity by its volume's serial number and
// its file index, a lock file held without sharing for the folder.
#include <windows.h>
// After windows.h, which it needs.
#include <bcrypt.h>
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <utility>

#include "support/io_error.h"
#include "support/platform_files.h"
#include "support/working_folder.h"

namespace s2v {

namespace {

// A path that may be longer than the 260 characters that Windows takes
// without the "\\?\" prefix; a short one as it is.
std::wstring LongPath(std::wstring path) {
  if (path.size() < 200 || path.starts_with(L"\\\\?\\")) return path;
  const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return path;
  std::wstring full(size, L'\0');
  const DWORD length = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
  if (length == 0 || length >= size) return path;
  full.resize(length);
  if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

// A name's bytes as UTF-16: UTF-8 when they are valid UTF-8 (the command
// line's and the system's names), else the program's 8-bit code page
// (names taken from an 8-bit file). Each part of a path is taken apart, so
// that a folder named in UTF-8 holds files named in Windows-1252. "/" becomes
// "\", which every call takes.
std::wstring WideName(const std::string& path) {
  std::wstring wide;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find_first_of("/\\", start);
    if (end == std::string::npos) end = path.size();
    const int size = static_cast<int>(end - start);
    if (size > 0) {
      const char* part = path.data() + start;
      UINT page = CP_UTF8;
      int length = MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, part, size, nullptr, 0);
      if (length == 0) {
        page = 1252;
        length = MultiByteToWideChar(page, 0, part, size, nullptr, 0);
      }
      const std::size_t at = wide.size();
      wide.resize(at + static_cast<std::size_t>(length));
      MultiByteToWideChar(page, 0, part, size, wide.data() + at, length);
    }
    if (end < path.size()) wide += L'\\';
    start = end + 1;
  }
  return wide;
}

// A path as the system's calls take it.
std::wstring Wide(const std::string& path) { return LongPath(WideName(path)); }

std::string Narrow(const wchar_t* text) {
  const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (length <= 1) return {};
  std::string narrow(static_cast<std::size_t>(length - 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow.data(), length, nullptr, nullptr);
  return narrow;
}

// The runtime's code for a system error, as IoErrorFromErrno gives it for
// the POSIX errors of the same meaning.
IoError IoErrorFromSystem(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return IoError(kFileNotFound);
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_DIRECTORY:
    case ERROR_INVALID_PARAMETER: return IoError(kInvalidFilename);
    case ERROR_TOO_MANY_OPEN_FILES: return IoError(kTooManyOpenFiles);
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
    case ERROR_CANT_ACCESS_FILE:
    case ERROR_CANT_RESOLVE_FILENAME: return IoError(kFileAccessDenied);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_NOT_ENOUGH_QUOTA:
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT: return IoError(kDiskFull);
    default: return IoError(kOsError, static_cast<int>(error));
  }
}

[[noreturn]] void ThrowLastError() { throw IoErrorFromSystem(GetLastError()); }

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// A handle that is closed when it goes.
class OwnedHandle {
 public:
  explicit OwnedHandle(HANDLE handle) : handle_(handle) {}
  ~OwnedHandle() {
    if (Valid()) CloseHandle(handle_);
  }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }
  HANDLE Release() { return std::exchange(handle_, INVALID_HANDLE_VALUE); }

 private:
  HANDLE handle_;
};

// The file or folder a path reaches, links followed, opened only to ask what
// it is.
OwnedHandle OpenToQuery(const std::string& path) {
  return OwnedHandle(CreateFileW(Wide(path).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

std::optional<platform::FileIdentity> IdentityOfHandle(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(handle, &info)) return std::nullopt;
  return platform::FileIdentity{info.dwVolumeSerialNumber,
                                (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow,
                                (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0};
}

std::wstring FinalPath(HANDLE handle) {
  std::wstring path(1024, L'\0');
  for (;;) {
    const DWORD length =
        GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()), FILE_NAME_NORMALIZED);
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(length + 1);
  }
}

// True when the open entry is the entry of its folder that the path names.
// Wine shows a POSIX symbolic link as the file it leads to, and its calls
// then rename or delete that file, wherever it is: such an entry is not
// this folder's own. (On Windows a link is a reparse point, opened itself.)
bool IsOwnEntry(HANDLE entry, const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  OwnedHandle folderHandle(CreateFileW(Wide(folder).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!folderHandle.Valid()) return false;
  std::wstring expected = FinalPath(folderHandle.Get());
  if (!expected.empty() && expected.back() != L'\\') expected += L'\\';
  expected += WideName(slash == std::string::npos ? path : path.substr(slash + 1));
  // Wine gives no final path of a path longer than 260 characters: then
  // only the reparse points tell.
  const std::wstring found = FinalPath(entry);
  if (found.empty()) return true;
  return CompareStringOrdinal(found.c_str(), static_cast<int>(found.size()), expected.c_str(),
                              static_cast<int>(expected.size()), TRUE) == CSTR_EQUAL;
}

// The entry itself, a link or junction not followed, opened only to ask
// what it is.
OwnedHandle OpenEntryToQuery(const std::string& path) {
  return OwnedHandle(CreateFileW(Wide(path).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

// A CRT descriptor for the handle, which then owns it. Throws IoError.
int DescriptorOf(OwnedHandle& handle, int flags) {
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle.Get()), flags | _O_BINARY | _O_NOINHERIT);
  if (fd < 0) throw IoError(kTooManyOpenFiles);
  handle.Release();
  return fd;
}

HANDLE HandleOf(int fd) { return reinterpret_cast<HANDLE>(_get_osfhandle(fd)); }

// Only a file on a disk is read or written: not a folder, a device (CON,
// NUL, COM1) or a pipe. Throws IoError naming the file.
void CheckRegularFile(HANDLE handle, const std::string& name) {
  if (GetFileType(handle) != FILE_TYPE_DISK) throw IoError::OnFile(kFileAccessDenied, name);
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(handle, &info)) ThrowLastError();
  if ((info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0)
    throw IoError::OnFile(kFileAccessDenied, name);
}

// The name of the file that holds a folder for a command. It lasts as long
// as its holder: the system deletes it when the last handle is closed, also
// when the program is ended outright.
constexpr const char* kLockFileName = ".s2v.lock";

}  // namespace

namespace platform {

EntryKind KindOf(const std::string& path, std::optional<IoError>* failure) {
  const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return EntryKind::Missing;
    // A name that cannot be one; anything else that is there but cannot be
    // looked at (Wine's view of a POSIX device) is no file.
    if (error != ERROR_INVALID_NAME && error != ERROR_BAD_PATHNAME && error != ERROR_FILENAME_EXCED_RANGE)
      return EntryKind::Other;
    if (failure != nullptr) *failure = IoErrorFromSystem(error);
    return EntryKind::Missing;
  }
  if ((attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) != 0) return EntryKind::Other;
  if (OwnedHandle entry = OpenEntryToQuery(path); entry.Valid() && !IsOwnEntry(entry.Get(), path))
    return EntryKind::Other;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? EntryKind::Folder : EntryKind::File;
}

bool HasExactEntry(const std::string& folder, const std::string& name) {
  // The system finds a name in any letter case (and by its short 8.3 name):
  // the entry found must have the name as it is.
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(Wide(folder + '/' + name).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return WideName(name) == found.cFileName;
}

std::vector<std::string> EntriesOf(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(Wide(folder + "/*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (std::wcscmp(found.cFileName, L".") != 0 && std::wcscmp(found.cFileName, L"..") != 0)
      names.push_back(Narrow(found.cFileName));
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

std::optional<FileIdentity> IdentityOf(const std::string& path) {
  OwnedHandle handle = OpenToQuery(path);
  if (!handle.Valid()) return std::nullopt;
  return IdentityOfHandle(handle.Get());
}

bool MayWrite(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) != 0) return false;
  // The file's access list may still refuse this user.
  OwnedHandle handle(CreateFileW(Wide(path).c_str(), FILE_WRITE_DATA, kShareAll, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  return handle.Valid() || GetLastError() == ERROR_SHARING_VIOLATION;
}

void RemoveFile(const std::string& path) {
  if (OwnedHandle entry = OpenEntryToQuery(path); entry.Valid() && !IsOwnEntry(entry.Get(), path)) return;
  DeleteFileW(Wide(path).c_str());
}

std::optional<IoError> MoveOver(const std::string& from, const std::string& to) {
  if (MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING)) return std::nullopt;
  return IoErrorFromSystem(GetLastError());
}

// A file put in place keeps the access list that the folder gives a new
// file; an old file that this program may not write is never replaced.
void TakePermissions(const std::string&, const std::string&) {}

std::string CreateUnforeseen(const std::string& prefix, const std::string& suffix) {
  static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  // Names differing only in letter case are one name here: a taken one is
  // drawn again.
  for (int attempt = 0; attempt < 100; ++attempt) {
    unsigned char random[6];
    if (BCryptGenRandom(nullptr, random, sizeof random, BCRYPT_USE_SYSTEM_PREFERRED_RNG) != 0)
      throw IoError(kOsError, static_cast<int>(ERROR_GEN_FAILURE));
    std::string path = prefix;
    for (unsigned char byte : random) path += kLetters[byte % (sizeof kLetters - 1)];
    path += suffix;
    HANDLE handle = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, kShareAll, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      CloseHandle(handle);
      return path;
    }
    if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) ThrowLastError();
  }
  throw IoError(kFileAccessDenied);
}

std::size_t LastSeparator(const std::string& path) { return path.find_last_of("/\\"); }

bool IsAbsolute(const std::string& path) {
  if (!path.empty() && (path.front() == '/' || path.front() == '\\')) return true;
  return path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]));
}

}  // namespace platform

void WorkingFolder::CheckEntrance() const {
  const DWORD attributes = GetFileAttributesW(Wide(path_).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) ThrowLastError();
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) throw IoError(kInvalidFilename);
}

std::optional<FolderLock> FolderLock::TryLock(const WorkingFolder& folder) {
  // No sharing: a second holder is refused while this handle is open.
  OwnedHandle handle(
      CreateFileW(Wide(folder.Path() + '/' + kLockFileName).c_str(), GENERIC_READ | DELETE, 0, nullptr, OPEN_ALWAYS,
                  FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!handle.Valid()) {
    const DWORD error = GetLastError();
    // A lock file being deleted by its last holder is refused as denied; a
    // folder where none can be made is not held, and its files fail later
    // with their own messages.
    if (error == ERROR_SHARING_VIOLATION) return std::nullopt;
    if (error == ERROR_ACCESS_DENIED &&
        platform::KindOf(folder.Path() + '/' + kLockFileName) != platform::EntryKind::Missing)
      return std::nullopt;
    throw IoErrorFromSystem(error);
  }
  const int fd = DescriptorOf(handle, _O_RDONLY);
  folder.RemoveLeftovers();
  return FolderLock(fd);
}

FolderLock& FolderLock::operator=(FolderLock&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) _close(fd_);
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

FolderLock::~FolderLock() {
  if (fd_ >= 0) _close(fd_);  // the system deletes the lock file
}

bool FolderLock::Holds(const WorkingFolder& folder) const {
  if (fd_ < 0) return false;
  wchar_t path[MAX_PATH * 4];
  const DWORD length = GetFinalPathNameByHandleW(HandleOf(fd_), path, MAX_PATH * 4, FILE_NAME_NORMALIZED);
  if (length == 0 || length >= MAX_PATH * 4) return false;
  std::wstring held(path, length);
  held.resize(held.find_last_of(L'\\'));
  OwnedHandle heldFolder(CreateFileW(held.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  OwnedHandle asked = OpenToQuery(folder.Path());
  if (!heldFolder.Valid() || !asked.Valid()) return false;
  const auto a = IdentityOfHandle(heldFolder.Get());
  const auto b = IdentityOfHandle(asked.Get());
  return a && b && a->volume == b->volume && a->index == b->index;
}

FileSource::FileSource(const WorkingFolder& folder, const std::string& name) {
  if (name.empty()) throw IoError(kFileNotFound);
  // Shared for writing and deleting, as a POSIX file is: the run replaces
  // files that it has open for reading.
  OwnedHandle handle(CreateFileW(Wide(folder.PathOf(name)).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!handle.Valid()) {
    const DWORD error = GetLastError();
    if (platform::KindOf(folder.PathOf(name)) == platform::EntryKind::Folder)
      throw IoError::OnFile(kFileAccessDenied, folder.Resolve(name));
    throw IoErrorFromSystem(error);
  }
  CheckRegularFile(handle.Get(), folder.Resolve(name));
  LARGE_INTEGER size;
  if (GetFileSizeEx(handle.Get(), &size)) size_ = static_cast<std::uint64_t>(size.QuadPart);
  fd_ = DescriptorOf(handle, _O_RDONLY);
}

FileSource::~FileSource() { _close(fd_); }

namespace {

// Reads at offset, whatever the handle's own position.
std::size_t ReadFileAt(HANDLE handle, std::uint64_t offset, char* data, std::size_t size) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD read = 0;
  const DWORD asked = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
  if (!ReadFile(handle, data, asked, &read, &at)) {
    if (GetLastError() == ERROR_HANDLE_EOF) return 0;
    ThrowLastError();
  }
  return read;
}

}  // namespace

std::size_t FileSource::Read(char* data, std::size_t size) {
  // Read from where the last read ended: ReadAt moves the handle's position.
  const std::size_t n = ReadFileAt(HandleOf(fd_), read_, data, size);
  read_ += n;
  return n;
}

std::size_t FileSource::ReadAt(std::uint64_t offset, char* data, std::size_t size) const {
  return ReadFileAt(HandleOf(fd_), offset, data, size);
}

FileSink::FileSink(const WorkingFolder& folder, const std::string& name) : writeBehind_(folder.WriteBehind()) {
  if (name.empty()) throw IoError(kFileNotFound);
  const bool staged = folder.Staging() && !folder.IsPassing(name);
  const std::string entry = staged ? folder.StageOutput(name) : folder.Resolve(name);
  name_ = staged ? folder.FolderEntry(name) : entry;
  // A link or a junction is opened itself, not followed, and then refused;
  // not truncated on opening: what is found there is checked first.
  OwnedHandle handle(CreateFileW(Wide(folder.Path() + '/' + entry).c_str(), GENERIC_WRITE, kShareAll, nullptr,
                                 OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!handle.Valid()) {
    if (platform::KindOf(folder.Path() + '/' + entry) == platform::EntryKind::Folder)
      throw IoError::OnFile(kFileAccessDenied, entry);
    throw IoErrorFromSystem(GetLastError()).Naming(name_);
  }
  CheckRegularFile(handle.Get(), entry);
  if (!IsOwnEntry(handle.Get(), folder.Path() + '/' + entry)) throw IoError::OnFile(kFileAccessDenied, entry);
  const auto id = IdentityOfHandle(handle.Get());
  if (id && folder.Protecting({id->volume, id->index})) throw IoError::OnFile(kFileAccessDenied, entry);
  LARGE_INTEGER size;
  if (!GetFileSizeEx(handle.Get(), &size) || size.QuadPart > 0) {
    FILE_END_OF_FILE_INFO end{};
    if (!SetFileInformationByHandle(handle.Get(), FileEndOfFileInfo, &end, sizeof end)) ThrowLastError();
  }
  fd_ = DescriptorOf(handle, _O_WRONLY);
}

FileSink::~FileSink() {
  if (fd_ >= 0) _close(fd_);
}

void FileSink::Write(const char* data, std::size_t size) {
  if (fd_ < 0) throw IoError(kFileNotOpen);
  const HANDLE handle = HandleOf(fd_);
  while (size > 0) {
    DWORD written = 0;
    const DWORD asked = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    if (!WriteFile(handle, data, asked, &written, nullptr)) throw IoErrorFromSystem(GetLastError()).Naming(name_);
    data += written;
    size -= written;
    written_ += written;
  }
  // Windows writes a growing file out to the disk as it goes by itself.
  started_ = written_;
}

void FileSink::Close() {
  if (fd_ < 0) return;
  int fd = fd_;
  fd_ = -1;
  if (_close(fd) != 0) throw IoError(kDiskFull, 0).Naming(name_);
}

}  // namespace s2v
