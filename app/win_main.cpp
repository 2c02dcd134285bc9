#include "app/win_main.h"

#include "app/installation_run.h"
#include "app/parent_console.h"
#include "base/errors.h"
#include "base/product.h"
#include "base/text_format.h"
#include "i18n/language_packs.h"
#include "i18n/language_table.h"
#include "installer/package_extraction.h"
#include "installer/pending_renames.h"
#include "installer/windows_installer.h"
#include "platform/console.h"
#include "platform/process.h"
#include "platform/ui.h"
#include "requirements/windows_version.h"
#include "shell/shell_restart.h"
#include "tag/affiliate_configuration.h"
#include "versions/earlier_version.h"
#include "versions/installed_product.h"

namespace {

constexpr char16_t kMutexName[] = u"Orvex2011Installer";
constexpr char16_t kShellRestartSwitch[] = u"--force-shell-restart";

// "/supportedlang": lists the carried languages on the parent's console and ends the process.
// Returns only when there is no parent console, so the option is passed over.
void AnswerSupportedLanguages() {
  EnumerateLanguagePacks();
  if (AvailableLanguages.empty()) ReportFatalError(kEFail, u"No language pack found");
  if (!AttachParentConsole()) return;
  platform::WriteStandardOutput(u"\nSupported languages:\n");
  for (const AvailableLanguage& language : AvailableLanguages) {
    platform::WriteStandardOutput(FormatText(u"- %s\n", {kLanguages[language.languageIndex].code}));
  }
  ReleaseConsole();
  platform::EndProcess(0);
}

// An unknown option beginning with "/": refused on the parent's console, which ends the process.
// Returns only when there is no parent console, so the argument is passed over.
void AnswerUnsupportedParameter(const std::u16string& argument) {
  if (!AttachParentConsole()) return;
  platform::WriteStandardOutput(FormatText(u"\nParameter \"%s\" is not supported!\n", {argument}));
  ReleaseConsole();
  platform::EndProcess(0);
}

}  // namespace

void ReadCommandLine(std::vector<std::u16string>& arguments, SetupOptions& options) {
  std::size_t next = 0;
  for (;;) {
    const ParseStop stop = ParseArguments(arguments, next, options);
    if (stop.request == ConsoleRequest::None) break;
    if (stop.request == ConsoleRequest::SupportedLanguages) {
      AnswerSupportedLanguages();
    } else {
      AnswerUnsupportedParameter(arguments[stop.index]);
    }
    next = stop.index + 1;
  }
  if (options.silent && options.reducedUi) options.reducedUi = false;
}

void RequestRestart() {
  platform::TokenHandle token;
  if (!platform::OpenOwnProcessToken(token)) return;
  // Without the privilege the reboot request fails by itself; there is nothing else to try.
  (void)platform::EnableTokenPrivilege(token, u"SeShutdownPrivilege");
  platform::RequestSystemReboot();
}

void Dispatch(platform::InstanceHandle instance, ConfigureAction action, const SetupOptions& options) {
  switch (action) {
    case ActionFreshInstall:
    case ActionUpgradeMajor9:
      RunInstallation(instance, action, options);
      break;
    case ActionReplaceOlder:
      if (ShowInstalledProductMessage(installedProductCode, 1) == platform::kIdYes) {
        RemoveEarlierVersion(ActionReplaceOlder, /*autoUninstall=*/true);
        RunInstallation(instance, action, options);
      }
      break;
    case ActionNewerPresent:
      ShowInstalledProductMessage(installedProductCode, 0);
      break;
    case ActionSameVersion:
      RemoveEarlierVersion(ActionSameVersion, /*autoUninstall=*/false);
      break;
    default:
      break;
  }
}

int WinMain(platform::InstanceHandle instance, platform::InstanceHandle, const char16_t*, int) {
  // Before anything loads a DLL by name: the setup runs elevated, often from a downloads folder.
  // Older systems without either function go on as before.
  (void)platform::RestrictDllSearchToSystemFolder();
  if (platform::CreateNamedMutex(kMutexName) != platform::MutexResult::Created) return 1;
  platform::InitCommonControlsStandard();

  // The tag of the file that runs, never of one the command line names: started by a bare name,
  // argument 0 may name a file in whatever folder the start happened from.
  LoadAffiliateConfiguration(platform::ProgramFilePath());
  std::vector<std::u16string> arguments = platform::CommandLineArguments();

  if (arguments.size() == 2 && arguments[1] == kShellRestartSwitch) {
    ForceShellRestart();
    return 0;
  }

  SetupOptions options;
  ReadCommandLine(arguments, options);
  arguments.clear();

  CheckWindowsVersion(instance);

  UseWindowsInstaller();
  ConfigureAction action = ActionNone;
  const HResult detection = GetRequiredMsiConfigureAction(kProductVersionHigh, kProductVersionLow,
                                                          kInstallerProductCode, action);
  if (detection < 0) ReportFatalError(detection, u"GetRequiredMsiConfigureAction failed: ");

  const std::u16string mainPackagePath = ExtractMainPackage();
  if (IsRestartPending(mainPackagePath, installedProductCode, /*installFolder=*/u"")) {
    if (ShowRestartRequiredMessage() == platform::kIdYes) RequestRestart();
    platform::EndProcess(0);
  }

  Dispatch(instance, action, options);
  return 0;
}
