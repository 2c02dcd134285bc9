#include "app/win_main.h"

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
#include "installer/pending_renames.h"
#include "installer/windows_installer.h"
#include "platform/console.h"
#include "platform/process.h"
#include "platform/system_info.h"
#include "platform/ui.h"
#include "requirements/windows_version.h"
#include "shell/shell_restart.h"
#include "tag/affiliate_configuration.h"
#include "versions/earlier_version.h"
#include "versions/installed_product.h"

namespace {

constexpr char16_t kMutexName[] = u"Orvex2011Installer";
constexpr char16_t kShellRestartSwitch[] = u"--force-shell-restart";
// Held by the Windows Installer service while an installation runs.
constexpr char16_t kInstallerBusyMutexName[] = u"Global\\_MSIExecute";

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
  EndRun(Outcome::ConsoleAnswered);
}

// A refused argument: the message on the parent's console ends the process. Without a console an
// unattended run still ends (a deployment tool reads the exit code); any other run passes the
// argument over, and so does any run for an option without its value but an unattended one.
void RefuseArgument(const char16_t* pattern, const std::u16string& argument, Outcome outcome) {
  const bool ends = unattendedRun || outcome != Outcome::MissingOptionValue;
  if (!ends) return;
  const std::u16string message = FormatText(pattern, {argument});
  LogEvent({u"Refused: ", message.substr(1, message.size() - 2)});
  if (AttachParentConsole()) {
    platform::WriteStandardOutput(message);
    ReleaseConsole();
  } else if (!unattendedRun) {
    return;
  }
  EndRun(outcome);
}

std::u16string JoinedCommandLine(const std::vector<std::u16string>& arguments) {
  std::u16string line;
  for (const std::u16string& argument : arguments) {
    if (!line.empty()) line += u' ';
    const bool quote = argument.empty() || argument.find_first_of(u" \t") != std::u16string::npos;
    line += quote ? u"\"" + argument + u"\"" : argument;
  }
  return line;
}

void LogStart(const std::vector<std::u16string>& arguments) {
  LogEvent({kProductName, u" 2011 setup ", kProductVersion});
  LogEvent({u"Command line: ", JoinedCommandLine(arguments)});
  const platform::VersionFacts version = platform::QueryVersionFacts();
  const platform::Elevation elevation = platform::QueryProcessElevation();
  LogEvent({u"Windows ", UnsignedDecimal(version.major), u".", UnsignedDecimal(version.minor), u".", UnsignedDecimal(version.build), u" service pack ", UnsignedDecimal(version.servicePackMajor), u".", UnsignedDecimal(version.servicePackMinor), u", product type ", UnsignedDecimal(version.productType), u"; elevated: ", (elevation == platform::Elevation::Elevated ? u"yes" : elevation == platform::Elevation::NotElevated ? u"no" : u"unknown")});
}

void LogMode(const SetupOptions& options) {
  std::u16string mode = options.silent ? u"silent" : options.reducedUi ? u"reduced interface" : u"interactive";
  if (options.unattended) mode = u"unattended, " + mode;
  LogEvent({u"Mode: ", mode});
}

}  // namespace

void ReadCommandLine(std::vector<std::u16string>& arguments, SetupOptions& options) {
  std::size_t next = 0;
  for (;;) {
    const ParseStop stop = ParseArguments(arguments, next, options);
    if (stop.request == ConsoleRequest::None) break;
    switch (stop.request) {
      case ConsoleRequest::SupportedLanguages:
        AnswerSupportedLanguages();
        break;
      case ConsoleRequest::MissingValue:
        RefuseArgument(u"\nParameter \"%s\" needs a value!\n", arguments[stop.index], Outcome::MissingOptionValue);
        break;
      default:
        RefuseArgument(u"\nParameter \"%s\" is not supported!\n", arguments[stop.index], Outcome::UnsupportedOption);
        break;
    }
    next = stop.index + 1;
  }
  if (options.unattended && !options.reducedUi) options.silent = true;
  if (options.silent && options.reducedUi) options.reducedUi = false;
}

void RequestRestart() {
  platform::TokenHandle token;
  if (!platform::OpenOwnProcessToken(token)) return;
  // Without the privilege the reboot request fails by itself; there is nothing else to try.
  (void)platform::EnableTokenPrivilege(token, u"SeShutdownPrivilege");
  platform::RequestSystemReboot();
}

Outcome InstalledOutcome(std::uint32_t restart) {
  if (restart == kInstallerRebootInitiated) return Outcome::InstalledRestartInitiated;
  if (restart == kInstallerRebootRequired) return Outcome::InstalledRestartRequired;
  return Outcome::Installed;
}

Outcome Dispatch(platform::InstanceHandle instance, ConfigureAction action, const SetupOptions& options) {
  switch (action) {
    case ActionFreshInstall:
    case ActionUpgradeMajor9:
      return InstalledOutcome(RunInstallation(instance, action, options));
    case ActionReplaceOlder: {
      // An unattended run is deployed to upgrade: the removal is its documented answer.
      if (unattendedRun) {
        LogEvent({u"Question: remove the older version ", installedProductCode, u"? not asked; default yes"});
      } else {
        const bool yes = ShowInstalledProductMessage(installedProductCode, 1) == platform::kIdYes;
        LogEvent({u"Question: remove the older version ", installedProductCode, u"? asked; answer ", (yes ? u"yes" : u"no")});
        if (!yes) return Outcome::RemovalDeclined;
      }
      const std::uint32_t removal = RemoveEarlierVersion(ActionReplaceOlder, /*autoUninstall=*/true);
      return InstalledOutcome(CombineRestartResults(removal, RunInstallation(instance, action, options)));
    }
    case ActionNewerPresent:
      LogEvent({u"A newer version is installed: nothing is installed"});
      if (!unattendedRun) ShowInstalledProductMessage(installedProductCode, 0);
      return Outcome::NewerVersionPresent;
    case ActionSameVersion:
      if (unattendedRun) {
        LogEvent({u"This version is installed already: nothing to do; the uninstall question is not asked"});
      } else {
        RemoveEarlierVersion(ActionSameVersion, /*autoUninstall=*/false);
      }
      return Outcome::SameVersionPresent;
    default:
      return Outcome::Installed;
  }
}

int WinMain(platform::InstanceHandle instance, platform::InstanceHandle, const char16_t*, int) {
  // Before anything loads a DLL by name: the setup runs elevated, often from a downloads folder.
  // Older systems without either function go on as before.
  (void)platform::RestrictDllSearchToSystemFolder();

  // What an unattended run changes comes before the first box or exit, so "/unattended" and
  // "/log" are looked for before the command line is read.
  std::vector<std::u16string> arguments = platform::CommandLineArguments();
  unattendedRun = HasUnattendedOption(arguments);
  OpenSetupLog(LogPathOption(arguments));
  LogStart(arguments);

  const platform::MutexResult mutex = platform::CreateNamedMutex(kMutexName);
  if (mutex != platform::MutexResult::Created) {
    return FinishRun(mutex == platform::MutexResult::AlreadyExists ? Outcome::AnotherSetupRunning
                                                                   : Outcome::SingleInstanceGuardFailed);
  }
  // Windows Installer would refuse the installation later, after an earlier version was removed.
  if (unattendedRun && platform::NamedMutexExists(kInstallerBusyMutexName)) {
    LogEvent({u"A Windows Installer installation is running"});
    return FinishRun(Outcome::AnotherSetupRunning);
  }
  platform::InitCommonControlsStandard();

  // The tag of the file that runs, never of one the command line names: started by a bare name,
  // argument 0 may name a file in whatever folder the start happened from.
  LoadAffiliateConfiguration(platform::ProgramFilePath());

  if (arguments.size() == 2 && arguments[1] == kShellRestartSwitch) {
    ForceShellRestart();
    return FinishRun(Outcome::ShellRestarted);
  }

  SetupOptions options;
  ReadCommandLine(arguments, options);
  arguments.clear();
  unattendedProgress = options.unattended && options.reducedUi;
  LogMode(options);

  CheckWindowsVersion(instance);

  UseWindowsInstaller();
  ConfigureAction action = ActionNone;
  const HResult detection = GetRequiredMsiConfigureAction(kProductVersionHigh, kProductVersionLow,
                                                          kInstallerProductCode, action);
  if (detection < 0) ReportFatalError(detection, u"GetRequiredMsiConfigureAction failed: ");

  const std::u16string mainPackagePath = ExtractMainPackage();
  if (IsRestartPending(mainPackagePath, installedProductCode, options.installFolder)) {
    if (unattendedRun) {
      LogEvent({u"A rename of a product file is pending: nothing is installed; Windows is not restarted"});
    } else {
      const bool yes = ShowRestartRequiredMessage() == platform::kIdYes;
      LogEvent({u"A rename of a product file is pending. Question: restart Windows? asked; answer ", (yes ? u"yes" : u"no")});
      if (yes) RequestRestart();
    }
    EndRun(Outcome::RestartPending);
  }

  return FinishRun(Dispatch(instance, action, options));
}
