#include "tests/fakes/installer.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>

#include "base/installer_results.h"
#include "base/product.h"
#include "tests/fakes/world.h"

namespace fakes {
namespace {

InstallerWorld world;

// Open handles: databases (with their package), views (with their rows) and records (with their
// fields).
struct Handle {
  enum Kind { Database, View, Record } kind;
  std::u16string path;
  std::vector<std::vector<std::u16string>> rows;
  std::size_t next = 0;
  bool executed = false;
};
std::map<std::uint32_t, Handle>& Handles() {
  static std::map<std::uint32_t, Handle> handles;
  return handles;
}
std::uint32_t nextHandle = 1;

const bool registered = RegisterReset([] {
  world = InstallerWorld{};
  Handles().clear();
  nextHandle = 1;
});

std::uint32_t Hand(Handle handle) {
  const std::uint32_t value = nextHandle++;
  Handles()[value] = std::move(handle);
  return value;
}

Handle* Find(std::uint32_t handle, Handle::Kind kind) {
  const auto found = Handles().find(handle);
  if (found == Handles().end() || found->second.kind != kind) return nullptr;
  return &found->second;
}

constexpr std::uint32_t kInvalidHandle = 6;
constexpr std::uint32_t kUnknownProduct = 1605;
constexpr std::uint32_t kUnknownProperty = 1608;
constexpr std::uint32_t kNoMoreItems = 259;
constexpr std::uint32_t kMoreData = 234;
constexpr std::uint32_t kBadQuerySyntax = 1615;

std::vector<std::u16string> SplitAt(std::u16string_view text, std::u16string_view separator) {
  std::vector<std::u16string> parts;
  for (std::size_t at = text.find(separator); at != std::u16string_view::npos; at = text.find(separator)) {
    parts.emplace_back(text.substr(0, at));
    text.remove_prefix(at + separator.size());
  }
  parts.emplace_back(text);
  return parts;
}

// The rows of "SELECT A, B FROM T" in a package: columns A and B of T, or none when the query has
// another form or names a table or column the package lacks.
std::optional<std::vector<std::vector<std::u16string>>> Select(const PackageFile& package, std::u16string_view query) {
  constexpr std::u16string_view kSelect = u"SELECT ";
  if (!query.starts_with(kSelect)) return std::nullopt;
  const std::vector<std::u16string> parts = SplitAt(query.substr(kSelect.size()), u" FROM ");
  if (parts.size() != 2) return std::nullopt;
  const auto table = package.tables.find(parts[1]);
  if (table == package.tables.end()) return std::nullopt;
  std::vector<std::size_t> picked;
  for (const std::u16string& column : SplitAt(parts[0], u", ")) {
    const auto& columns = table->second.columns;
    const auto found = std::find(columns.begin(), columns.end(), column);
    if (found == columns.end()) return std::nullopt;
    picked.push_back(static_cast<std::size_t>(found - columns.begin()));
  }
  std::vector<std::vector<std::u16string>> rows;
  for (const std::vector<std::u16string>& row : table->second.rows) {
    std::vector<std::u16string>& selected = rows.emplace_back();
    for (const std::size_t column : picked) selected.push_back(column < row.size() ? row[column] : u"");
  }
  return rows;
}

// Copies text into a caller's buffer with the service's size protocol.
std::uint32_t CopyOut(const std::u16string& text, char16_t* buffer, std::uint32_t* length) {
  const auto size = static_cast<std::uint32_t>(text.size());
  if (buffer == nullptr || *length <= size) {
    *length = size;
    return buffer == nullptr ? 0 : kMoreData;
  }
  std::memcpy(buffer, text.data(), text.size() * sizeof(char16_t));
  buffer[size] = 0;
  *length = size;
  return 0;
}

}  // namespace

InstallerWorld& Installer() { return world; }

PackageFile PackageOf(const std::vector<std::pair<std::u16string, std::u16string>>& files,
                      const std::vector<std::vector<std::u16string>>& directories) {
  PackageFile package;
  PackageTable& fileTable = package.tables[u"File"];
  PackageTable& componentTable = package.tables[u"Component"];
  fileTable.columns = {u"File", u"Component_", u"FileName"};
  componentTable.columns = {u"Component", u"Directory_"};
  for (std::size_t i = 0; i < files.size(); ++i) {
    const std::u16string key = u"F" + Utf16(std::to_string(i));
    fileTable.rows.push_back({key, key, files[i].first});
    componentTable.rows.push_back({key, files[i].second});
  }
  if (!directories.empty()) {
    package.tables[u"Directory"] = {{u"Directory", u"Directory_Parent", u"DefaultDir"}, directories};
  }
  return package;
}

std::vector<std::vector<std::u16string>> MainPackageDirectories() {
  return {{u"TARGETDIR", u"", u"SourceDir"},
          {u"ProgramFilesFolder", u"TARGETDIR", u"PFiles"},
          {u"OrvexFolder", u"ProgramFilesFolder", u"Orvex"},
          {u"INSTALLDIR", u"OrvexFolder", u"UTILIT~1|Utilities 2011"}};
}

}  // namespace fakes

namespace platform {

void MsiHandleTraits::Close(Value handle) {
  const auto found = fakes::Handles().find(handle);
  if (found == fakes::Handles().end()) return;
  static const char* const kinds[] = {"database", "view", "record"};
  fakes::Record(std::string("MsiCloseHandle ") + kinds[found->second.kind]);
  fakes::Handles().erase(found);
}

HResult LoadWindowsInstaller(std::uint32_t& missingOrdinal) {
  fakes::Record("LoadWindowsInstaller");
  missingOrdinal = fakes::world.missingOrdinal;
  return fakes::world.loadResult;
}

int MsiSetInternalUI(int level) {
  fakes::Record("MsiSetInternalUI " + std::to_string(level));
  const int previous = fakes::world.uiLevel;
  fakes::world.uiLevel = level;
  return previous;
}

std::uint32_t MsiGetProductInfoW(const std::u16string& product, const std::u16string& property, char16_t* buffer,
                                 std::uint32_t* length) {
  fakes::Record("MsiGetProductInfoW " + fakes::Utf8(product) + " " + fakes::Utf8(property));
  const auto scripted = fakes::world.productInfoResults.find(product);
  if (scripted != fakes::world.productInfoResults.end()) return scripted->second;
  const auto found = fakes::world.products.find(product);
  if (found == fakes::world.products.end()) return fakes::kUnknownProduct;
  const auto& texts = property == u"InstallLocation" ? fakes::world.installLocations : fakes::world.packageNames;
  const auto text = texts.find(product);
  if ((property == u"PackageName" || property == u"InstallLocation") && text != texts.end()) {
    return fakes::CopyOut(text->second, buffer, length);
  }
  if (property != u"VersionString") return fakes::kUnknownProperty;
  return fakes::CopyOut(found->second.version, buffer, length);
}

int MsiQueryProductStateW(const std::u16string& product) {
  fakes::Record("MsiQueryProductStateW " + fakes::Utf8(product));
  const auto found = fakes::world.products.find(product);
  return found == fakes::world.products.end() ? kInstallStateUnknown : found->second.state;
}

std::uint32_t MsiConfigureProductW(const std::u16string& product, int installLevel, int installState) {
  fakes::Record("MsiConfigureProductW " + fakes::Utf8(product) + " " + std::to_string(installLevel) + " " +
                std::to_string(installState) + " ui=" + std::to_string(fakes::world.uiLevel));
  std::uint32_t result = 0;
  if (!fakes::world.configureResults.empty()) {
    result = fakes::world.configureResults.front();
    fakes::world.configureResults.pop_front();
  }
  if (IsInstallerSuccess(result) && installState == kInstallStateAbsent) {
    fakes::world.products.erase(product);
  }
  return result;
}

std::uint32_t MsiEnableLogW(std::uint32_t logMode, const std::u16string& logFile, std::uint32_t attributes) {
  fakes::Record("MsiEnableLogW " + std::to_string(logMode) + " " + fakes::Utf8(logFile) + " " +
                std::to_string(attributes));
  return 0;
}

std::uint32_t MsiInstallProductW(const std::u16string& packagePath, const std::u16string& commandLine) {
  fakes::Record("MsiInstallProductW " + fakes::Utf8(packagePath) + " ui=" + std::to_string(fakes::world.uiLevel) +
                " |" + fakes::Utf8(commandLine) + "|");
  std::uint32_t result = 0;
  if (!fakes::world.installResults.empty()) {
    result = fakes::world.installResults.front();
    fakes::world.installResults.pop_front();
  }
  if (IsInstallerSuccess(result)) {
    const auto product = fakes::world.packageProducts.find(packagePath);
    if (product != fakes::world.packageProducts.end()) fakes::world.products[product->second] = {kProductVersion};
  }
  return result;
}

std::uint32_t MsiOpenDatabaseW(const std::u16string& packagePath, MsiHandle& database) {
  fakes::Record("MsiOpenDatabaseW " + fakes::Utf8(packagePath));
  if (fakes::world.openDatabaseResult != 0) return fakes::world.openDatabaseResult;
  const auto found = fakes::world.packages.find(packagePath);
  if (found == fakes::world.packages.end()) return 110;  // open failed
  database.reset(fakes::Hand({fakes::Handle::Database, packagePath, {}, 0, false}));
  return 0;
}

std::uint32_t MsiDatabaseOpenViewW(const MsiHandle& database, const std::u16string& query, MsiHandle& view) {
  fakes::Record("MsiDatabaseOpenViewW " + fakes::Utf8(query));
  const fakes::Handle* db = fakes::Find(database.get(), fakes::Handle::Database);
  if (db == nullptr) return fakes::kInvalidHandle;
  if (fakes::world.openViewResult != 0) return fakes::world.openViewResult;
  auto rows = fakes::Select(fakes::world.packages.at(db->path), query);
  if (!rows) return fakes::kBadQuerySyntax;
  view.reset(fakes::Hand({fakes::Handle::View, db->path, std::move(*rows), 0, false}));
  return 0;
}

std::uint32_t MsiViewExecute(const MsiHandle& view) {
  fakes::Record("MsiViewExecute");
  fakes::Handle* handle = fakes::Find(view.get(), fakes::Handle::View);
  if (handle == nullptr) return fakes::kInvalidHandle;
  if (fakes::world.executeResult != 0) return fakes::world.executeResult;
  handle->executed = true;
  return 0;
}

std::uint32_t MsiViewFetch(const MsiHandle& view, MsiHandle& record) {
  fakes::Handle* handle = fakes::Find(view.get(), fakes::Handle::View);
  if (handle == nullptr) return fakes::kInvalidHandle;
  if (!handle->executed || handle->next >= handle->rows.size()) return fakes::kNoMoreItems;
  fakes::Handle row{fakes::Handle::Record, {}, {handle->rows[handle->next++]}, 0, false};
  record.reset(fakes::Hand(std::move(row)));
  return 0;
}

std::uint32_t MsiRecordGetStringW(const MsiHandle& record, std::uint32_t field, char16_t* buffer,
                                  std::uint32_t* length) {
  const fakes::Handle* handle = fakes::Find(record.get(), fakes::Handle::Record);
  if (handle == nullptr || length == nullptr) return fakes::kInvalidHandle;
  const std::vector<std::u16string>& fields = handle->rows.front();
  // Field 0 and fields past the last are empty.
  if (field == 0 || field > fields.size()) return fakes::CopyOut(u"", buffer, length);
  return fakes::CopyOut(fields[field - 1], buffer, length);
}

}  // namespace platform
