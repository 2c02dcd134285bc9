#include "shell/shell_restart.h"

#include <gtest/gtest.h>

#include <functional>

#include "tests/fakes/com.h"
#include "tests/fakes/files.h"
#include "tests/fakes/process.h"
#include "tests/fakes/registry.h"
#include "tests/fakes/shell.h"
#include "tests/fakes/system_info.h"
#include "tests/fakes/task_scheduler.h"
#include "tests/fakes/ui.h"
#include "tests/fakes/world.h"

namespace {

using platform::RegistryRoot;
using Calls = std::vector<std::string>;

constexpr char16_t kSafeModeKey[] = u"SYSTEM\\CurrentControlSet\\Control\\SafeBoot\\Option";
constexpr char16_t kSafeBootKey[] = u"SYSTEM\\CurrentControlSet\\Control\\SafeBoot";
const std::string kTask = "{DD552472-A185-4a0c-AC58-90AA40E9E26A}";
constexpr HResult kEAccessDenied = static_cast<HResult>(0x80070005u);

void SetBootShell(const std::u16string& shell) {
  fakes::Files().profileStrings[{u"system.ini", u"boot", u"Shell"}] = shell;
}

// The calls after the first one that starts with `name`.
Calls CallsAfter(const std::string& name) {
  const Calls& calls = fakes::Calls();
  for (auto call = calls.begin(); call != calls.end(); ++call) {
    if (call->rfind(name, 0) == 0) return Calls(call + 1, calls.end());
  }
  ADD_FAILURE() << name << " was not called";
  return {};
}

std::size_t CountOf(const std::string& prefix) { return fakes::CallsStartingWith(prefix).size(); }

// Windows 7 with a signed-in user; every case leaves no object alive and the apartment as found.
class ShellRestartTest : public WorldTest {
 protected:
  void SetUp() override { Reset(6); }
  void TearDown() override { ExpectAllReleased(); }
  static void Reset(std::uint32_t major) {
    fakes::ResetWorld();
    fakes::SystemInfo().version.major = major;
    fakes::SystemInfo().sessionTexts = {{platform::kSessionDomainName, u"ORVEX-PC"},
                                        {platform::kSessionUserName, u"tester"}};
  }
  static void ExpectAllReleased() {
    EXPECT_TRUE(fakes::TaskScheduler().liveObjects.empty()) << "objects left unreleased";
    EXPECT_EQ(CountOf("CoUninitialize"), fakes::Com().initializeResult >= 0 ? CountOf("CoInitialize") : 0u);
  }
};

TEST_F(ShellRestartTest, OnlyAConfiguredExplorerWithoutShellWindowIsStartedDirectlyBeforeVista) {
  const struct {
    const char* name;
    std::function<void()> arrange;
    bool started;
  } cases[] = {
      {"safe mode, cmd.exe as alternate shell",
       [] {
         fakes::PutDword(RegistryRoot::LocalMachine, kSafeModeKey, u"UseAlternateShell", 1);
         fakes::PutString(RegistryRoot::LocalMachine, kSafeBootKey, u"AlternateShell", u"cmd.exe");
       },
       false},
      {"safe mode, alternate shell off: system.ini decides",
       [] {
         fakes::PutDword(RegistryRoot::LocalMachine, kSafeModeKey, u"UseAlternateShell", 0);
         fakes::PutString(RegistryRoot::LocalMachine, kSafeBootKey, u"AlternateShell", u"cmd.exe");
       },
       true},
      {"safe mode, alternate shell unreadable: system.ini decides",
       [] {
         fakes::PutDword(RegistryRoot::LocalMachine, kSafeModeKey, u"UseAlternateShell", 1);
         SetBootShell(u"cmd.exe");
       },
       false},
      {"no [boot] entry", [] {}, true},
      {"EXPLORER.EXE", [] { SetBootShell(u"EXPLORER.EXE"); }, true},
      {"explorer.exe with its folder", [] { SetBootShell(u"C:\\Windows\\explorer.exe"); }, false},
      {"shell window present", [] { fakes::Ui().windowClasses.insert(u"Progman"); }, false},
      {"Explorer path of 261 with its terminator",
       [] { fakes::Process().environment[u"SystemRoot"] = u"C:\\" + std::u16string(244, u'w'); }, false},
      {"Explorer path of 260 with its terminator",
       [] { fakes::Process().environment[u"SystemRoot"] = u"C:\\" + std::u16string(243, u'w'); }, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Reset(5);
    c.arrange();
    EXPECT_EQ(ForceShellRestart(), c.started);
    EXPECT_EQ(CountOf("CoInitialize"), 0u);
    EXPECT_EQ(fakes::Shell().opened.size(), c.started ? 1u : 0u);
  }
  // A start that ShellExecuteW refuses (32 or below) is no start.
  Reset(5);
  fakes::Shell().defaultResult = 32;
  EXPECT_FALSE(ForceShellRestart());
  ASSERT_EQ(fakes::Shell().opened.size(), 1u);
  const fakes::ShellOpenCall& call = fakes::Shell().opened[0];
  EXPECT_EQ(call.verb, std::nullopt);
  EXPECT_EQ(call.file, u"C:\\Windows\\Explorer.EXE");
  EXPECT_EQ(call.parameters, u"");
  EXPECT_EQ(call.showCommand, 5);
}

TEST_F(ShellRestartTest, FromVistaOnARegistrationTriggerStartsTheTaskWhichDeletesItself) {
  EXPECT_TRUE(ForceShellRestart());
  EXPECT_TRUE(fakes::Shell().opened.empty());
  const Calls expected = {"CreateTaskService", "ConnectTaskService", "GetTaskFolder \\", "DeleteTask " + kTask,
                          "NewTask", "GetRegistrationInfo", "PutDescription Orvex Setup - Force Shell Restart",
                          "Release IRegistrationInfo", "GetTriggers", "CreateTrigger 7",
                          "PutEndBoundary 2011-06-15T12:31:45Z", "Release ITrigger", "Release ITriggerCollection",
                          "GetTaskSettings", "PutAllowDemandStart false", "PutDisallowStartIfOnBatteries false",
                          "PutExecutionTimeLimit PT0S", "PutDeleteExpiredTaskAfter PT0S", "Release ITaskSettings",
                          "GetActions", "CreateAction 0", "QueryExecAction", "PutExecPath C:\\Windows\\Explorer.EXE",
                          "GetPrincipal", "PutRunLevel 0", "QuerySessionText 7", "QuerySessionText 5",
                          "RegisterTaskDefinition " + kTask + " flags 6 user ORVEX-PC\\tester logon 3",
                          "Release IRegisteredTask", "Release IPrincipal", "Release IExecAction", "Release IAction",
                          "Release IActionCollection", "Release ITaskDefinition", "Release ITaskFolder",
                          "Release ITaskService", "CoUninitialize"};
  EXPECT_EQ(CallsAfter("CoInitialize"), expected);
}

TEST_F(ShellRestartTest, WithoutTriggerTheTaskIsRunWaitedForAndDeleted) {
  for (const HResult runResult : {kSOk, kEAccessDenied}) {
    Reset(6);
    fakes::SystemInfo().sessionTexts.clear();
    fakes::TaskScheduler().results = {{"CreateTrigger", fakes::kENotImpl}, {"RunRegisteredTask", runResult}};
    fakes::TaskScheduler().lastRunTimes = {0.0, 0.0, 40708.5};
    EXPECT_EQ(ForceShellRestart(), runResult >= 0);
    const Calls expected = {"RegisterTaskDefinition " + kTask + " flags 6 user <empty> logon 3",
                            "RunRegisteredTask", "GetLastRunTime", "Sleep 100", "GetLastRunTime", "Sleep 100",
                            "GetLastRunTime", "DeleteTask " + kTask, "Release IRegisteredTask"};
    const Calls after = CallsAfter("QuerySessionText 7");
    ASSERT_GE(after.size(), expected.size());
    EXPECT_EQ(Calls(after.begin(), after.begin() + static_cast<long>(expected.size())), expected);
    EXPECT_EQ(fakes::CallsStartingWith("PutAllowDemandStart"), Calls{"PutAllowDemandStart true"});
    EXPECT_EQ(CountOf("PutEndBoundary") + CountOf("PutDeleteExpiredTaskAfter"), 0u);
  }
}

TEST_F(ShellRestartTest, AFailedStepStopsAndReleasesWhatWasObtainedInReverseOrder) {
  const auto then = [](Calls first, const Calls& rest) {
    first.insert(first.end(), rest.begin(), rest.end());
    return first;
  };
  const Calls fromDefinition = {"Release ITaskDefinition", "Release ITaskFolder", "Release ITaskService",
                                "CoUninitialize"};
  const Calls fromExec = then({"Release IExecAction", "Release IAction", "Release IActionCollection"}, fromDefinition);
  const struct {
    const char* step;
    Calls following;
  } cases[] = {
      {"CoInitialize", {}},
      {"CreateTaskService", {"CoUninitialize"}},
      {"ConnectTaskService", {"Release ITaskService", "CoUninitialize"}},
      {"GetTaskFolder", {"Release ITaskService", "CoUninitialize"}},
      {"NewTask", {"Release ITaskFolder", "Release ITaskService", "CoUninitialize"}},
      {"GetActions", fromDefinition},
      {"CreateAction", then({"Release IActionCollection"}, fromDefinition)},
      {"QueryExecAction", then({"Release IAction", "Release IActionCollection"}, fromDefinition)},
      {"PutExecPath", fromExec},
      {"GetPrincipal", fromExec},
      {"PutRunLevel", then({"Release IPrincipal"}, fromExec)},
      {"RegisterTaskDefinition", then({"Release IPrincipal"}, fromExec)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.step);
    Reset(6);
    if (std::string(c.step) == "CoInitialize") fakes::Com().initializeResult = kEFail;
    fakes::TaskScheduler().results[c.step] = kEAccessDenied;
    EXPECT_FALSE(ForceShellRestart());
    EXPECT_EQ(CallsAfter(c.step), c.following);
    ExpectAllReleased();
  }
}

TEST_F(ShellRestartTest, TheTaskExpiresOneMinuteAfterRegistrationInUtc) {
  const struct {
    platform::SystemTime now;
    const char* boundary;  // null: no valid time, no boundary, so the program deletes the task itself
  } cases[] = {
      {{2011, 12, 6, 31, 23, 59, 30, 0}, "2012-01-01T00:00:30Z"},
      {{2012, 2, 2, 28, 23, 59, 59, 999}, "2012-02-29T00:00:59Z"},
      {{2011, 2, 0, 29, 0, 0, 0, 0}, nullptr},
  };
  for (const auto& c : cases) {
    Reset(6);
    fakes::Process().utcTime = c.now;
    EXPECT_TRUE(ForceShellRestart());
    EXPECT_EQ(fakes::CallsStartingWith("PutEndBoundary"),
              c.boundary != nullptr ? Calls{std::string("PutEndBoundary ") + c.boundary} : Calls{});
    EXPECT_EQ(CountOf("PutDeleteExpiredTaskAfter"), c.boundary != nullptr ? 1u : 0u);
    EXPECT_EQ(CountOf("DeleteTask"), c.boundary != nullptr ? 1u : 2u);
  }
}

TEST_F(ShellRestartTest, TheWaitForTheFirstRunEndsAfterFiveSecondsAlsoAcrossATickWrap) {
  const struct {
    std::uint32_t tickCount;
    std::size_t sleeps;
  } cases[] = {
      {1000, 50},
      {0xFFFFFFFFu - 49, 51},
      // Wraps after two steps: the five seconds start again from the first reading after the wrap.
      {0xFFFFFFFFu - 199, 52},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tickCount);
    Reset(6);
    fakes::TaskScheduler().results["CreateTrigger"] = fakes::kENotImpl;
    fakes::Process().tickCount = c.tickCount;
    EXPECT_TRUE(ForceShellRestart());
    EXPECT_EQ(fakes::CallsStartingWith("Sleep"), Calls(c.sleeps, "Sleep 100"));
    EXPECT_EQ(CountOf("DeleteTask"), 2u);
  }
}

TEST(InteractiveAccountNameTest, DomainBackslashUserUpTo271Characters) {
  const std::u16string user(255, u'u');
  const struct {
    std::optional<std::u16string> domain, user, name;
  } cases[] = {
      {u"ORVEX-PC", u"tester", u"ORVEX-PC\\tester"},
      {std::nullopt, u"tester", std::nullopt},
      {u"ORVEX-PC", std::nullopt, std::nullopt},
      {std::u16string(15, u'D'), user, std::u16string(15, u'D') + u"\\" + user},
      {std::u16string(16, u'D'), user, std::nullopt},
  };
  for (const auto& c : cases) {
    fakes::ResetWorld();
    if (c.domain) fakes::SystemInfo().sessionTexts[platform::kSessionDomainName] = *c.domain;
    if (c.user) fakes::SystemInfo().sessionTexts[platform::kSessionUserName] = *c.user;
    EXPECT_EQ(InteractiveAccountName(), c.name);
  }
}

}  // namespace
