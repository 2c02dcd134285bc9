#pragma once
#include <cstdint>
#include <exception>
#include <string>

#include "base/configure_action.h"
#include "base/installed_state.h"
#include "base/product.h"
#include "platform/result.h"

// HKEY_LOCAL_MACHINE key whose "ProductCode" value names the code an installed edition uses.
inline constexpr char16_t kCompatibilityRecordKey[] = u"Software\\Orvex\\Setup\\Compatibility\\1";
inline constexpr char16_t kUninstallKey[] = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// Raised by ReadHklmString. It never leaves this folder: every caller here catches it. A plain
// std::exception with a fixed message: std::runtime_error would link the library's string
// machinery into the executable.
class RegistryValueNotFound : public std::exception {
 public:
  const char* what() const noexcept override { return "Registry Value not found"; }
};

// A REG_SZ value under HKEY_LOCAL_MACHINE (default view), up to its first terminator or the end
// of its data. Raises RegistryValueNotFound when the key or value is missing, is of another type,
// or cannot be read.
std::u16string ReadHklmString(const std::u16string& keyPath, const std::u16string& valueName);

// Asks the Windows Installer for the installed version under `productCode`, then under the code
// of the compatibility record, then under kEarlierEditionProductCode. Returns 0 and the version
// text when one attempt succeeds (setting installedProductCode for the second and third), else
// the last attempt's installer result.
std::uint32_t QueryInstalledVersion(const std::u16string& productCode, std::u16string& versionText);

struct VersionNumbers {
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint32_t build = 0;
  std::uint32_t revision = 0;

  friend bool operator==(const VersionNumbers&, const VersionNumbers&) = default;
};

// The version packed as two words: major and minor in the first, build and revision in the second.
constexpr VersionNumbers VersionFromWords(std::uint32_t high, std::uint32_t low) {
  return {high >> 16, high & 0xFFFFu, low >> 16, low & 0xFFFFu};
}

// Reads "major.minor.build[.revision]" from a terminated text, each number as the C library's
// base-10 wide-string-to-unsigned-long conversion reads it. Null text: E_INVALIDARG; a missing
// "." after major or minor, or a number of 65536 or more: E_FAIL. `version` changes only on
// success.
HResult ParseVersionString(const char16_t* text, VersionNumbers& version);

// The decision between the installed version and the wanted one.
ConfigureAction DecideConfigureAction(const VersionNumbers& installed, const VersionNumbers& wanted);

// What a failed version query means: 1605 (unknown product) and 1608 (unknown property) mean
// nothing is installed (ActionFreshInstall, result 0); any other result is a failure, returned as
// an HRESULT with the action 0.
HResult ClassifyFailedVersionQuery(std::uint32_t queryResult, ConfigureAction& action);

// Compares the installed product's version with the new one (two packed words) and decides what
// the setup does about it. `action` is 0 when the result is a failure. An installed version that
// does not parse ends the process through ReportFatalError.
HResult GetRequiredMsiConfigureAction(std::uint32_t newVersionHigh, std::uint32_t newVersionLow,
                                      const std::u16string& productCode, ConfigureAction& action);

// The install folder recorded for the product's display name in the Uninstall keys, as stored.
// E_FAIL when a value is missing; `location` changes only on success.
HResult GetPreviousInstallLocation(const std::u16string& productCode, std::u16string& location);

// Returns installedProductCode and installedMajorVersion to their initial values.
void ResetInstalledProductForTesting();

// Asks the installer for the installed version under `productCode`, then shows the message of
// `kind` in the default language: 0 a newer version is installed; 1 an older version must be
// removed first; 2 this version is already installed. Other kinds show nothing. Returns the
// box's answer, IDYES (6) when none is shown.
int ShowInstalledProductMessage(const std::u16string& productCode, int kind);
