#include "versions/installed_product.h"

#include <array>
#include <tuple>
#include <vector>

#include "base/errors.h"
#include "base/installer_results.h"
#include "base/product.h"
#include "base/setup_log.h"
#include "base/text_format.h"
#include "i18n/language_packs.h"
#include "platform/installer.h"
#include "platform/registry.h"
#include "platform/ui.h"

namespace {

constexpr std::uint32_t kVersionBufferLength = 32;
constexpr std::uint32_t kVersionPartLimit = 65536;

// White space as the C library's iswspace sees it, for the characters that matter here.
bool IsSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Reads a number the way wcstoul(start, &end, 10) does with a 32-bit unsigned long: white space
// and one sign may lead; without digits the result is 0 and `end` is `start`; a value beyond
// 0xFFFFFFFF gives 0xFFFFFFFF whatever its sign; otherwise a minus sign negates modulo 2^32.
std::uint32_t ReadUnsigned(const char16_t* start, const char16_t*& end) {
  const char16_t* p = start;
  while (IsSpace(*p)) ++p;
  bool negative = false;
  if (*p == u'+' || *p == u'-') {
    negative = *p == u'-';
    ++p;
  }
  if (!IsDigit(*p)) {
    end = start;
    return 0;
  }
  std::uint64_t value = 0;
  bool overflow = false;
  for (; IsDigit(*p); ++p) {
    if (overflow) continue;
    value = value * 10 + static_cast<std::uint64_t>(*p - u'0');
    overflow = value > 0xFFFFFFFFu;
  }
  end = p;
  if (overflow) return 0xFFFFFFFFu;
  const auto number = static_cast<std::uint32_t>(value);
  return negative ? 0u - number : number;
}

// One attempt: the "VersionString" of `productCode` into a buffer of 32 characters.
std::uint32_t AskInstalledVersion(const std::u16string& productCode, std::u16string& versionText) {
  std::array<char16_t, kVersionBufferLength> buffer{};
  std::uint32_t length = kVersionBufferLength;
  const std::uint32_t result = platform::MsiGetProductInfoW(productCode, u"VersionString", buffer.data(), &length);
  if (result != 0) return result;
  std::size_t size = 0;
  while (size < buffer.size() && buffer[size] != u'\0') ++size;
  versionText.assign(buffer.data(), size);
  return 0;
}

}  // namespace

std::u16string ReadHklmString(const std::u16string& keyPath, const std::u16string& valueName) {
  platform::RegistryKey key;
  if (platform::OpenRegistryKey(platform::RegistryRoot::LocalMachine, keyPath, platform::kKeyRead, key) !=
      platform::kErrorSuccess) {
    throw RegistryValueNotFound();
  }
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  if (platform::QueryRegistryValue(key, valueName, &type, nullptr, &size) != platform::kErrorSuccess ||
      type != platform::kRegSz) {
    throw RegistryValueNotFound();
  }
  std::vector<std::uint8_t> data(size);
  std::uint32_t received = size;
  if (platform::QueryRegistryValue(key, valueName, &type, data.data(), &received) != platform::kErrorSuccess) {
    throw RegistryValueNotFound();
  }
  if (received > size) received = size;
  return platform::RegistryText(data.data(), received);
}

std::uint32_t QueryInstalledVersion(const std::u16string& productCode, std::u16string& versionText) {
  if (AskInstalledVersion(productCode, versionText) == 0) return 0;
  try {
    const std::u16string recorded = ReadHklmString(kCompatibilityRecordKey, u"ProductCode");
    if (AskInstalledVersion(recorded, versionText) == 0) {
      installedProductCode = recorded;
      return 0;
    }
  } catch (const RegistryValueNotFound&) {
    // No compatibility record: the earlier edition's code is next.
  }
  const std::uint32_t result = AskInstalledVersion(kEarlierEditionProductCode, versionText);
  if (result == 0) installedProductCode = kEarlierEditionProductCode;
  return result;
}

HResult ParseVersionString(const char16_t* text, VersionNumbers& version) {
  if (text == nullptr) return kEInvalidArg;
  VersionNumbers parsed;
  const char16_t* end = text;
  parsed.major = ReadUnsigned(text, end);
  if (*end != u'.' || parsed.major >= kVersionPartLimit) return kEFail;
  parsed.minor = ReadUnsigned(end + 1, end);
  if (*end != u'.' || parsed.minor >= kVersionPartLimit) return kEFail;
  parsed.build = ReadUnsigned(end + 1, end);
  if (parsed.build >= kVersionPartLimit) return kEFail;
  if (*end == u'.') {
    parsed.revision = ReadUnsigned(end + 1, end);
    if (parsed.revision >= kVersionPartLimit) return kEFail;
  }
  version = parsed;
  return kSOk;
}

ConfigureAction DecideConfigureAction(const VersionNumbers& installed, const VersionNumbers& wanted) {
  if (installed == wanted) return ActionSameVersion;
  if (installed.major < wanted.major && installed.major >= 9) return ActionUpgradeMajor9;
  // The major number only bounds this rule; the rest is compared without it.
  if (installed.major <= wanted.major && std::tie(installed.minor, installed.build, installed.revision) <
                                             std::tie(wanted.minor, wanted.build, wanted.revision)) {
    return ActionReplaceOlder;
  }
  return ActionNewerPresent;
}

HResult ClassifyFailedVersionQuery(std::uint32_t queryResult, ConfigureAction& action) {
  if (queryResult == kInstallerUnknownProduct || queryResult == kInstallerUnknownProperty) {
    action = ActionFreshInstall;
    return kSOk;
  }
  action = ActionNone;
  return HResultFromWin32(queryResult);
}

HResult GetRequiredMsiConfigureAction(std::uint32_t newVersionHigh, std::uint32_t newVersionLow,
                                      const std::u16string& productCode, ConfigureAction& action) {
  action = ActionNone;
  std::u16string versionText;
  const std::uint32_t result = QueryInstalledVersion(productCode, versionText);
  if (result != 0) {
    const HResult classified = ClassifyFailedVersionQuery(result, action);
    LogEvent({u"Detection: no installed version found (Windows Installer result ", UnsignedDecimal(result), u"); action ", UnsignedDecimal(static_cast<std::uint32_t>(action))});
    return classified;
  }

  VersionNumbers installed;
  const HResult parsed = ParseVersionString(versionText.c_str(), installed);
  if (parsed < 0) ReportFatalError(parsed, u"GetRequiredMsiConfigureAction1");
  installedMajorVersion = installed.major;
  action = DecideConfigureAction(installed, VersionFromWords(newVersionHigh, newVersionLow));
  LogEvent({u"Detection: installed product ", installedProductCode, u", version ", versionText, u"; action ", UnsignedDecimal(static_cast<std::uint32_t>(action))});
  return kSOk;
}

HResult GetPreviousInstallLocation(const std::u16string& productCode, std::u16string& location) {
  try {
    const std::u16string displayName = ReadHklmString(kUninstallKey + productCode, u"displayName");
    location = ReadHklmString(kUninstallKey + displayName, u"InstallLocation");
    return kSOk;
  } catch (const RegistryValueNotFound&) {
    return kEFail;
  }
}

void ResetInstalledProductForTesting() {
  installedProductCode = kInstallerProductCode;
  installedMajorVersion = 0;
}

int ShowInstalledProductMessage(const std::u16string& productCode, int kind) {
  std::u16string installedVersion;
  QueryInstalledVersion(productCode, installedVersion);
  const std::u16string language = MessageLanguage();
  switch (kind) {
    case 0:
      return ShowLocalizedMessage(language, TextField::NewerVersionInstalled,
                                  {kProductName, kProductVersion, kProductName},
                                  platform::kMbIconInformation | platform::kMbOk);
    case 1:
      return ShowLocalizedMessage(language, TextField::ExistingVersionInstalled,
                                  {kProductName, installedVersion, kProductName, kProductVersion, kProductName},
                                  platform::kMbIconQuestion | platform::kMbYesNo);
    case 2:
      return ShowLocalizedMessage(language, TextField::ProductAlreadyInstalled, {kProductName, kProductName},
                                  platform::kMbIconQuestion | platform::kMbYesNo);
    default:
      return platform::kIdYes;
  }
}
