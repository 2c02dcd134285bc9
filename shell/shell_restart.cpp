#include "shell/shell_restart.h"

#include <chrono>
#include <cstdint>

#include "base/text_format.h"
#include "platform/clock.h"
#include "platform/com.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/system_info.h"
#include "platform/task_scheduler.h"
#include "platform/text.h"
#include "platform/ui.h"

namespace {

using platform::RegistryRoot;

constexpr char16_t kSafeModeKey[] = u"system\\currentcontrolset\\control\\safeboot\\option";
constexpr char16_t kAlternateShellKey[] = u"system\\currentcontrolset\\control\\safeboot";
constexpr std::uint32_t kShellNameCapacity = 260;
constexpr std::uint32_t kAlternateShellBytes = 2 * kShellNameCapacity;
constexpr std::uint32_t kPathCapacity = 260;
constexpr std::size_t kAccountNameLimit = 271;

constexpr char16_t kExplorerPath[] = u"%SystemRoot%\\Explorer.EXE";
constexpr char16_t kTaskName[] = u"{DD552472-A185-4a0c-AC58-90AA40E9E26A}";
constexpr char16_t kTaskDescription[] = u"Orvex Setup - Force Shell Restart";
// A time span of nothing: no limit, and at once.
constexpr char16_t kNoTimeSpan[] = u"PT0S";
constexpr std::chrono::seconds kTaskLifetime{60};
constexpr std::uint32_t kFirstRunWaitMilliseconds = 5000;
constexpr std::uint32_t kFirstRunPollMilliseconds = 100;

// In safe mode with "UseAlternateShell" set, the alternate shell; otherwise empty. The number is
// read as up to four little-endian bytes, whatever the value's type.
std::u16string SafeModeShell() {
  platform::RegistryKey option;
  if (platform::OpenRegistryKey(RegistryRoot::LocalMachine, kSafeModeKey, platform::kKeyRead, option) !=
      platform::kErrorSuccess) {
    return {};
  }
  std::uint8_t number[4] = {};
  std::uint32_t size = sizeof number;
  const long read = platform::QueryRegistryValue(option, u"UseAlternateShell", nullptr, number, &size);
  option.reset();
  if (read != platform::kErrorSuccess || (number[0] | number[1] | number[2] | number[3]) == 0) return {};

  platform::RegistryKey safeBoot;
  if (platform::OpenRegistryKey(RegistryRoot::LocalMachine, kAlternateShellKey, platform::kKeyRead, safeBoot) !=
      platform::kErrorSuccess) {
    return {};
  }
  std::uint8_t data[kAlternateShellBytes] = {};
  size = sizeof data;
  if (platform::QueryRegistryValue(safeBoot, u"AlternateShell", nullptr, data, &size) != platform::kErrorSuccess) {
    return {};
  }
  return platform::RegistryText(data, size);
}

// The configured shell: the safe-mode alternate shell, else "Shell" of the [boot] section of
// "system.ini" ("explorer" when absent). Empty when neither gives a name that fits.
std::u16string ConfiguredShellName() {
  std::u16string name = SafeModeShell();
  if (!name.empty()) return name;
  const std::uint32_t length =
      platform::ReadProfileString(u"system.ini", u"boot", u"Shell", u"explorer", kShellNameCapacity, name);
  if (length == 0 || length >= kShellNameCapacity - 1) name.clear();
  return name;
}

bool IsExplorer(std::u16string name) {
  platform::LowerCaseText(name);
  return name == u"explorer" || name == u"explorer.exe";
}

bool ShellWindowExists() {
  const platform::WindowHandle window = platform::FindWindowOfClass(u"Progman");
  return window != nullptr && platform::IsExistingWindow(window);
}

// At least `width` decimal digits, zeros in front ("%0*u"). Written out rather than with the C
// library's printf, which brings its floating-point formatting into the executable.
std::u16string ZeroPaddedDecimal(std::uint32_t number, std::size_t width) {
  const std::u16string digits = UnsignedDecimal(number);
  return std::u16string(digits.size() < width ? width - digits.size() : 0, u'0') + digits;
}

// The end boundary of a task registered at `now` (UTC): one lifetime later, as
// "YYYY-MM-DDThh:mm:ssZ". None when `now` is no valid time.
std::optional<std::u16string> EndBoundaryAfter(const platform::SystemTime& now) {
  using namespace std::chrono;
  const year_month_day date{year{now.year}, month{now.month}, day{now.day}};
  if (now.year < 1601 || !date.ok() || now.hour > 23 || now.minute > 59 || now.second > 59 ||
      now.milliseconds > 999) {
    return std::nullopt;
  }
  const sys_seconds end =
      sys_days{date} + hours{now.hour} + minutes{now.minute} + seconds{now.second} + kTaskLifetime;
  const sys_days endDay = floor<days>(end);
  const year_month_day endDate{endDay};
  const hh_mm_ss<seconds> endTime{end - endDay};
  // The year is at least 1601 and the end a minute later, so every field is a non-negative number.
  return ZeroPaddedDecimal(static_cast<std::uint32_t>(static_cast<int>(endDate.year())), 4) + u'-' +
         ZeroPaddedDecimal(static_cast<unsigned>(endDate.month()), 2) + u'-' +
         ZeroPaddedDecimal(static_cast<unsigned>(endDate.day()), 2) + u'T' +
         ZeroPaddedDecimal(static_cast<std::uint32_t>(endTime.hours().count()), 2) + u':' +
         ZeroPaddedDecimal(static_cast<std::uint32_t>(endTime.minutes().count()), 2) + u':' +
         ZeroPaddedDecimal(static_cast<std::uint32_t>(endTime.seconds().count()), 2) + u'Z';
}

struct TriggerOutcome {
  bool created = false;
  bool endBoundarySet = false;
};

// A registration trigger that expires one lifetime after now. Failures leave the task without.
TriggerOutcome AddRegistrationTrigger(const platform::TaskDefinition& definition) {
  TriggerOutcome outcome;
  platform::TriggerCollection triggers;
  if (platform::GetTriggers(definition, triggers) < 0) return outcome;
  platform::Trigger trigger;
  if (platform::CreateTrigger(triggers, platform::kTaskTriggerRegistration, trigger) < 0) return outcome;
  outcome.created = true;
  if (const std::optional<std::u16string> boundary = EndBoundaryAfter(platform::CurrentUtcTime())) {
    outcome.endBoundarySet = platform::PutEndBoundary(trigger, *boundary) >= 0;
  }
  return outcome;
}

// Demand start only for a task without trigger, also on batteries, no time limit, and deletion
// as soon as the end boundary passes. True when the task deletes itself.
bool ApplySettings(const platform::TaskDefinition& definition, const TriggerOutcome& trigger) {
  platform::TaskSettings settings;
  if (platform::GetTaskSettings(definition, settings) < 0) return false;
  static_cast<void>(platform::PutAllowDemandStart(settings, !trigger.created));
  static_cast<void>(platform::PutDisallowStartIfOnBatteries(settings, /*disallow=*/false));
  static_cast<void>(platform::PutExecutionTimeLimit(settings, kNoTimeSpan));
  return trigger.endBoundarySet && platform::PutDeleteExpiredTaskAfter(settings, kNoTimeSpan) >= 0;
}

void DescribeTask(const platform::TaskDefinition& definition) {
  platform::RegistrationInfo info;
  if (platform::GetRegistrationInfo(definition, info) >= 0) {
    static_cast<void>(platform::PutDescription(info, kTaskDescription));
  }
}

// Waits until the task has run once, at most the wait limit in poll steps. A tick counter that
// wraps meanwhile starts the limit again from its first reading after the wrap.
void WaitForFirstRun(const platform::RegisteredTask& task) {
  std::uint32_t start = platform::TickCount();
  double lastRun = 0.0;
  while (platform::GetLastRunTime(task, lastRun) >= 0 && lastRun == 0.0) {
    const std::uint32_t now = platform::TickCount();
    if (now < start) start = now;
    if (now - start >= kFirstRunWaitMilliseconds) break;
    platform::SleepMilliseconds(kFirstRunPollMilliseconds);
  }
}

// Registers the one-time task that starts Explorer for the interactive user. The objects are
// declared in the order they are obtained, so that they are released in reverse order on every
// path, before the apartment is left.
bool ScheduleExplorer(const std::u16string& explorer) {
  const platform::ComApartment apartment;
  if (apartment.result() < 0) return false;
  platform::TaskService service;
  if (platform::CreateTaskService(service) < 0 || platform::ConnectTaskService(service) < 0) return false;
  platform::TaskFolder folder;
  if (platform::GetTaskFolder(service, u"\\", folder) < 0) return false;
  static_cast<void>(platform::DeleteTask(folder, kTaskName));
  platform::TaskDefinition definition;
  if (platform::NewTask(service, definition) < 0) return false;
  DescribeTask(definition);
  const TriggerOutcome trigger = AddRegistrationTrigger(definition);
  const bool selfDeleting = ApplySettings(definition, trigger);

  platform::ActionCollection actions;
  platform::Action action;
  platform::ExecAction exec;
  if (platform::GetActions(definition, actions) < 0 ||
      platform::CreateAction(actions, platform::kTaskActionExec, action) < 0 ||
      platform::QueryExecAction(action, exec) < 0 || platform::PutExecPath(exec, explorer) < 0) {
    return false;
  }
  platform::Principal principal;
  if (platform::GetPrincipal(definition, principal) < 0 ||
      platform::PutRunLevel(principal, platform::kTaskRunLevelLowest) < 0) {
    return false;
  }
  const std::optional<std::u16string> account = InteractiveAccountName();
  platform::RegisteredTask task;
  if (platform::RegisterTaskDefinition(folder, kTaskName, definition, platform::kTaskCreateOrUpdate, account,
                                       platform::kTaskLogonInteractiveToken, task) < 0) {
    return false;
  }
  const bool started = trigger.created || platform::RunRegisteredTask(task) >= 0;
  if (!selfDeleting) {
    WaitForFirstRun(task);
    static_cast<void>(platform::DeleteTask(folder, kTaskName));
  }
  return started;
}

}  // namespace

std::optional<std::u16string> InteractiveAccountName() {
  std::u16string domain;
  std::u16string user;
  if (!platform::QuerySessionText(platform::kSessionDomainName, domain) ||
      !platform::QuerySessionText(platform::kSessionUserName, user)) {
    return std::nullopt;
  }
  std::u16string name = domain + u'\\' + user;
  if (name.size() > kAccountNameLimit) return std::nullopt;
  return name;
}

bool ForceShellRestart() {
  if (!IsExplorer(ConfiguredShellName()) || ShellWindowExists()) return false;
  std::u16string explorer;
  const std::uint32_t length = platform::ExpandEnvironmentText(kExplorerPath, kPathCapacity, explorer);
  if (length == 0 || length > kPathCapacity) return false;
  if (platform::QueryVersionFacts().major < 6) {
    return platform::ShellOpen(nullptr, explorer, u"", platform::kSwShow) > 32;
  }
  return ScheduleExplorer(explorer);
}
