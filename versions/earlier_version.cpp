#include "versions/earlier_version.h"

#include <algorithm>
#include <optional>

#include "base/installed_state.h"
#include "base/installer_results.h"
#include "base/outcome.h"
#include "base/setup_log.h"
#include "base/text_format.h"
#include "i18n/language_packs.h"
#include "installer/windows_installer.h"
#include "platform/clock.h"
#include "platform/com.h"
#include "platform/installer.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/services.h"
#include "platform/shell.h"
#include "platform/ui.h"
#include "report/help_links.h"
#include "shell/shell_restart.h"
#include "versions/installed_product.h"

namespace {

constexpr char16_t kMarkerKey[] = u"Software\\Orvex\\Setup";
constexpr char16_t kMarkerValue[] = u"AutoUninst";
constexpr std::uint8_t kMarkerData[] = {u'1', 0, 0, 0};  // "1" and its terminator, UTF-16LE

constexpr std::uint32_t kFirstMajorWithUninstallVerdict = 10;

constexpr std::uint32_t kServiceMinimumPoll = 500;
constexpr std::uint32_t kServiceStopLimit = 30000;
constexpr std::uint32_t kErrorServiceDoesNotExist = 1060;
constexpr std::uint32_t kErrorInvalidName = 123;
constexpr std::uint32_t kErrorServiceNotActive = 1062;

// {FD8DB406-E813-4FF5-BEB0-6C6DC373B985} and {2C0D27BA-0142-43F8-8BB7-1BA7DE0088D5}.
constexpr platform::Guid kProductComponentClass = {
    0xFD8DB406, 0xE813, 0x4FF5, {0xBE, 0xB0, 0x6C, 0x6D, 0xC3, 0x73, 0xB9, 0x85}};
constexpr platform::Guid kProductComponentInterface = {
    0x2C0D27BA, 0x0142, 0x43F8, {0x8B, 0xB7, 0x1B, 0xA7, 0xDE, 0x00, 0x88, 0xD5}};

// "X:\..." or "\\server\...". The tool is started elevated: a relative or empty location would
// make the shell look for it in the current folder (the downloads folder) or a drive's root.
bool IsFullPath(const std::u16string& path) {
  if (path.size() >= 3 && path[1] == u':' && (path[2] == u'\\' || path[2] == u'/')) {
    const char16_t drive = path[0];
    return (drive >= u'A' && drive <= u'Z') || (drive >= u'a' && drive <= u'z');
  }
  return path.size() > 2 && path[0] == u'\\' && path[1] == u'\\';
}

// The install tool's path in the installed version's folder, or none.
std::optional<std::u16string> InstallToolPath() {
  std::u16string folder;
  if (GetPreviousInstallLocation(installedProductCode, folder) < 0 || !IsFullPath(folder)) return std::nullopt;
  if (folder.back() != u'\\') folder += u'\\';
  return folder + kInstallToolName;
}

// Waits for the process to end, then reads its exit code once. Any code the tool ends with counts,
// 259 (the value of "still active") included; none when the wait or the read failed.
std::optional<std::uint32_t> WaitForExitCode(const platform::ProcessHandle& process) {
  if (!platform::WaitForProcessEnd(process)) return std::nullopt;
  std::uint32_t code = 0;
  if (!platform::GetProcessExitCode(process, code)) return std::nullopt;
  return code;
}

struct ToolRun {
  bool launched = false;
  std::optional<std::uint32_t> exitCode;  // none when the wait ended without a code
};

// Launches the install tool with `toolSwitch` as its only parameter and waits for it.
ToolRun RunInstallTool(const std::u16string& tool, const char16_t* toolSwitch) {
  platform::ProcessHandle process;
  const int show = unattendedRun ? platform::kSwHide : platform::kSwShowNormal;
  if (!platform::ShellExecuteKeepingProcess(u"open", tool, toolSwitch, show, process)) return {};
  return {true, WaitForExitCode(process)};
}

void WriteAutoUninstallMarker() {
  platform::RegistryKey key;
  if (platform::CreateRegistryKey(platform::RegistryRoot::CurrentUser, kMarkerKey,
                                  platform::kKeyRead | platform::kKeySetValue | platform::kKeyCreateSubKey,
                                  key) != platform::kErrorSuccess) {
    return;
  }
  // The marker is written for others to read; the removal goes on without it.
  (void)platform::SetRegistryValue(key, kMarkerValue, platform::kRegSz, kMarkerData, sizeof kMarkerData);
}

// The wait hint, but at least 500 ms and no longer than what is left of the limit: a service
// whose hint is far longer must not hold the setup beyond it.
std::uint32_t StopPollInterval(std::uint32_t waitHint, std::uint32_t elapsed) {
  const std::uint32_t left = elapsed < kServiceStopLimit ? kServiceStopLimit - elapsed : 0;
  return std::max(kServiceMinimumPoll, std::min(waitHint, left));
}

// Waits while the service is stop-pending; the state last read.
std::uint32_t WaitWhileStopPending(const platform::ServiceHandle& service, platform::ServiceStatus status,
                                   std::uint32_t start) {
  std::uint32_t state = status.currentState;
  while (state == platform::kServiceStopPending) {
    platform::SleepMilliseconds(StopPollInterval(status.waitHint, platform::TickCount() - start));
    if (!platform::QueryServiceProcessStatus(service, status)) break;
    state = status.currentState;
    if (state == platform::kServiceStopped) break;
    if (platform::TickCount() - start > kServiceStopLimit) break;
  }
  return state;
}

}  // namespace

int RunToolCloseApps() {
  const std::optional<std::u16string> tool = InstallToolPath();
  if (!tool) return 1;
  return RunInstallTool(*tool, kCloseAppsSwitch).launched ? 1 : 0;
}

UninstallVerdict RunToolUninstall() {
  if (installedMajorVersion < kFirstMajorWithUninstallVerdict) return VerdictNone;
  const std::optional<std::u16string> tool = InstallToolPath();
  if (!tool) return VerdictNone;
  const ToolRun run = RunInstallTool(*tool, kUninstallSwitch);
  if (run.exitCode == static_cast<std::uint32_t>(VerdictRemove)) return VerdictRemove;
  if (run.exitCode == static_cast<std::uint32_t>(VerdictAbandon)) return VerdictAbandon;
  return VerdictNone;
}

bool StopProductService() {
  platform::ServiceHandle manager;
  if (!platform::OpenServiceManager(platform::kServiceManagerAllAccess, manager)) return false;
  platform::ServiceHandle service;
  if (!platform::OpenNamedService(manager, kProductServiceName, platform::kServiceStopAndQueryStatus, service)) {
    const std::uint32_t error = platform::LastError();
    return error == kErrorServiceDoesNotExist || error == kErrorInvalidName;
  }
  bool stopped = false;
  const std::uint32_t start = platform::TickCount();
  platform::ServiceStatus status;
  if (platform::SendServiceStop(service, status)) {
    if (status.currentState == platform::kServiceStopped) {
      stopped = true;
    } else if (platform::QueryServiceProcessStatus(service, status)) {
      stopped = WaitWhileStopPending(service, status, start) == platform::kServiceStopped;
    }
  }
  // Covers a stop refused because the service was not running.
  if (platform::LastError() == kErrorServiceNotActive) stopped = true;
  return stopped;
}

bool StartProductService() {
  platform::ServiceHandle manager;
  if (!platform::OpenServiceManager(platform::kServiceManagerAllAccess, manager)) return false;
  platform::ServiceHandle service;
  if (!platform::OpenNamedService(manager, kProductServiceName, platform::kServiceStartAndQueryStatus, service)) {
    return false;
  }
  return platform::StartServiceWithoutArguments(service);
}

bool NotifyProductComponent() {
  // The component is released before the apartment is left.
  const platform::ComApartment apartment;
  platform::ComObject component;
  if (platform::CreateComObject(kProductComponentClass, kProductComponentInterface, platform::kComServerAnyContext,
                                component) < 0) {
    return false;
  }
  return platform::CallComMethodWithoutArguments(component, kProductComponentMethodSlot) >= 0;
}

std::uint32_t RemoveEarlierVersion(ConfigureAction action, bool autoUninstall) {
  RunToolCloseApps();
  if (autoUninstall) {
    WriteAutoUninstallMarker();
  } else {
    const UninstallVerdict verdict = RunToolUninstall();
    LogEvent({u"Install tool's uninstall verdict: ", UnsignedDecimal(static_cast<std::uint32_t>(verdict))});
    if (verdict == VerdictAbandon) return 0;
    if (verdict == VerdictNone) {
      const bool yes = ShowInstalledProductMessage(installedProductCode, 2) == platform::kIdYes;
      LogEvent({u"Question: uninstall the installed version? asked; answer ", (yes ? u"yes" : u"no")});
      if (!yes) return 0;
    }
  }
  StopProductService();
  NotifyProductComponent();
  const std::u16string earlierLanguage = PreviousUiLanguage();

  const int uiLevel = unattendedRun ? UnattendedInstallerUiLevel() : platform::kInstallUiLevelBasic;
  const int previousUiLevel = platform::MsiSetInternalUI(uiLevel);
  const std::uint32_t result =
      platform::MsiConfigureProductW(installedProductCode, platform::kInstallLevelDefault, platform::kInstallStateAbsent);
  LogEvent({u"Removal of ", installedProductCode, u": UI level ", UnsignedDecimal(static_cast<std::uint32_t>(uiLevel)), u", result ", UnsignedDecimal(result)});
  if (IsInstallerSuccess(result)) {
    RemoveInstalledLanguagePacks(uiLevel);
  } else {
    if (autoUninstall && action == ActionUpgradeMajor9 && result == kInstallerUserExit) {
      // Any process of the user can write "UILanguage": only a language code goes into the link.
      OpenUpgradeCancellationLink(/*withVersion=*/false,
                                  IsLanguageCodeForm(earlierLanguage) ? earlierLanguage : std::u16string());
    }
    StartProductService();
  }
  ForceShellRestart();
  ExitOnInstallerFailure(result);
  platform::MsiSetInternalUI(previousUiLevel);
  return result;
}
