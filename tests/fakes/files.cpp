#include "tests/fakes/files.h"

#include <algorithm>
#include <cstdio>

#include "tests/fakes/file_mapping.h"
#include "tests/fakes/process.h"
#include "tests/fakes/world.h"

namespace fakes {
namespace {

// Never destroyed: packages the program holds open are let go at exit, after the statics here.
FilesWorld& world = *new FilesWorld;
const bool registered = RegisterReset([] { world = FilesWorld{}; });
const bool closerSet = (SetForeignFileCloser(&CloseFilesHandle), true);

constexpr std::uint32_t kFileNotFound = 2;
constexpr std::uint32_t kPathNotFound = 3;
constexpr std::uint32_t kAccessDenied = 5;
constexpr std::uint32_t kInvalidHandle = 6;
constexpr std::uint32_t kAlreadyExists = 183;
constexpr std::uint32_t kSharingViolation = 32;
constexpr std::uint32_t kFileExists = 80;
constexpr std::uintptr_t kFirstHandle = 0x1000;
constexpr std::uintptr_t kFirstHeldHandle = 0x2000;
constexpr std::uintptr_t kFirstFolderHandle = 0x3000;

// The path with the links among its leading folders followed, as the system follows them.
std::u16string Real(std::u16string path) {
  for (bool followed = true; followed;) {
    followed = false;
    for (const auto& [link, target] : world.folderLinks) {
      if (path.compare(0, link.size(), link) == 0 && (path.size() == link.size() || path[link.size()] == u'\\')) {
        path = target + path.substr(link.size());
        followed = true;
        break;
      }
    }
  }
  return path;
}

bool IsHeld(const std::u16string& path) {
  for (std::size_t index : world.heldOpen) {
    if (Real(world.held[index]) == Real(path)) return true;
  }
  return false;
}

void SetLastError(std::uint32_t error) { Process().lastError = error; }

std::u16string WithoutTrailingBackslash(std::u16string path) {
  while (path.size() > 1 && path.back() == u'\\') path.pop_back();
  return path;
}

std::u16string ParentOf(const std::u16string& path) {
  const std::u16string trimmed = WithoutTrailingBackslash(path);
  const std::size_t slash = trimmed.rfind(u'\\');
  return slash == std::u16string::npos ? std::u16string{} : trimmed.substr(0, slash);
}

bool FolderExists(const std::u16string& path) { return world.folders.count(Real(WithoutTrailingBackslash(path))) != 0; }

std::string Hex(std::uint32_t value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%X", value);
  return buffer;
}

}  // namespace

FilesWorld& Files() { return world; }

bool CloseFilesHandle(void* handle) {
  const auto value = reinterpret_cast<std::uintptr_t>(handle);
  if (value < kFirstHeldHandle || value >= kFirstHeldHandle + world.held.size()) return false;
  // Not recorded: held packages may be let go at exit, after the call log is gone.
  world.heldOpen.erase(value - kFirstHeldHandle);
  return true;
}

void AddSpecialFolder(int folder, const std::u16string& path) {
  world.specialFolders[folder] = path;
  world.folders.insert(WithoutTrailingBackslash(path));
}

}  // namespace fakes

namespace platform {

FileHandle CreateFileForWriting(const std::u16string& path) {
  fakes::Record("CreateFileForWriting " + fakes::Utf8(path));
  fakes::FilesWorld& world = fakes::Files();
  const std::u16string real = fakes::Real(path);
  const auto locked = world.lockedFiles.find(real);
  if (locked != world.lockedFiles.end()) {
    fakes::SetLastError(locked->second);
    return FileHandle();
  }
  if (fakes::IsHeld(path)) {
    fakes::SetLastError(fakes::kSharingViolation);
    return FileHandle();
  }
  if (!fakes::FolderExists(fakes::ParentOf(path))) {
    fakes::SetLastError(fakes::kPathNotFound);
    return FileHandle();
  }
  if (world.files.count(real) != 0) {
    fakes::SetLastError(fakes::kFileExists);
    return FileHandle();
  }
  world.files[real].clear();
  world.attributes.erase(real);
  world.identities[real] = world.nextIdentity++;
  fakes::SetLastError(0);
  world.openedForWriting.push_back(path);
  return FileHandle(reinterpret_cast<void*>(fakes::kFirstHandle + world.openedForWriting.size() - 1));
}

FileHandle OpenFileForRewriting(const std::u16string& path) {
  fakes::Record("OpenFileForRewriting " + fakes::Utf8(path));
  fakes::FilesWorld& world = fakes::Files();
  const std::u16string real = fakes::Real(path);
  const auto locked = world.lockedFiles.find(real);
  std::uint32_t refusal = 0;
  if (locked != world.lockedFiles.end()) {
    refusal = locked->second;
  } else if (fakes::IsHeld(path)) {
    refusal = fakes::kSharingViolation;
  } else if (!fakes::FolderExists(fakes::ParentOf(path))) {
    refusal = fakes::kPathNotFound;
  } else if (world.files.count(real) == 0) {
    refusal = fakes::kFileNotFound;
  } else if (world.notPlainFiles.count(real) != 0) {
    refusal = fakes::kAccessDenied;
  }
  if (refusal != 0) {
    fakes::SetLastError(refusal);
    return FileHandle();
  }
  world.files[real].clear();
  fakes::SetLastError(0);
  world.openedForWriting.push_back(path);
  return FileHandle(reinterpret_cast<void*>(fakes::kFirstHandle + world.openedForWriting.size() - 1));
}

bool ReadFromFile(const FileHandle& file, std::uint8_t* buffer, std::uint32_t capacity, std::uint32_t& read) {
  fakes::FilesWorld& world = fakes::Files();
  const auto index = reinterpret_cast<std::uintptr_t>(file.get()) - fakes::kFirstHeldHandle;
  if (index >= world.held.size()) {
    fakes::SetLastError(fakes::kInvalidHandle);
    return false;
  }
  const std::vector<std::uint8_t>& contents = world.files[fakes::Real(world.held[index])];
  std::size_t& position = world.heldReadPositions[index];
  read = static_cast<std::uint32_t>(std::min<std::size_t>(capacity, contents.size() - std::min(position, contents.size())));
  std::copy_n(contents.begin() + static_cast<std::ptrdiff_t>(position), read, buffer);
  position += read;
  return true;
}

bool DeleteUnusedPlainFile(const std::u16string& path) {
  fakes::Record("DeleteUnusedPlainFile " + fakes::Utf8(path));
  fakes::FilesWorld& world = fakes::Files();
  const std::u16string real = fakes::Real(path);
  std::uint32_t refusal = 0;
  if (world.lockedFiles.count(real) != 0 || fakes::IsHeld(path)) {
    refusal = fakes::kSharingViolation;
  } else if (world.files.count(real) == 0) {
    refusal = fakes::kFileNotFound;
  } else if (world.notPlainFiles.count(real) != 0) {
    refusal = fakes::kAccessDenied;
  }
  if (refusal != 0) {
    fakes::SetLastError(refusal);
    return false;
  }
  world.files.erase(real);
  world.attributes.erase(real);
  return true;
}

std::vector<std::u16string> FindFileNames(const std::u16string& given) {
  fakes::Record("FindFileNames " + fakes::Utf8(given));
  const std::u16string pattern = fakes::Real(given);
  const std::size_t star = pattern.find(u'*');
  const std::u16string head = pattern.substr(0, star);
  const std::u16string tail = star == std::u16string::npos ? std::u16string() : pattern.substr(star + 1);
  const std::size_t folderEnd = pattern.rfind(u'\\', star) + 1;
  std::vector<std::u16string> names;
  for (const auto& [path, contents] : fakes::Files().files) {
    const bool matches = star == std::u16string::npos
                             ? path == pattern
                             : path.size() >= head.size() + tail.size() && path.compare(0, head.size(), head) == 0 &&
                                   path.compare(path.size() - tail.size(), tail.size(), tail) == 0 &&
                                   fakes::ParentOf(path) + u"\\" == pattern.substr(0, folderEnd);
    if (matches) names.push_back(path.substr(folderEnd));
  }
  return names;
}

bool WriteToFile(const FileHandle& file, const std::uint8_t* data, std::uint32_t size) {
  fakes::FilesWorld& world = fakes::Files();
  const auto index = reinterpret_cast<std::uintptr_t>(file.get()) - fakes::kFirstHandle;
  if (index >= world.openedForWriting.size()) {
    fakes::Record("WriteToFile <invalid handle> " + std::to_string(size));
    fakes::SetLastError(fakes::kInvalidHandle);
    return false;
  }
  const std::u16string& path = world.openedForWriting[index];
  fakes::Record("WriteToFile " + fakes::Utf8(path) + " " + std::to_string(size));
  world.lastWriteSource = data;
  std::vector<std::uint8_t>& contents = world.files[fakes::Real(path)];
  if (world.writeError) {
    const std::size_t landed = std::min<std::size_t>(world.bytesWrittenBeforeFailure, size);
    contents.insert(contents.end(), data, data + landed);
    fakes::SetLastError(*world.writeError);
    return false;
  }
  contents.insert(contents.end(), data, data + size);
  return true;
}

bool QueryFileIdentity(const FileHandle& file, FileIdentity& identity) {
  fakes::FilesWorld& world = fakes::Files();
  const auto value = reinterpret_cast<std::uintptr_t>(file.get());
  const std::u16string* path = nullptr;
  if (value >= fakes::kFirstHandle && value < fakes::kFirstHandle + world.openedForWriting.size()) {
    path = &world.openedForWriting[value - fakes::kFirstHandle];
  } else if (value >= fakes::kFirstHeldHandle && value < fakes::kFirstHeldHandle + world.held.size()) {
    path = &world.held[value - fakes::kFirstHeldHandle];
  }
  if (path == nullptr) {
    fakes::SetLastError(fakes::kInvalidHandle);
    return false;
  }
  identity = FileIdentity{1, world.identities[fakes::Real(*path)]};
  return true;
}

FileHandle OpenFileForHolding(const std::u16string& path) {
  fakes::Record("OpenFileForHolding " + fakes::Utf8(path));
  fakes::FilesWorld& world = fakes::Files();
  const std::u16string real = fakes::Real(path);
  if (world.files.count(real) == 0) {
    fakes::SetLastError(fakes::kFileNotFound);
    return FileHandle();
  }
  if (world.swappedBeforeHolding.count(real) != 0) world.identities[real] = world.nextIdentity++;
  if (world.changedBeforeHolding.count(real) != 0 && !world.files[real].empty()) world.files[real].back() ^= 0xFF;
  world.held.push_back(path);
  world.heldOpen.insert(world.held.size() - 1);
  return FileHandle(reinterpret_cast<void*>(fakes::kFirstHeldHandle + world.held.size() - 1));
}

FileHandle OpenFolderForSecurity(const std::u16string& path) {
  fakes::Record("OpenFolderForSecurity " + fakes::Utf8(path));
  fakes::FilesWorld& world = fakes::Files();
  const std::u16string folder = fakes::Real(fakes::WithoutTrailingBackslash(path));
  if (world.folders.count(folder) == 0 && world.files.count(folder) == 0) {
    fakes::SetLastError(fakes::kFileNotFound);
    return FileHandle();
  }
  world.openedFolders.push_back(folder);
  return FileHandle(reinterpret_cast<void*>(fakes::kFirstFolderHandle + world.openedFolders.size() - 1));
}

bool QueryFolderFacts(const FileHandle& handle, FolderFacts& facts) {
  const fakes::FilesWorld& world = fakes::Files();
  const auto index = reinterpret_cast<std::uintptr_t>(handle.get()) - fakes::kFirstFolderHandle;
  if (index >= world.openedFolders.size()) {
    fakes::SetLastError(fakes::kInvalidHandle);
    return false;
  }
  const std::u16string& folder = world.openedFolders[index];
  const auto scripted = world.folderFacts.find(folder);
  facts = scripted != world.folderFacts.end() ? scripted->second
                                              : FolderFacts{world.folders.count(folder) != 0, false, true, false};
  return true;
}

bool RestrictFolder(const FileHandle& handle, bool giveToAdministrators) {
  fakes::FilesWorld& world = fakes::Files();
  const auto index = reinterpret_cast<std::uintptr_t>(handle.get()) - fakes::kFirstFolderHandle;
  if (index >= world.openedFolders.size()) {
    fakes::SetLastError(fakes::kInvalidHandle);
    return false;
  }
  fakes::Record("RestrictFolder " + fakes::Utf8(world.openedFolders[index]) +
                (giveToAdministrators ? " to Administrators" : ""));
  world.restrictedFolders.insert(world.openedFolders[index]);
  return true;
}

bool DeleteFileAt(const std::u16string& path) {
  fakes::Record("DeleteFileAt " + fakes::Utf8(path));
  fakes::FilesWorld& world = fakes::Files();
  const std::u16string real = fakes::Real(path);
  const auto locked = world.lockedFiles.find(real);
  if (locked != world.lockedFiles.end()) {
    fakes::SetLastError(locked->second);
    return false;
  }
  if (fakes::IsHeld(path)) {
    fakes::SetLastError(fakes::kSharingViolation);
    return false;
  }
  if (world.files.count(real) == 0) {
    fakes::SetLastError(fakes::kFileNotFound);
    return false;
  }
  if (world.deleteFailure) {
    fakes::SetLastError(*world.deleteFailure);
    return false;
  }
  world.files.erase(real);
  world.attributes.erase(real);
  return true;
}

std::int32_t GetSpecialFolderPath(int folder, std::u16string& path) {
  fakes::Record("GetSpecialFolderPath " + std::to_string(folder));
  const fakes::FilesWorld& world = fakes::Files();
  const auto found = world.specialFolders.find(folder);
  if (found == world.specialFolders.end()) return world.missingFolderResult;
  path = found->second;
  return 0;
}

bool CreateFolder(const std::u16string& path, bool restricted) {
  fakes::Record("CreateFolder " + fakes::Utf8(path) + (restricted ? " restricted" : ""));
  fakes::FilesWorld& world = fakes::Files();
  const std::u16string folder = fakes::Real(fakes::WithoutTrailingBackslash(path));
  const auto refused = world.folderCreateErrors.find(folder);
  if (refused != world.folderCreateErrors.end()) {
    fakes::SetLastError(refused->second);
    return false;
  }
  if (world.folders.count(folder) != 0 || world.files.count(folder) != 0) {
    fakes::SetLastError(fakes::kAlreadyExists);
    return false;
  }
  if (!fakes::FolderExists(fakes::ParentOf(folder))) {
    fakes::SetLastError(fakes::kPathNotFound);
    return false;
  }
  world.folders.insert(folder);
  if (restricted) world.restrictedFolders.insert(folder);
  return true;
}

bool SetFileAttributesAt(const std::u16string& path, std::uint32_t attributes) {
  fakes::Record("SetFileAttributesAt " + fakes::Utf8(path) + " " + std::to_string(attributes));
  fakes::FilesWorld& world = fakes::Files();
  const std::u16string target = fakes::Real(fakes::WithoutTrailingBackslash(path));
  if (world.folders.count(target) == 0 && world.files.count(target) == 0) {
    fakes::SetLastError(fakes::kFileNotFound);
    return false;
  }
  world.attributes[target] = attributes;
  return true;
}

std::uint32_t GetTempFolderPath(std::uint32_t capacity, std::u16string& path) {
  fakes::Record("GetTempFolderPath " + std::to_string(capacity));
  const fakes::FilesWorld& world = fakes::Files();
  if (world.tempPathFailure) {
    fakes::SetLastError(*world.tempPathFailure);
    return 0;
  }
  const auto length = static_cast<std::uint32_t>(world.tempFolder.size());
  // Too small a buffer: the size needed, terminator included, and nothing copied.
  if (length + 1 > capacity) return length + 1;
  path = world.tempFolder;
  return length;
}

std::uint32_t GetWindowsFolderPath(std::uint32_t capacity, std::u16string& path) {
  fakes::Record("GetWindowsFolderPath " + std::to_string(capacity));
  const fakes::FilesWorld& world = fakes::Files();
  if (world.windowsFolder.empty()) {
    fakes::SetLastError(5);
    return 0;
  }
  const auto length = static_cast<std::uint32_t>(world.windowsFolder.size());
  if (length + 1 > capacity) return length + 1;
  path = world.windowsFolder;
  return length;
}

bool SetCurrentFolder(const std::u16string& path) {
  fakes::Record("SetCurrentFolder " + fakes::Utf8(path));
  fakes::FilesWorld& world = fakes::Files();
  if (!fakes::FolderExists(path)) {
    fakes::SetLastError(fakes::kFileNotFound);
    return false;
  }
  world.currentFolder = path;
  return true;
}

std::uint32_t CreateTempFileName(const std::u16string& folder, const std::u16string& prefix, std::uint32_t unique,
                                 std::u16string& path) {
  fakes::Record("CreateTempFileName " + fakes::Utf8(folder) + " " + fakes::Utf8(prefix) + " " +
                std::to_string(unique));
  fakes::FilesWorld& world = fakes::Files();
  if (world.tempFileNameFailure) {
    fakes::SetLastError(*world.tempFileNameFailure);
    return 0;
  }
  if (!fakes::FolderExists(folder)) {
    fakes::SetLastError(fakes::kPathNotFound);
    return 0;
  }
  std::u16string base = folder;
  if (base.empty() || base.back() != u'\\') base += u'\\';
  base += prefix.substr(0, 3);
  if (unique != 0) {
    path = base + fakes::Utf16(fakes::Hex(unique & 0xFFFFu)) + u".tmp";
    return unique;
  }
  // Unique number 0: the system picks a free number and creates the empty file itself.
  for (;;) {
    const std::uint16_t number = world.nextUnique++;
    if (number == 0) continue;
    std::u16string candidate = base + fakes::Utf16(fakes::Hex(number)) + u".tmp";
    if (world.files.count(candidate) != 0) continue;
    world.files[candidate] = {};
    path = std::move(candidate);
    return number;
  }
}

std::uint32_t ReadProfileString(const std::u16string& file, const std::u16string& section, const std::u16string& key,
                                const std::u16string& defaultText, std::uint32_t capacity, std::u16string& text) {
  fakes::Record("ReadProfileString " + fakes::Utf8(file) + " " + fakes::Utf8(section) + " " + fakes::Utf8(key));
  if (capacity == 0) return 0;
  const auto found = fakes::Files().profileStrings.find({file, section, key});
  const std::u16string& value = found == fakes::Files().profileStrings.end() ? defaultText : found->second;
  text = value.substr(0, capacity - 1);
  return static_cast<std::uint32_t>(text.size());
}

}  // namespace platform
