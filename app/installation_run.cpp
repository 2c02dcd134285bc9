#include "app/installation_run.h"

#include "app/parent_console.h"
#include "base/errors.h"
#include "base/installer_results.h"
#include "base/outcome.h"
#include "base/product.h"
#include "base/setup_log.h"
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

// A language pack written to its file, and the language it is for.
struct PackFile {
  std::u16string code;
  std::u16string path;
};

PackFile ExtractPack(const AvailableLanguage& language) {
  return {kLanguages[language.languageIndex].code, ExtractLanguagePack(language.resourceName)};
}

PackFile ExtractPackFor(const std::u16string& code) {
  for (const AvailableLanguage& language : AvailableLanguages) {
    if (code == kLanguages[language.languageIndex].code) return ExtractPack(language);
  }
  return {};
}

void ExtractEveryPack(std::vector<PackFile>& packs) {
  packs.clear();
  for (const AvailableLanguage& language : AvailableLanguages) packs.push_back(ExtractPack(language));
}

// The packs of a run without dialog: every carried pack, or those that "/language" names.
std::vector<PackFile> PacksWithoutDialog(const SetupOptions& options) {
  EnumerateLanguagePacks();
  if (AvailableLanguages.empty()) ReportFatalError(kEFail, u"No language pack found");

  const std::int64_t unsupported = FindUnsupportedLanguageCode(options.languageCodes, CarriedLanguageCodes());
  if (unsupported >= 0) {
    const std::u16string& code = options.languageCodes[static_cast<std::size_t>(unsupported)];
    LogEvent({u"Refused: language \"", code, u"\" is not carried"});
    if (AttachParentConsole()) {
      platform::WriteStandardOutput(FormatText(u"\nSpecified Language \"%s\" is not supported!\n", {code}));
    }
    ReleaseConsole();
    EndRun(Outcome::UnsupportedLanguage);
  }

  std::vector<PackFile> packs;
  if (options.languageCodes.empty()) {
    ExtractEveryPack(packs);
    return packs;
  }
  for (const std::u16string& code : options.languageCodes) {
    if (code == u"all") {
      ExtractEveryPack(packs);
      break;
    }
    packs.push_back(ExtractPackFor(code));
  }
  return packs;
}

// In an unattended run without "/logbp" and "/loglp", each package's Windows Installer log goes
// beside the setup log. The file is made here as a new file, so the installer never writes
// through something planted at that name. Empty: no such log.
std::u16string CompanionInstallerLog(const SetupOptions& options, const std::u16string& suffix) {
  if (!options.unattended || !options.basePackageLogPath.empty() || !options.langPackLogPath.empty()) return {};
  return CreateCompanionLog(suffix);
}

void EnableInstallerLog(const std::u16string& path) {
  // A log that cannot be switched on does not stop the installation it would have recorded.
  if (!path.empty()) {
    (void)platform::MsiEnableLogW(platform::kInstallLogModeVerbose, path, platform::kInstallLogAttributesAppend);
  }
}

void LogPackage(const std::u16string& path, const std::u16string& commandLine, int uiLevel, std::uint32_t result) {
  LogEvent({u"Package ", path, u": properties \"", commandLine, u"\", UI level ", UnsignedDecimal(static_cast<std::uint32_t>(uiLevel)), u", result ", UnsignedDecimal(result)});
}

[[noreturn]] void FinishAfterFailure(ConfigureAction action, const SetupOptions& options,
                                     const std::u16string& languageValue, std::uint32_t result, int savedUiLevel) {
  RemoveInstalledLanguagePacks(options.unattended ? UnattendedInstallerUiLevel() : platform::kInstallUiLevelBasic);
  if (!IsQuietInstallerFailure(result) && !options.unattended) {
    platform::ShowMessageBox(SystemMessageText(result), kWarningCaption, platform::kMbIconWarning);
  }
  if (!options.silent && !IsPreinstallMode()) {
    if (installedMajorVersion >= 9 && result == kInstallerUserExit && action == ActionUpgradeMajor9) {
      OpenUpgradeCancellationLink(/*withVersion=*/true, languageValue);
    } else {
      OpenInstallHelpLink(action, languageValue, result);
    }
  }
  platform::MsiSetInternalUI(savedUiLevel);
  EndRun(Outcome::InstallationFailed, result);
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

std::uint32_t RunInstallation(platform::InstanceHandle instance, ConfigureAction action, const SetupOptions& options) {
  const std::u16string mainPackagePath = ExtractMainPackage();

  std::u16string languageValue;
  std::vector<PackFile> packs;
  if (!options.silent && !options.reducedUi) {
    LanguageChoice choice = ChooseLanguage(instance, action);
    languageValue = choice.code;
    packs.push_back({choice.code, choice.packPath});
  } else {
    languageValue = u"silent";
    packs = PacksWithoutDialog(options);
  }

  // A restart that the removal needs is still needed after the installation.
  std::uint32_t restart = 0;
  if (action == ActionUpgradeMajor9) restart = RemoveEarlierVersion(ActionUpgradeMajor9, /*autoUninstall=*/true);

  const std::u16string langPackCommandLine = BuildLangPackCommandLine(options.langPackProperties);
  RemoveInstalledLanguagePacks(platform::kInstallUiLevelNone);

  EnableInstallerLog(options.langPackLogPath);

  std::uint32_t result = 0;
  for (const PackFile& pack : packs) {
    EnableInstallerLog(CompanionInstallerLog(options, pack.code));
    const int previous = platform::MsiSetInternalUI(platform::kInstallUiLevelNone);
    result = platform::MsiInstallProductW(pack.path, langPackCommandLine);
    platform::MsiSetInternalUI(previous);
    LogPackage(pack.path, langPackCommandLine, platform::kInstallUiLevelNone, result);
    if (!IsInstallerSuccess(result)) break;
    restart = CombineRestartResults(restart, result);
  }

  int mainUiLevel = platform::kInstallUiLevelFull;
  if (options.unattended) {
    mainUiLevel = UnattendedInstallerUiLevel();
  } else if (options.silent) {
    mainUiLevel = platform::kInstallUiLevelNone;
  } else if (options.reducedUi || IsPreinstallMode()) {
    mainUiLevel = platform::kInstallUiLevelBasic;
  }
  const int savedUiLevel = platform::MsiSetInternalUI(mainUiLevel);

  const std::u16string mainCommandLine = BuildMainCommandLine(options.basePackageProperties, languageValue,
                                                              BuildCustomInstallProperty(), options.silent,
                                                              installedMajorVersion);

  EnableInstallerLog(options.basePackageLogPath);
  EnableInstallerLog(CompanionInstallerLog(options, u"main"));

  if (IsInstallerSuccess(result)) {
    result = platform::MsiInstallProductW(mainPackagePath, mainCommandLine);
    LogPackage(mainPackagePath, mainCommandLine, mainUiLevel, result);
  }
  if (!IsInstallerSuccess(result)) FinishAfterFailure(action, options, languageValue, result, savedUiLevel);

  if (!options.silent && !IsPreinstallMode() && result == 0) OpenInstallHelpLink(action, languageValue, 0);
  platform::MsiSetInternalUI(savedUiLevel);
  RecordInstalledVersion(kProductCode, kProductVersion);
  return CombineRestartResults(restart, result);
}
