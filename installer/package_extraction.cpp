#include "installer/package_extraction.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "base/installer_results.h"
#include "base/text_format.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/installer.h"
#include "platform/process.h"
#include "platform/text.h"

namespace {

constexpr std::uint32_t kErrorFileNotFound = 2;
constexpr std::uint32_t kErrorAccessDenied = 5;
constexpr std::uint32_t kErrorGenFailure = 31;
constexpr std::uint32_t kErrorAlreadyExists = 183;
constexpr std::uint32_t kPackageNameCapacity = 260;
// The written file is read back in pieces of this size to compare it with the resource.
constexpr std::uint32_t kCompareChunk = 64 * 1024;
// "The opened file is no longer valid": the file at the path is not the one just written.
constexpr std::uint32_t kErrorFileInvalid = 1006;
constexpr std::uint32_t kAttributesHiddenSystem = 0x2 | 0x4;
constexpr int kNumberedAttempts = 100;
constexpr std::uint32_t kTempPathCapacity = 260;
constexpr char16_t kTempFilePrefix[] = u"QZMSI";

std::u16string ResourceNameOf(const PackageDescriptor& package) {
  const char16_t* begin = std::begin(package.resourceName);
  const char16_t* end = std::end(package.resourceName);
  return std::u16string(begin, std::find(begin, end, u'\0'));
}

// The written packages by path, each held open (others may read it, nobody may change or delete
// it) until the process ends, so what Windows Installer reads is what was written.
struct HeldPackage {
  std::u16string resourceName;
  platform::FileHandle file;
};
std::map<std::u16string, HeldPackage> heldPackages;

// Whether the held file reads back as exactly `data`: its content may have been changed in place
// between the write and the hold, by a writer the identity check cannot see.
bool ReadsBackAs(const platform::FileHandle& file, const std::uint8_t* data, std::uint32_t size) {
  std::vector<std::uint8_t> chunk(kCompareChunk);
  std::uint32_t offset = 0;
  for (;;) {
    std::uint32_t read = 0;
    if (!platform::ReadFromFile(file, chunk.data(), kCompareChunk, read)) return false;
    if (read == 0) return offset == size;
    if (read > size - offset || !std::equal(chunk.begin(), chunk.begin() + read, data + offset)) return false;
    offset += read;
  }
}

// Whether `name` is `baseName` + "_" + decimal digits + ".msi" (compared without case, as the
// file system does).
bool IsNumberedName(std::u16string name, std::u16string baseName) {
  platform::LowerCaseText(name);
  platform::LowerCaseText(baseName);
  constexpr std::size_t kExtension = 4;
  if (name.size() <= baseName.size() + 1 + kExtension || name.compare(0, baseName.size(), baseName) != 0 ||
      name[baseName.size()] != u'_' || name.compare(name.size() - kExtension, kExtension, u".msi") != 0) {
    return false;
  }
  return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(baseName.size() + 1),
                     name.end() - static_cast<std::ptrdiff_t>(kExtension),
                     [](char16_t c) { return c >= u'0' && c <= u'9'; });
}

// The package of `resourceName` this process wrote under its plain or a numbered name, in
// whichever folder, or null. Once written and held it is the package for the rest of the process,
// whatever a later folder decision would say (an owner check may come out otherwise the second
// time, where the system keeps no owners).
const std::u16string* HeldPackageOf(const std::u16string& resourceName, const char16_t* baseName) {
  for (const auto& [path, package] : heldPackages) {
    if (package.resourceName != resourceName) continue;
    const std::u16string name = path.substr(path.rfind(u'\\') + 1);
    if (name == baseName + std::u16string(u".msi") || IsNumberedName(name, baseName)) return &path;
  }
  return nullptr;
}

// The file name Windows Installer keeps as the installed product's package source, lower-cased:
// "" when the product or the name is unknown to it, no value when it could not say.
std::optional<std::u16string> RegisteredPackageName() {
  std::u16string buffer(kPackageNameCapacity, u'\0');
  std::uint32_t length = kPackageNameCapacity;
  const std::uint32_t result = platform::MsiGetProductInfoW(kInstallerProductCode, u"PackageName", buffer.data(), &length);
  if (result == kInstallerUnknownProduct || result == kInstallerUnknownProperty) return std::u16string();
  if (result != 0) return std::nullopt;
  buffer.resize(std::find(buffer.begin(), buffer.end(), u'\0') - buffer.begin());
  platform::LowerCaseText(buffer);
  return buffer;
}

// Removes the numbered copies of the package that earlier runs left in `folder` (taken when the
// plain name was locked or not a plain file), except `kept`, those held by this process, those in
// use, those that are not plain files and the one Windows Installer needs as the installed
// product's source for a repair. Nothing is removed when it cannot say which one that is. The
// per-user folder is cleared too: each copy is checked and deleted through one handle, so what
// the user may put at a name meanwhile is never what gets deleted.
void RemoveEarlierCopies(const std::u16string& folder, const char16_t* baseName, const std::u16string& kept) {
  const std::optional<std::u16string> registered = RegisteredPackageName();
  if (!registered) return;
  for (const std::u16string& name : platform::FindFileNames(folder + baseName + u"_*.msi")) {
    const std::u16string path = folder + name;
    if (path == kept || heldPackages.count(path) != 0 || !IsNumberedName(name, baseName)) continue;
    std::u16string lowered = name;
    platform::LowerCaseText(lowered);
    if (lowered == *registered) continue;
    (void)platform::DeleteUnusedPlainFile(path);  // in use or not a plain file: left where it is
  }
}

// An existing extraction folder is used only when it is a folder of its own, not a link to
// another place. The all-users one, where any user may create folders, only when SYSTEM, the
// Administrators or the owner this process gives what it creates own it (the last is the setup's
// own account only on systems where an administrator's objects belong to the creator, as one an
// earlier run made): another user, or the same user's unelevated programs, may have made it
// beforehand. It then gets the restricted access it is created with, and the Administrators as
// owner.
HResult UseExistingFolder(const std::u16string& path, bool perUser) {
  const platform::FileHandle folder = platform::OpenFolderForSecurity(path);
  if (!folder) return HResultFromLastError(HResultFromWin32(kErrorGenFailure));
  platform::FolderFacts facts;
  if (!platform::QueryFolderFacts(folder, facts)) return HResultFromLastError(HResultFromWin32(kErrorGenFailure));
  if (!facts.isDirectory || facts.isReparsePoint) return HResultFromWin32(kErrorAccessDenied);
  if (perUser) return kSOk;
  if (!facts.ownedBySystemOrAdministrators && !facts.ownedByDefaultOwner) return HResultFromWin32(kErrorAccessDenied);
  if (!platform::RestrictFolder(folder, !facts.ownedBySystemOrAdministrators)) {
    return HResultFromLastError(HResultFromWin32(kErrorGenFailure));
  }
  return kSOk;
}

}  // namespace

void ResetHeldPackagesForTesting() {
  // The world of the test that held them is gone already: the handles are forgotten, not closed.
  for (auto& entry : heldPackages) (void)entry.second.file.release();
  heldPackages.clear();
}

HResult FindPackageResource(const std::u16string& resourceName, const std::uint8_t*& data, std::uint32_t& size) {
  platform::ResourceBytes resource;
  if (!platform::LoadRcdataResource(resourceName, resource)) return HResultFromLastError();
  if (resource.size == 0 || resource.data == nullptr) return HResultFromLastError();
  data = resource.data;
  size = resource.size;
  return kSOk;
}

HResult ResExportToFile(const std::u16string& path, const std::u16string& resourceName, ExistingFile existing) {
  const std::uint8_t* data = nullptr;
  std::uint32_t size = 0;
  const HResult found = FindPackageResource(resourceName, data, size);
  if (found < 0) return found;

  // Written there by this process and held since: it is still exactly these bytes.
  const auto held = heldPackages.find(path);
  if (held != heldPackages.end() && held->second.resourceName == resourceName) return kSOk;

  platform::FileHandle file;
  if (existing == ExistingFile::kReplace) {
    file = platform::OpenFileForRewriting(path);
    // Nothing at the name yet: a new file, which fails on anything put there meanwhile.
    if (!file && platform::LastError() == kErrorFileNotFound) file = platform::CreateFileForWriting(path);
  } else {
    file = platform::CreateFileForWriting(path);
  }
  if (!file) return HResultFromLastError();
  platform::FileIdentity written;
  if (!platform::WriteToFile(file, data, size) || !platform::QueryFileIdentity(file, written)) {
    const HResult failure = HResultFromLastError();
    file.reset();
    (void)platform::DeleteFileAt(path);  // the failure above is what counts
    return failure;
  }
  file.reset();
  platform::FileHandle holding = platform::OpenFileForHolding(path);
  if (!holding) return HResultFromLastError();
  platform::FileIdentity reopened;
  if (!platform::QueryFileIdentity(holding, reopened)) return HResultFromLastError();
  if (!(reopened == written) || !ReadsBackAs(holding, data, size)) return HResultFromWin32(kErrorFileInvalid);
  heldPackages[path] = HeldPackage{resourceName, std::move(holding)};
  return kSOk;
}

HResult GetExtractionFolder(bool perUser, std::u16string& folder) {
  std::u16string path;
  const HResult located =
      platform::GetSpecialFolderPath(perUser ? platform::kFolderAppData : platform::kFolderCommonAppData, path);
  // S_FALSE and other non-failures without a path count as "no such folder" too.
  if (located != kSOk) return located < 0 ? located : kEFail;

  if (path.empty() || path.back() != u'\\') path += u'\\';
  path += kInstallerProductCode;
  path += u'\\';
  if (!platform::CreateFolder(path, !perUser)) {
    if (platform::LastError() != kErrorAlreadyExists) return HResultFromLastError(HResultFromWin32(kErrorGenFailure));
    const HResult usable = UseExistingFolder(path, perUser);
    if (usable < 0) return usable;
  }
  // Hiding the folder is a courtesy: it serves as well when it stays visible.
  (void)platform::SetFileAttributesAt(path, kAttributesHiddenSystem);
  folder = path;
  return kSOk;
}

HResult ExtractMsi(const PackageDescriptor& package, std::u16string& path) {
  // Written by this process already, in whichever folder and under whichever name: that file,
  // held since.
  const std::u16string resourceName = ResourceNameOf(package);
  if (const std::u16string* written = HeldPackageOf(resourceName, package.fileBaseName)) {
    path = *written;
    return kSOk;
  }

  std::u16string folder;
  HResult result = GetExtractionFolder(/*perUser=*/false, folder);
  if (result < 0) {
    result = GetExtractionFolder(/*perUser=*/true, folder);
    if (result < 0) return result;
  }

  // The plain name is the package's home: a plain file left there is rewritten. The numbered
  // names, always new files, are for when it is locked or is anything else.
  const std::u16string base = folder + package.fileBaseName;
  std::u16string candidate = base + u".msi";
  result = ResExportToFile(candidate, resourceName, ExistingFile::kReplace);
  if (result < 0) {
    std::uint32_t number = platform::TickCount();
    for (int attempt = 0; result < 0 && attempt < kNumberedAttempts; ++attempt, ++number) {
      candidate = base + u"_" + UnsignedDecimal(number) + u".msi";
      result = ResExportToFile(candidate, resourceName);
    }
    if (result < 0) return result;
  }
  path = candidate;
  RemoveEarlierCopies(folder, package.fileBaseName, candidate);
  return result;
}

std::u16string ExtractMainPackage() {
  std::u16string path;
  const HResult result = ExtractMsi(kMainPackage, path);
  if (result < 0) ReportFatalError(result, u"ExtractMsi: ");
  return path;
}

std::u16string ExtractLanguagePack(const std::u16string& resourceName) {
  std::u16string folder;
  const std::uint32_t length = platform::GetTempFolderPath(kTempPathCapacity, folder);
  if (length == 0 || length > kTempPathCapacity) ReportFatalError(kEFail, u"ExtractMsi2");

  // Unique number 0: the system picks the name and creates the empty file, so the name is ours.
  // The package is then written as a new file under that name.
  std::u16string path;
  if (platform::CreateTempFileName(folder, kTempFilePrefix, 0, path) == 0) ReportFatalError(kEFail, u"ExtractMsi2");
  (void)platform::DeleteFileAt(path);  // a failure shows when the file is created

  const HResult result = ResExportToFile(path, resourceName);
  if (result < 0) ReportFatalError(result, u"ResExportToFile");
  return path;
}
