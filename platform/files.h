#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/handle.h"

// Files, folders and the program's own resources.
namespace platform {

struct FileHandleTraits {
  using Value = void*;
  // The system's invalid-handle value has all bits set; null is never a file either.
  static Value Invalid() { return reinterpret_cast<Value>(~std::uintptr_t{0}); }
  static bool IsInvalid(Value file) { return file == Invalid() || file == nullptr; }
  static void Close(Value file);
};
using FileHandle = UniqueHandle<FileHandleTraits>;

struct MappingHandleTraits {
  using Value = void*;
  static Value Invalid() { return nullptr; }
  static void Close(Value mapping);
};
using MappingHandle = UniqueHandle<MappingHandleTraits>;

// A view of a file mapping, released by unmapping it.
struct MappedViewTraits {
  using Value = const std::uint8_t*;
  static Value Invalid() { return nullptr; }
  static void Close(Value view);
};
using MappedView = UniqueHandle<MappedViewTraits>;

// An RCDATA resource of the program's own module. The bytes stay where the loader mapped them
// for the life of the process.
struct ResourceBytes {
  const std::uint8_t* data = nullptr;
  std::uint32_t size = 0;
};
// FindResourceExW (RCDATA, language neutral), LoadResource, SizeofResource, LockResource. False
// on any failure, with the system's last error left as the failing call set it.
[[nodiscard]] bool LoadRcdataResource(const std::u16string& name, ResourceBytes& resource);

// One name of the program's RCDATA resources, in the order the system reports them.
struct ResourceName {
  bool isIntegerId = false;
  std::u16string name;
};
[[nodiscard]] std::vector<ResourceName> EnumerateRcdataNames();

// A new file at `path`, for writing, that others may only read. Fails (file exists, 80) when
// anything stands at the name, a link included, which is neither removed nor followed; a handle
// to anything but a plain file with one name is refused.
[[nodiscard]] FileHandle CreateFileForWriting(const std::u16string& path);
// The existing file at `path`, emptied, for writing, that others may only read. Nothing is ever
// created: with nothing at the name it fails with file not found (2). It is opened on the name
// itself: a reparse point there is not followed, and a handle to anything but a plain file with one
// name that is the file at that name in its folder (not one a link at the name led to; links on
// the way to the folder, as a relocated profile has, are followed) is refused with access denied
// (5) before anything is emptied.
[[nodiscard]] FileHandle OpenFileForRewriting(const std::u16string& path);

// Which file a handle refers to: the volume and the file's number on it.
struct FileIdentity {
  std::uint32_t volume = 0;
  std::uint64_t index = 0;
  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};
[[nodiscard]] bool QueryFileIdentity(const FileHandle& file, FileIdentity& identity);

// Opens an existing plain file for reading while denying everyone else writing and deleting it,
// for as long as the handle stays open. A reparse point is not followed but refused.
[[nodiscard]] FileHandle OpenFileForHolding(const std::u16string& path);
// Reads up to `capacity` bytes from the file's current position; `read` is 0 at its end.
[[nodiscard]] bool ReadFromFile(const FileHandle& file, std::uint8_t* buffer, std::uint32_t capacity,
                                std::uint32_t& read);
// One WriteFile call for the whole buffer.
[[nodiscard]] bool WriteToFile(const FileHandle& file, const std::uint8_t* data, std::uint32_t size);
[[nodiscard]] bool DeleteFileAt(const std::u16string& path);
// Deletes the file at `path` only when nobody has it open (sharing violation, 32, otherwise) and
// it is a plain file with one name, the one at that name in its folder as for
// OpenFileForRewriting (access denied, 5, otherwise). It is checked and deleted through one handle
// opened on the name itself, so nothing put at the name meanwhile is deleted: safe in a folder
// that others may write to.
[[nodiscard]] bool DeleteUnusedPlainFile(const std::u16string& path);
// The names (without folder) of the files, not folders, that match `pattern` (a path whose last
// component may hold "*"), in the order the system lists them. Empty when nothing matches.
[[nodiscard]] std::vector<std::u16string> FindFileNames(const std::u16string& pattern);

// Special folders (CSIDL numbers); the program is 32-bit, so program files are those of 32-bit
// programs.
inline constexpr int kFolderCommonAppData = 35;
inline constexpr int kFolderAppData = 26;
inline constexpr int kFolderLocalAppData = 28;
inline constexpr int kFolderProgramFiles = 38;
inline constexpr int kFolderProgramFilesCommon = 43;
inline constexpr int kFolderWindows = 36;
inline constexpr int kFolderFonts = 20;
inline constexpr int kFolderCommonPrograms = 23;
inline constexpr int kFolderCommonDesktop = 25;
// SHGetFolderPathW for the current path of a special folder; returns its result code.
[[nodiscard]] std::int32_t GetSpecialFolderPath(int folder, std::u16string& path);
// CreateDirectoryW. A `restricted` folder gets a protected DACL: full control for SYSTEM and the
// Administrators, read and execute for Users, passed on to what is created inside and nothing
// inherited from the parent folder.
[[nodiscard]] bool CreateFolder(const std::u16string& path, bool restricted = false);

// What decides whether an existing folder may be used.
struct FolderFacts {
  bool isDirectory = false;
  bool isReparsePoint = false;
  bool ownedBySystemOrAdministrators = false;
  // Owned by the owner this process's token gives new objects (TokenOwner): the Administrators
  // for an elevated process from Vista on, possibly the user's own account on XP. A folder owned
  // by the user's account on a later system was made by an unelevated process.
  bool ownedByDefaultOwner = false;
};
// Opens an existing folder itself (never what a reparse point names) to read its facts and to
// restrict it through the same handle, so the checked folder is the one changed.
[[nodiscard]] FileHandle OpenFolderForSecurity(const std::u16string& path);
[[nodiscard]] bool QueryFolderFacts(const FileHandle& folder, FolderFacts& facts);
// Replaces the folder's DACL by the protected one of a restricted CreateFolder and, with
// `giveToAdministrators`, makes the Administrators its owner.
[[nodiscard]] bool RestrictFolder(const FileHandle& folder, bool giveToAdministrators);
[[nodiscard]] bool SetFileAttributesAt(const std::u16string& path, std::uint32_t attributes);

// GetTempPathW into a buffer of `capacity` characters; returns the call's result (0 on failure,
// the needed size when the buffer is too small).
[[nodiscard]] std::uint32_t GetTempFolderPath(std::uint32_t capacity, std::u16string& path);
// GetTempFileNameW; returns its result (0 on failure).
[[nodiscard]] std::uint32_t CreateTempFileName(const std::u16string& folder, const std::u16string& prefix,
                                               std::uint32_t unique, std::u16string& path);

// GetWindowsDirectoryW into a buffer of `capacity` characters; returns the call's result (0 on
// failure, the needed size when the buffer is too small). `path` is set only when the folder fit.
[[nodiscard]] std::uint32_t GetWindowsFolderPath(std::uint32_t capacity, std::u16string& path);
// SetCurrentDirectoryW: the process's current folder, for the rest of the process.
[[nodiscard]] bool SetCurrentFolder(const std::u16string& path);

// GetPrivateProfileStringW into a buffer of `capacity` characters; returns the call's result (the
// number of characters copied, at most capacity - 1).
[[nodiscard]] std::uint32_t ReadProfileString(const std::u16string& file, const std::u16string& section,
                                              const std::u16string& key, const std::u16string& defaultText,
                                              std::uint32_t capacity, std::u16string& text);

// Read-only mapping of a whole file: CreateFileW(GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING),
// GetFileSizeEx, CreateFileMappingW(PAGE_READONLY), MapViewOfFile(FILE_MAP_READ), VirtualQuery.
[[nodiscard]] FileHandle OpenFileForReading(const std::u16string& path);
// The file's exact size in bytes; a view of it spans whole pages, zeros behind the file's end.
[[nodiscard]] bool QueryFileSize(const FileHandle& file, std::uint64_t& size);
[[nodiscard]] MappingHandle CreateReadOnlyMapping(const FileHandle& file);
[[nodiscard]] MappedView MapReadOnlyView(const MappingHandle& mapping);
// The size of the region the system reports for the view's base address.
[[nodiscard]] bool QueryRegionSize(const std::uint8_t* address, std::size_t& size);

}  // namespace platform
