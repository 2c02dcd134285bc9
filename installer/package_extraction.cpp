#include "installer/package_extraction.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <utility>

#include "base/errors.h"
#include "base/text_format.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/process.h"

namespace {

constexpr std::uint32_t kErrorAccessDenied = 5;
constexpr std::uint32_t kErrorGenFailure = 31;
constexpr std::uint32_t kErrorAlreadyExists = 183;
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

// An existing extraction folder is used only when it is a folder of its own, not a link to
// another place. The all-users one, where any user may create folders, only when SYSTEM, the
// Administrators or this setup's own account own it (the last on systems where the creator owns
// what an administrator made, as a setup run earlier did): another user may have made it
// beforehand. It then gets the restricted access it is created with, and the Administrators as
// owner.
HResult UseExistingFolder(const std::u16string& path, bool perUser) {
  const platform::FileHandle folder = platform::OpenFolderForSecurity(path);
  if (!folder) return HResultFromLastError(HResultFromWin32(kErrorGenFailure));
  platform::FolderFacts facts;
  if (!platform::QueryFolderFacts(folder, facts)) return HResultFromLastError(HResultFromWin32(kErrorGenFailure));
  if (!facts.isDirectory || facts.isReparsePoint) return HResultFromWin32(kErrorAccessDenied);
  if (perUser) return kSOk;
  if (!facts.ownedBySystemOrAdministrators && !facts.ownedByThisUser) return HResultFromWin32(kErrorAccessDenied);
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

HResult ResExportToFile(const std::u16string& path, const std::u16string& resourceName) {
  const std::uint8_t* data = nullptr;
  std::uint32_t size = 0;
  const HResult found = FindPackageResource(resourceName, data, size);
  if (found < 0) return found;

  // Written there by this process and held since: it is still exactly these bytes.
  const auto held = heldPackages.find(path);
  if (held != heldPackages.end() && held->second.resourceName == resourceName) return kSOk;

  platform::FileHandle file = platform::CreateFileForWriting(path);
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
  if (!(reopened == written)) return HResultFromWin32(kErrorFileInvalid);
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
  std::u16string folder;
  HResult result = GetExtractionFolder(/*perUser=*/false, folder);
  if (result < 0) {
    result = GetExtractionFolder(/*perUser=*/true, folder);
    if (result < 0) return result;
  }

  const std::u16string resourceName = ResourceNameOf(package);
  const std::u16string base = folder + package.fileBaseName;
  std::u16string candidate = base + u".msi";
  result = ResExportToFile(candidate, resourceName);
  if (result >= 0) {
    path = candidate;
    return result;
  }

  std::uint32_t number = platform::TickCount();
  for (int attempt = 0; attempt < kNumberedAttempts; ++attempt, ++number) {
    candidate = base + u"_" + UnsignedDecimal(number) + u".msi";
    result = ResExportToFile(candidate, resourceName);
    if (result >= 0) {
      path = candidate;
      return result;
    }
  }
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
