#include "installer/package_extraction.h"

#include <algorithm>
#include <iterator>

#include "base/errors.h"
#include "base/text_format.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/process.h"

namespace {

constexpr std::uint32_t kErrorGenFailure = 31;
constexpr std::uint32_t kErrorAlreadyExists = 183;
constexpr std::uint32_t kAttributesHiddenSystem = 0x2 | 0x4;
constexpr int kNumberedAttempts = 100;
constexpr std::uint32_t kTempPathCapacity = 260;
constexpr char16_t kTempFilePrefix[] = u"QZMSI";

std::u16string ResourceNameOf(const PackageDescriptor& package) {
  const char16_t* begin = std::begin(package.resourceName);
  const char16_t* end = std::end(package.resourceName);
  return std::u16string(begin, std::find(begin, end, u'\0'));
}

}  // namespace

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

  platform::FileHandle file = platform::CreateFileForWriting(path);
  if (!file) return HResultFromLastError();
  if (!platform::WriteToFile(file, data, size)) {
    const HResult failure = HResultFromLastError();
    file.reset();
    // The write's failure is what counts; a part left behind is overwritten by the next write.
    (void)platform::DeleteFileAt(path);
    return failure;
  }
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
  if (!platform::CreateFolder(path) && platform::LastError() != kErrorAlreadyExists) {
    return HResultFromLastError(HResultFromWin32(kErrorGenFailure));
  }
  // Hiding the folder is a courtesy: it serves as well when it stays visible.
  (void)platform::SetFileAttributesAt(path, kAttributesHiddenSystem);
  folder = path;
  return kSOk;
}

HResult ExtractMsi(const PackageDescriptor& package, std::u16string& path) {
  std::u16string folder;
  HResult result = GetExtractionFolder(false, folder);
  if (result < 0) {
    result = GetExtractionFolder(true, folder);
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
  std::u16string path;
  if (platform::CreateTempFileName(folder, kTempFilePrefix, 0, path) == 0) ReportFatalError(kEFail, u"ExtractMsi2");

  const HResult result = ResExportToFile(path, resourceName);
  if (result < 0) ReportFatalError(result, u"ResExportToFile");
  return path;
}
