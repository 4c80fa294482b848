// The calls on files that differ between POSIX and Win32. The working
// folder's rules (names, staging, leftovers, inputs) are written once over
// them, in working_folder.cpp; working_folder_posix.cpp and
// working_folder_win32.cpp implement them, with the open files' classes.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/io_error.h"

namespace s2v::platform {

// What an entry is, the entry itself: a link or a junction is Other, as a
// device or a FIFO is. failure, when given, is set when the entry cannot be
// looked at for another reason than that there is none.
enum class EntryKind { Missing, File, Folder, Other };
EntryKind KindOf(const std::string& path, std::optional<IoError>* failure = nullptr);

// True when the folder has an entry of exactly this name, letter case and all.
bool HasExactEntry(const std::string& folder, const std::string& name);
// The names of the folder's entries; none when it cannot be read.
std::vector<std::string> EntriesOf(const std::string& folder);

// The file a path reaches, links followed: its volume (device) and its number
// there (inode, file index), and whether it is a folder.
struct FileIdentity {
  unsigned long long volume, index;
  bool folder;
};
std::optional<FileIdentity> IdentityOf(const std::string& path);

// True when the program may write the file.
bool MayWrite(const std::string& path);
// Deletes a file; the outcome is not reported.
void RemoveFile(const std::string& path);
// Renames from over to, replacing a file there; the failure when it cannot.
std::optional<IoError> MoveOver(const std::string& from, const std::string& to);
// Gives the file at passing the permissions of the file at entry, or those
// of a file created there when there is none. Throws IoError.
void TakePermissions(const std::string& passing, const std::string& entry);
// Creates an empty file named prefix + six letters or digits that no one can
// foresee + suffix, exclusively, and returns its path. Throws IoError.
std::string CreateUnforeseen(const std::string& prefix, const std::string& suffix);

// The last separator of a path's folders ("/", and "\" on Windows), or npos.
std::size_t LastSeparator(const std::string& path);
// True for a path that does not start from the current folder.
bool IsAbsolute(const std::string& path);

}  // namespace s2v::platform
