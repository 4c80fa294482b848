// The working folder's rules, over the platform's calls on files: names
// matched without regard to case, staging, leftovers and protected inputs.
#include "support/working_folder.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "support/io_error.h"
#include "support/platform_files.h"
#include "support/text_scan.h"

namespace s2v {

namespace {

// A passing name is 16 bytes longer than the part of the name it keeps: that
// of a long name is cut, so that any name that can be written can be staged.
constexpr std::size_t kLongestPassingPrefix = 200;
constexpr std::size_t kPassingRandomLength = 6;

bool EntryExists(const std::string& path) { return platform::KindOf(path) != platform::EntryKind::Missing; }

}  // namespace

WorkingFolder::WorkingFolder(std::string path) : path_(path.empty() ? std::string(".") : std::move(path)) {}

std::pair<WorkingFolder, std::string> WorkingFolder::OfFile(const std::string& path, const std::string& start) {
  const std::size_t slash = platform::LastSeparator(path);
  if (slash == std::string::npos) return {WorkingFolder(start), path};
  std::string folder = slash == 0 ? "/" : path.substr(0, slash);
  if (!platform::IsAbsolute(path))
    folder = start + '/' + folder;
  else if (folder.size() == 2 && folder[1] == ':')
    folder += '/';  // "C:" alone is the current folder of drive C
  return {WorkingFolder(folder), path.substr(slash + 1)};
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
  if (name.empty() || platform::HasExactEntry(path_, name)) return name;
  for (const std::string& entry : platform::EntriesOf(path_))
    if (EqualIgnoringCase(name, entry)) return entry;
  return name;
}

std::string WorkingFolder::PathOf(const std::string& name) const { return path_ + '/' + Resolve(name); }

bool WorkingFolder::Exists(const std::string& name) const {
  if (name.empty()) return false;
  const auto id = platform::IdentityOf(PathOf(name));
  return id && !id->folder;
}

void WorkingFolder::Remove(const std::string& name) const {
  // Only an entry of the folder itself: a name with a separator names none.
  if (platform::LastSeparator(name) != std::string::npos) return;
  if (staging_) {
    std::vector<std::string>& passing = staging_->passing;
    if (auto made = std::find(passing.begin(), passing.end(), name); made != passing.end()) {
      platform::RemoveFile(path_ + '/' + name);
      passing.erase(made);
      return;
    }
    if (Staged::Output* output = staging_->Find(name)) {
      platform::RemoveFile(path_ + '/' + output->passing);
      staging_->outputs.erase(staging_->outputs.begin() + (output - staging_->outputs.data()));
    }
    if (Exists(name) && !IsProtectedInput(name)) staging_->removals.push_back(FolderEntry(name));
    return;
  }
  if (Exists(name) && !IsProtectedInput(name)) platform::RemoveFile(PathOf(name));
}

void WorkingFolder::CheckReplaceable(const std::string& name) const {
  const std::string entry = FolderEntry(name);
  const std::string path = path_ + '/' + entry;
  std::optional<IoError> failure;
  const platform::EntryKind kind = platform::KindOf(path, &failure);
  if (failure) throw failure->Naming(entry);
  if (kind == platform::EntryKind::Missing) return;
  const auto id = kind == platform::EntryKind::File ? platform::IdentityOf(path) : std::nullopt;
  if (!id || Protecting({id->volume, id->index}) || !platform::MayWrite(path))
    throw IoError::OnFile(kFileAccessDenied, entry);
}

namespace {

// Puts a complete passing file in the place of entry, giving it the
// permissions that entry's file has, or those of a new file. An old file is
// first renamed aside, to the name returned, which the caller removes: ext4
// writes a file renamed over another one out to the disk at once, which held
// a run up by a fifth of a second for each large file, and the old file
// renamed aside has nothing left to write. Should the second renaming fail,
// the old file is put back.
std::string Place(const WorkingFolder& folder, const std::string& passing, const std::string& entry) {
  const std::string path = folder.Path() + '/' + entry;
  const std::string passingPath = folder.Path() + '/' + passing;
  const bool old = EntryExists(path);
  platform::TakePermissions(passingPath, path);
  std::string aside;
  if (old) {
    aside = folder.CreatePassing(entry, kAsideSuffix);
    if (auto failure = platform::MoveOver(path, folder.Path() + '/' + aside)) {
      platform::RemoveFile(folder.Path() + '/' + aside);
      throw failure->Naming(entry);
    }
  }
  if (auto failure = platform::MoveOver(passingPath, path)) {
    if (old) platform::MoveOver(folder.Path() + '/' + aside, path);
    throw failure->Naming(entry);
  }
  return aside;
}

}  // namespace

void WorkingFolder::PutInPlace(const std::string& passing, const std::string& name) const {
  CheckReplaceable(name);
  if (!staging_) {
    const std::string aside = Place(*this, passing, FolderEntry(name));
    if (!aside.empty()) platform::RemoveFile(path_ + '/' + aside);
    return;
  }
  std::vector<std::string>& made = staging_->passing;
  made.erase(std::remove(made.begin(), made.end(), passing), made.end());
  if (Staged::Output* output = staging_->Find(name)) {
    platform::RemoveFile(path_ + '/' + output->passing);
    output->passing = passing;
  } else {
    staging_->outputs.push_back({FolderEntry(name), passing});
  }
}

std::string WorkingFolder::CreatePassing(const std::string& name, const char* suffix) const {
  std::string path;
  try {
    path = platform::CreateUnforeseen(path_ + '/' + name.substr(0, kLongestPassingPrefix) + '.', suffix);
  } catch (const IoError& failure) {
    throw failure.Naming(name);
  }
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
  for (const std::string& name : platform::EntriesOf(path_)) {
    const std::string path = path_ + '/' + name;
    if (platform::KindOf(path) != platform::EntryKind::File) continue;
    if (PassingFor(name, kPassingSuffix)) {
      platform::RemoveFile(path);
    } else if (auto old = PassingFor(name, kAsideSuffix)) {
      // The old file is the only one left of its name when its new one never
      // took its place; a cut name says too little to tell, so that file
      // stays for the user.
      if (old->size() >= kLongestPassingPrefix) continue;
      if (EntryExists(path_ + '/' + *old))
        platform::RemoveFile(path);
      else
        platform::MoveOver(path, path_ + '/' + *old);
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
      if (!name.empty()) platform::RemoveFile(path_ + '/' + name);
    throw;
  }
  for (const std::string& name : aside)
    if (!name.empty()) platform::RemoveFile(path_ + '/' + name);
  for (const std::string& entry : staged->removals)
    if (!IsProtectedInput(entry)) platform::RemoveFile(path_ + '/' + entry);
}

void WorkingFolder::DiscardStaged() {
  if (!staging_) return;
  for (const Staged::Output& output : staging_->outputs) platform::RemoveFile(path_ + '/' + output.passing);
  for (const std::string& name : staging_->passing) platform::RemoveFile(path_ + '/' + name);
  staging_.reset();
}

void WorkingFolder::ProtectInput(const std::string& name) {
  if (name.empty()) return;
  if (auto id = platform::IdentityOf(PathOf(name)))
    inputs_.push_back({{id->volume, id->index}, Resolve(name), PathOf(name)});
}

void WorkingFolder::KeepInputsOf(const WorkingFolder& other) {
  inputs_.insert(inputs_.end(), other.inputs_.begin(), other.inputs_.end());
}

const WorkingFolder::Input* WorkingFolder::Protecting(const FileId& id) const {
  // The file system gives the number of a removed file to a new one: an
  // input that no longer stands where it was is no file of this command's.
  for (const Input& input : inputs_) {
    if (!(input.id == id)) continue;
    auto now = platform::IdentityOf(input.path);
    if (now && now->volume == id.device && now->index == id.inode) return &input;
  }
  return nullptr;
}

std::optional<std::string> WorkingFolder::ProtectedInput(const std::string& name) const {
  if (inputs_.empty() || name.empty()) return std::nullopt;
  auto id = platform::IdentityOf(PathOf(name));
  if (!id) return std::nullopt;
  const Input* input = Protecting({id->volume, id->index});
  return input != nullptr ? std::optional(input->name) : std::nullopt;
}

}  // namespace s2v
