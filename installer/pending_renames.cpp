#include "installer/pending_renames.h"

#include <boost/shared_array.hpp>

#include <algorithm>
#include <cstdint>
#include <new>
#include <optional>
#include <vector>

#include "base/installer_results.h"
#include "installer/pending_rename_matching.h"
#include "platform/files.h"
#include "platform/installer.h"
#include "platform/registry.h"

namespace {

constexpr std::uint32_t kPathCapacity = 260;
constexpr std::uint32_t kMsiMoreData = 234;
constexpr char16_t kSessionManagerKey[] = u"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr char16_t kPendingRenamesValue[] = u"PendingFileRenameOperations";

// Standard folder properties of the Directory table and the special folders they stand for in a
// per-machine installation of a 32-bit package. Any other standard folder (SystemFolder,
// ProgramFiles64Folder, TempFolder, ...) is not resolved: files there count in any folder.
struct StandardFolder {
  const char16_t* property;
  int folder;
};
constexpr StandardFolder kStandardFolders[] = {
    {u"ProgramFilesFolder", platform::kFolderProgramFiles},
    {u"CommonFilesFolder", platform::kFolderProgramFilesCommon},
    {u"CommonAppDataFolder", platform::kFolderCommonAppData},
    {u"AppDataFolder", platform::kFolderAppData},
    {u"LocalAppDataFolder", platform::kFolderLocalAppData},
    {u"WindowsFolder", platform::kFolderWindows},
    {u"FontsFolder", platform::kFolderFonts},
    {u"ProgramMenuFolder", platform::kFolderCommonPrograms},
    {u"DesktopFolder", platform::kFolderCommonDesktop},
};

// A field of a record: its length is asked for with an empty buffer first, then the text is read
// into a buffer of exactly that size. False when either call answers otherwise.
bool ReadField(const platform::MsiHandle& record, std::uint32_t field, std::u16string& text) {
  char16_t empty[1] = {u'\0'};
  std::uint32_t length = 0;
  if (platform::MsiRecordGetStringW(record, field, empty, &length) != kMsiMoreData) return false;
  std::vector<char16_t> buffer(static_cast<std::size_t>(length) + 1, u'\0');
  std::uint32_t capacity = length + 1;
  if (platform::MsiRecordGetStringW(record, field, buffer.data(), &capacity) != 0) return false;
  text.assign(buffer.data(), std::min<std::size_t>(capacity, length));
  return true;
}

// The first `fields` fields of each record the query returns, in the order the view returns them;
// a record whose fields cannot all be read is left out. Empty when the view cannot be opened or
// executed.
std::vector<TableRow> ReadRows(const platform::MsiHandle& database, const char16_t* query, std::uint32_t fields) {
  std::vector<TableRow> rows;
  platform::MsiHandle view;
  if (platform::MsiDatabaseOpenViewW(database, query, view) != 0 || platform::MsiViewExecute(view) != 0) {
    return rows;
  }
  for (;;) {
    platform::MsiHandle record;
    if (platform::MsiViewFetch(view, record) != 0) break;
    TableRow row(fields);
    bool read = true;
    for (std::uint32_t field = 0; read && field < fields; ++field) read = ReadField(record, field + 1, row[field]);
    if (read) rows.push_back(std::move(row));
  }
  return rows;
}

// The package's files with their components and folders. No files when the package or its File
// table cannot be read; a Component or Directory table that cannot be read leaves the files
// without folders. The views are closed before the database: `database` outlives them.
PackageTables ReadPackageTables(const std::u16string& packagePath) {
  PackageTables package;
  platform::MsiHandle database;
  if (platform::MsiOpenDatabaseW(packagePath, database) != 0) return package;
  package.files = ReadRows(database, u"SELECT FileName, Component_ FROM File", 2);
  if (package.files.empty()) return package;
  package.components = ReadRows(database, u"SELECT Component, Directory_ FROM Component", 2);
  package.directories = ReadRows(database, u"SELECT Directory, Directory_Parent, DefaultDir FROM Directory", 3);
  return package;
}

// The standard folders the Directory table has rows for; one the system does not give is empty.
KnownFolders StandardFolders(const std::vector<TableRow>& directories) {
  KnownFolders known;
  for (const StandardFolder& standard : kStandardFolders) {
    const bool used = std::any_of(directories.begin(), directories.end(),
                                  [&](const TableRow& row) { return !row.empty() && row[0] == standard.property; });
    if (!used) continue;
    std::u16string path;
    if (platform::GetSpecialFolderPath(standard.folder, path) != 0) path.clear();
    known.push_back({standard.property, std::move(path)});
  }
  return known;
}

// The folder Windows Installer records for the installed product ("InstallLocation"): none when
// the product is not installed, empty when it is but its folder cannot be read.
std::optional<std::u16string> InstalledProductFolder(const std::u16string& productCode) {
  std::vector<char16_t> buffer(kPathCapacity, u'\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    auto length = static_cast<std::uint32_t>(buffer.size());
    const std::uint32_t result = platform::MsiGetProductInfoW(productCode, u"InstallLocation", buffer.data(), &length);
    if (result == kInstallerUnknownProduct) return std::nullopt;
    if (result == 0) return std::u16string(buffer.data(), std::min<std::size_t>(length, buffer.size() - 1));
    if (result != kMsiMoreData) break;
    buffer.assign(static_cast<std::size_t>(length) + 1, u'\0');
  }
  return std::u16string();
}

// The operations of the pending file-rename list; none when the value is missing, not a
// multi-string, shorter than one code unit or cannot be read.
std::vector<PendingRename> PendingRenames() {
  platform::RegistryKey key;
  if (platform::OpenRegistryKey(platform::RegistryRoot::LocalMachine, kSessionManagerKey, platform::kKeyRead, key) !=
      platform::kErrorSuccess) {
    return {};
  }
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  if (platform::QueryRegistryValue(key, kPendingRenamesValue, &type, nullptr, &size) != platform::kErrorSuccess ||
      type != platform::kRegMultiSz || size < 2) {
    return {};
  }
  const boost::shared_array<std::uint8_t> data(new (std::nothrow) std::uint8_t[size]);
  if (!data) return {};
  std::uint32_t read = size;
  // The value may have changed since its size was asked for: a larger one fails here, another
  // type is not read, and a smaller one is decoded only as far as it was written.
  if (platform::QueryRegistryValue(key, kPendingRenamesValue, &type, data.get(), &read) != platform::kErrorSuccess ||
      type != platform::kRegMultiSz || read > size) {
    return {};
  }
  return SplitPendingRenames(data.get(), read);
}

}  // namespace

bool IsRestartPending(const std::u16string& mainPackagePath, const std::u16string& installedProduct,
                      const std::u16string& installFolder) {
  std::u16string windowsFolder;
  const std::uint32_t length = platform::GetWindowsFolderPath(kPathCapacity, windowsFolder);
  // Where the Windows folder cannot become the current folder, the check runs from the one the
  // process has.
  if (length != 0 && length < kPathCapacity) (void)platform::SetCurrentFolder(windowsFolder);

  const PackageTables package = ReadPackageTables(mainPackagePath);
  KnownFolders known;
  std::vector<std::u16string> installFolders;
  if (!package.files.empty()) {
    known = StandardFolders(package.directories);
    installFolders.push_back(installFolder.empty() ? ResolveDirectory(package.directories, kInstallFolderKey, known)
                                                   : installFolder);
    if (std::optional<std::u16string> installed = InstalledProductFolder(installedProduct)) {
      installFolders.push_back(std::move(*installed));
    }
  }
  return AnyRenameConcernsAFile(PendingRenames(), ProductFiles(package, known, installFolders));
}
