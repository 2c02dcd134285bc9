#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "base/product_data.h"
#include "platform/files.h"

namespace fakes {

inline constexpr char16_t kCommonAppDataFolder[] = u"C:\\ProgramData";
// Where the setup writes the main package in this world: the all-users folder named after the product code.
inline const std::u16string kMainPackagePath = std::u16string(kCommonAppDataFolder) + u"\\" + kInstallerProductCode +
                                               u"\\" + kMainPackageFileBaseName + u".msi";
inline constexpr char16_t kAppDataFolder[] = u"C:\\Users\\Tester\\AppData\\Roaming";
inline constexpr char16_t kWindowsFolder[] = u"C:\\Windows";
inline constexpr char16_t kStartFolder[] = u"C:\\Users\\Tester\\Downloads";
inline constexpr char16_t kTempFolder[] = u"C:\\Users\\Tester\\AppData\\Local\\Temp\\";

// An in-memory file system for the file, folder and temporary-file calls. Paths are compared as
// written, after the links in `folderLinks` are followed; folders are kept without their trailing
// backslash. Creating a file or a folder needs
// its parent folder to exist, as on Windows (error 3 otherwise). A fresh world has the two
// application data folders, the temporary-files folder and the Windows folder, all empty.
struct FilesWorld {
  // Special folders by their number (35, 26); a folder missing here fails with `missingFolderResult`.
  std::map<int, std::u16string> specialFolders = {{35, kCommonAppDataFolder}, {26, kAppDataFolder}};
  std::int32_t missingFolderResult = static_cast<std::int32_t>(0x80004005u);
  std::set<std::u16string> folders = {u"C:", kCommonAppDataFolder, kAppDataFolder,
                                      u"C:\\Users\\Tester\\AppData\\Local\\Temp", kWindowsFolder};
  // Folders whose creation fails with this last error.
  std::map<std::u16string, std::uint32_t> folderCreateErrors;
  // Folders that are links or junctions to another folder (a relocated profile, a ProgramData
  // behind a junction): a path through one names the file or folder at the same place under the
  // target, which is where the maps here keep it (under its one path without links).
  std::map<std::u16string, std::u16string> folderLinks;
  std::map<std::u16string, std::vector<std::uint8_t>> files;
  std::map<std::u16string, std::uint32_t> attributes;
  // Files that another process holds open without sharing: creating or deleting one fails with
  // this last error (32, sharing violation).
  std::map<std::u16string, std::uint32_t> lockedFiles;
  // Files that are links, hard links or anything but a plain file with one name: rewriting or
  // deleting one through OpenFileForRewriting or DeleteUnusedPlainFile is refused (access denied, 5).
  // OpenFileForRewriting never creates a file (file not found, 2).
  std::set<std::u16string> notPlainFiles;
  // When set, every write fails with this last error after `bytesWrittenBeforeFailure` bytes
  // reached the file (which stays behind until someone deletes it).
  std::optional<std::uint32_t> writeError;
  std::size_t bytesWrittenBeforeFailure = 0;
  // When set, deleting an existing file that is not locked fails with this last error.
  std::optional<std::uint32_t> deleteFailure;
  // Where the last write took its bytes from, so tests can tell a copy from the original.
  const std::uint8_t* lastWriteSource = nullptr;

  // GetTempPathW answers with this folder (and the size rule of the real call) unless
  // `tempPathFailure` is set, which makes it return 0 with that last error.
  std::u16string tempFolder = kTempFolder;
  std::optional<std::uint32_t> tempPathFailure;
  // GetTempFileNameW: fails with this last error when set; otherwise creates an empty file named
  // after three prefix characters, the hexadecimal number and ".tmp", starting at `nextUnique`.
  std::optional<std::uint32_t> tempFileNameFailure;
  std::uint16_t nextUnique = 0x1A2B;

  // GetWindowsDirectoryW answers with this folder (and the size rule of the real call); an empty
  // one makes it fail with last error 5. SetCurrentDirectoryW changes `currentFolder` when the
  // folder exists and fails with last error 2 otherwise.
  std::u16string windowsFolder = kWindowsFolder;
  std::u16string currentFolder = kStartFolder;

  // Initialization-file entries: (file, section, key) -> text.
  std::map<std::tuple<std::u16string, std::u16string, std::u16string>, std::u16string> profileStrings;

  // Paths of the files opened for writing; a handle's value is 0x1000 plus its index here.
  std::vector<std::u16string> openedForWriting;
  // Files held open by OpenFileForHolding (handle 0x2000 plus the index) and which are still open.
  // Nobody else may create or delete a held file (sharing violation, 32).
  std::vector<std::u16string> held;
  std::set<std::size_t> heldOpen;
  // Each new file gets a new identity; a file listed here is swapped for another one right before
  // it is opened for holding.
  std::map<std::u16string, std::uint64_t> identities;
  std::uint64_t nextIdentity = 1;
  std::set<std::u16string> swappedBeforeHolding;
  // Files whose content is changed in place (same identity) right before they are opened for
  // holding; and how far each held handle has read.
  std::set<std::u16string> changedBeforeHolding;
  std::map<std::size_t, std::size_t> heldReadPositions;

  // Folders opened by OpenFolderForSecurity (handle 0x3000 plus the index), their facts where they
  // differ from a plain folder owned by the Administrators, and the folders RestrictFolder changed
  // or a restricted CreateFolder made.
  std::vector<std::u16string> openedFolders;
  std::map<std::u16string, platform::FolderFacts> folderFacts;
  std::set<std::u16string> restrictedFolders;
};
FilesWorld& Files();

// Called by the file handle owner: lets go of a held file.
bool CloseFilesHandle(void* handle);

// Adds a special folder (which then exists) under its number.
void AddSpecialFolder(int folder, const std::u16string& path);

}  // namespace fakes
