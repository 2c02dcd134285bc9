#include "app/installation_run.h"

#include "app/parent_console.h"
#include "base/errors.h"
#include "base/installer_results.h"
#include "base/product.h"
#include "base/text_format.h"
#include "i18n/language_packs.h"
#include "i18n/language_table.h"
#include "installer/package_extraction.h"
#include "installer/windows_installer.h"
#include "platform/console.h"
#include "platform/installer.h"
#include "platform/registry.h"
#include "platform/ui.h"
#include "report/help_links.h"
#include "report/installation_id.h"
#include "tag/affiliate_configuration.h"
#include "ui/language_dialog.h"
#include "versions/earlier_version.h"
#include "versions/installed_product.h"

namespace {

constexpr char16_t kWarningCaption[] = u"Orvex Utilities";

std::vector<std::u16string> CarriedLanguageCodes() {
  std::vector<std::u16string> codes;
  for (const AvailableLanguage& language : AvailableLanguages) codes.emplace_back(kLanguages[language.languageIndex].code);
  return codes;
}

std::u16string ExtractPackFor(const std::u16string& code) {
  for (const AvailableLanguage& language : AvailableLanguages) {
    if (code == kLanguages[language.languageIndex].code) return ExtractLanguagePack(language.resourceName);
  }
  return {};
}

void ExtractEveryPack(std::vector<std::u16string>& paths) {
  paths.clear();
  for (const AvailableLanguage& language : AvailableLanguages) paths.push_back(ExtractLanguagePack(language.resourceName));
}

// The packs of a run without dialog: every carried pack, or those that "/language" names.
std::vector<std::u16string> PacksWithoutDialog(const SetupOptions& options) {
  EnumerateLanguagePacks();
  if (AvailableLanguages.empty()) ReportFatalError(kEFail, u"No language pack found");

  const std::int64_t unsupported = FindUnsupportedLanguageCode(options.languageCodes, CarriedLanguageCodes());
  if (unsupported >= 0) {
    const std::u16string& code = options.languageCodes[static_cast<std::size_t>(unsupported)];
    if (AttachParentConsole()) {
      platform::WriteStandardOutput(FormatText(u"\nSpecified Language \"%s\" is not supported!\n", {code}));
    }
    ReleaseConsole();
    platform::EndProcess(1);
  }

  std::vector<std::u16string> paths;
  if (options.languageCodes.empty()) {
    ExtractEveryPack(paths);
    return paths;
  }
  for (const std::u16string& code : options.languageCodes) {
    if (code == u"all") {
      ExtractEveryPack(paths);
      break;
    }
    paths.push_back(ExtractPackFor(code));
  }
  return paths;
}

[[noreturn]] void FinishAfterFailure(ConfigureAction action, const SetupOptions& options,
                                     const std::u16string& languageValue, std::uint32_t result, int savedUiLevel) {
  RemoveInstalledLanguagePacks(platform::kInstallUiLevelBasic);
  if (!IsQuietInstallerFailure(result)) platform::ShowMessageBox(SystemMessageText(result), kWarningCaption, platform::kMbIconWarning);
  if (!options.silent && !IsPreinstallMode()) {
    if (installedMajorVersion >= 9 && result == kInstallerUserExit && action == ActionUpgradeMajor9) {
      OpenUpgradeCancellationLink(/*withVersion=*/true, languageValue);
    } else {
      OpenInstallHelpLink(action, languageValue, result);
    }
  }
  platform::MsiSetInternalUI(savedUiLevel);
  platform::EndProcess(1);
}

}  // namespace

std::int64_t FindUnsupportedLanguageCode(const std::vector<std::u16string>& requested,
                                         const std::vector<std::u16string>& carried) {
  for (std::size_t i = 0; i < requested.size(); ++i) {
    if (requested[i] == u"all") continue;
    bool found = false;
    for (const std::u16string& code : carried) found = found || requested[i] == code;
    if (!found) return static_cast<std::int64_t>(i);
  }
  return -1;
}

std::u16string BuildCustomInstallProperty() {
  return std::u16string(u"USERDEFINST=") + (customInstallation ? u"1" : u"2") + u" " + affiliateProperties;
}

std::u16string BuildMainCommandLine(const std::u16string& basePackageProperties, const std::u16string& languageValue,
                                    const std::u16string& customInstallProperty, bool silent,
                                    std::uint32_t installedMajor) {
  std::u16string commandLine = basePackageProperties + u" LANGSTRING=" + languageValue + u" " + customInstallProperty;
  commandLine += u" TRANSFORMS=:" + languageValue;
  if (silent) commandLine += u" FASTOEM=1";
  if (installedMajor == 9) commandLine += u" QZUPGRADE=9";
  return commandLine;
}

std::u16string BuildLangPackCommandLine(const std::u16string& langPackProperties) {
  return langPackProperties + u" ALLUSERS=1";
}

bool IsPreinstallMode() {
  platform::RegistryKey key;
  if (platform::OpenRegistryKey(platform::RegistryRoot::LocalMachine, u"Software\\Orvex",
                                platform::kKeyRead | platform::kKeyWow64View32, key) != platform::kErrorSuccess &&
      platform::OpenRegistryKey(platform::RegistryRoot::LocalMachine, u"Software\\Orvex",
                                platform::kKeyRead | platform::kKeyWow64View64, key) != platform::kErrorSuccess) {
    return false;
  }
  std::uint8_t value[4] = {0, 0, 0, 0};
  std::uint32_t size = sizeof value;
  const long read = platform::QueryRegistryValue(key, u"PreinstallMode", nullptr, value, &size);
  const std::uint32_t number = value[0] | (value[1] << 8) | (value[2] << 16) | (static_cast<std::uint32_t>(value[3]) << 24);
  return read == platform::kErrorSuccess && number == 1;
}

void RunInstallation(platform::InstanceHandle instance, ConfigureAction action, const SetupOptions& options) {
  const std::u16string mainPackagePath = ExtractMainPackage();

  std::u16string languageValue;
  std::vector<std::u16string> langPackPaths;
  if (!options.silent && !options.reducedUi) {
    LanguageChoice choice = ChooseLanguage(instance, action);
    languageValue = choice.code;
    langPackPaths.push_back(choice.packPath);
  } else {
    languageValue = u"silent";
    langPackPaths = PacksWithoutDialog(options);
  }

  if (action == ActionUpgradeMajor9) RemoveEarlierVersion(ActionUpgradeMajor9, /*autoUninstall=*/true);

  const std::u16string langPackCommandLine = BuildLangPackCommandLine(options.langPackProperties);
  RemoveInstalledLanguagePacks(platform::kInstallUiLevelNone);

  // A log that cannot be switched on does not stop the installation it would have recorded.
  if (!options.langPackLogPath.empty()) {
    (void)platform::MsiEnableLogW(platform::kInstallLogModeVerbose, options.langPackLogPath,
                                  platform::kInstallLogAttributesAppend);
  }

  std::uint32_t result = 0;
  for (const std::u16string& path : langPackPaths) {
    const int previous = platform::MsiSetInternalUI(platform::kInstallUiLevelNone);
    result = platform::MsiInstallProductW(path, langPackCommandLine);
    platform::MsiSetInternalUI(previous);
    if (!IsInstallerSuccess(result)) break;
  }

  int savedUiLevel = 0;
  if (options.silent) {
    savedUiLevel = platform::MsiSetInternalUI(platform::kInstallUiLevelNone);
  } else if (options.reducedUi) {
    savedUiLevel = platform::MsiSetInternalUI(platform::kInstallUiLevelBasic);
  } else {
    savedUiLevel = platform::MsiSetInternalUI(IsPreinstallMode() ? platform::kInstallUiLevelBasic
                                                                 : platform::kInstallUiLevelFull);
  }

  const std::u16string mainCommandLine = BuildMainCommandLine(options.basePackageProperties, languageValue,
                                                              BuildCustomInstallProperty(), options.silent,
                                                              installedMajorVersion);

  if (!options.basePackageLogPath.empty()) {
    (void)platform::MsiEnableLogW(platform::kInstallLogModeVerbose, options.basePackageLogPath,
                                  platform::kInstallLogAttributesAppend);
  }

  if (IsInstallerSuccess(result)) result = platform::MsiInstallProductW(mainPackagePath, mainCommandLine);
  if (!IsInstallerSuccess(result)) FinishAfterFailure(action, options, languageValue, result, savedUiLevel);

  if (!options.silent && !IsPreinstallMode() && result == 0) OpenInstallHelpLink(action, languageValue, 0);
  platform::MsiSetInternalUI(savedUiLevel);
  RecordInstalledVersion(kProductCode, kProductVersion);
}
