#include "installer/pending_renames.h"

#include <boost/shared_array.hpp>

#include <algorithm>
#include <cstdint>
#include <new>
#include <vector>

#include "installer/pending_rename_matching.h"
#include "platform/files.h"
#include "platform/installer.h"
#include "platform/registry.h"

namespace {

constexpr std::uint32_t kPathCapacity = 260;
constexpr std::uint32_t kMsiMoreData = 234;
constexpr char16_t kSessionManagerKey[] = u"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr char16_t kPendingRenamesValue[] = u"PendingFileRenameOperations";

// Field 1 of a record: its length is asked for with an empty buffer first, then the text is read
// into a buffer of exactly that size. False when either call answers otherwise.
bool ReadFirstField(const platform::MsiHandle& record, std::u16string& text) {
  char16_t empty[1] = {u'\0'};
  std::uint32_t length = 0;
  if (platform::MsiRecordGetStringW(record, 1, empty, &length) != kMsiMoreData) return false;
  std::vector<char16_t> buffer(static_cast<std::size_t>(length) + 1, u'\0');
  std::uint32_t capacity = length + 1;
  if (platform::MsiRecordGetStringW(record, 1, buffer.data(), &capacity) != 0) return false;
  text.assign(buffer.data(), std::min<std::size_t>(capacity, length));
  return true;
}

// The long file names of the package's File table, in the order the view returns them. Empty when
// the package or its table cannot be read.
std::vector<std::u16string> PackageFileNames(const std::u16string& packagePath) {
  std::vector<std::u16string> names;
  platform::MsiHandle database;
  if (platform::MsiOpenDatabaseW(packagePath, database) != 0) return names;
  platform::MsiHandle view;
  if (platform::MsiDatabaseOpenViewW(database, u"SELECT FileName FROM File", view) != 0) return names;
  if (platform::MsiViewExecute(view) != 0) return names;
  for (;;) {
    platform::MsiHandle record;
    if (platform::MsiViewFetch(view, record) != 0) break;
    std::u16string fileName;
    if (ReadFirstField(record, fileName)) names.emplace_back(LongFileName(fileName));
  }
  // The view is closed before the database: `view` was declared after it.
  return names;
}

// The entries of the pending file-rename list; empty when the value is missing, not a multi-string,
// shorter than one code unit or cannot be read.
std::vector<std::u16string> PendingRenameEntries() {
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
  return SplitMultiString(data.get(), read);
}

}  // namespace

bool IsRestartPending(const std::u16string& mainPackagePath) {
  std::u16string windowsFolder;
  const std::uint32_t length = platform::GetWindowsFolderPath(kPathCapacity, windowsFolder);
  // Where the Windows folder cannot become the current folder, the check runs from the one the
  // process has.
  if (length != 0 && length < kPathCapacity) (void)platform::SetCurrentFolder(windowsFolder);

  const std::vector<std::u16string> packageFileNames = PackageFileNames(mainPackagePath);
  return AnyEntryNamesAFile(PendingRenameEntries(), packageFileNames);
}
