#include "versions/earlier_version.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <optional>

#include "base/product.h"
#include "platform/shell.h"
#include "platform/ui.h"
#include "shell/shell_restart.h"
#include "tests/fakes/com.h"
#include "tests/fakes/files.h"
#include "tests/fakes/installer.h"
#include "tests/fakes/process.h"
#include "tests/fakes/registry.h"
#include "tests/fakes/services.h"
#include "tests/fakes/shell.h"
#include "tests/fakes/ui.h"
#include "tests/fakes/world.h"
#include "versions/installed_product.h"

namespace {

using platform::RegistryRoot;
using platform::ServiceStatus;

constexpr char16_t kInstallFolder[] = u"C:\\Program Files\\Orvex\\Utilities 2011\\";
constexpr char16_t kTool[] = u"C:\\Program Files\\Orvex\\Utilities 2011\\QZInstallHelper.exe";
const std::string kProduct = fakes::Utf8(kInstallerProductCode);
const std::string kEnUsPack = fakes::Utf8(kLanguagePackProductCodes[3]);

// A machine with the product installed in `version` (under the product line's code), its install
// folder recorded with the install tool in it, the en-US pack installed, and the earlier version's
// interface language recorded as fr-FR.
void ScriptInstalledProduct(const std::u16string& version, const std::u16string& folder = kInstallFolder) {
  fakes::Installer().products[kInstallerProductCode] = {version};
  fakes::Installer().products[kLanguagePackProductCodes[3]] = {u"10.0.3000.101"};
  fakes::Installer().uiLevel = 5;
  const std::u16string uninstall = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
  fakes::PutString(RegistryRoot::LocalMachine, uninstall + kInstallerProductCode, u"DisplayName", u"Orvex Utilities");
  fakes::PutString(RegistryRoot::LocalMachine, uninstall + u"Orvex Utilities", u"InstallLocation", folder);
  fakes::Files().files[kTool] = {};
  const std::u16string major = version.substr(0, version.find(u'.'));
  fakes::PutString(RegistryRoot::LocalMachine, u"Software\\Orvex\\Utilities\\" + major + u".0", u"UILanguage",
                   u"fr-FR");
  ConfigureAction action = ActionNone;
  ASSERT_EQ(GetRequiredMsiConfigureAction(kProductVersionHigh, kProductVersionLow, kInstallerProductCode, action), 0);
}

// Runs the removal; the exit code it ended the process with, or none when it returned.
std::optional<int> Remove(ConfigureAction action, bool autoUninstall) {
  try {
    RemoveEarlierVersion(action, autoUninstall);
  } catch (const fakes::ProcessExit& exit) {
    return exit.code;
  }
  return std::nullopt;
}

bool ProductRemoved() { return fakes::Installer().products.count(kInstallerProductCode) == 0; }

std::vector<std::u16string> ToolSwitches() {
  std::vector<std::u16string> switches;
  for (const fakes::ShellOpenCall& call : fakes::Shell().started) switches.push_back(call.parameters);
  return switches;
}

using EarlierVersionTest = WorldTest;

// The same version installed: the install tool's answer to "--uninstall-nocturo", or the user's
// when the tool gives none, decides whether it is removed.
TEST_F(EarlierVersionTest, SameVersionVerdicts) {
  struct Case {
    const char* name;
    const char16_t* version;
    bool toolPresent;
    const char16_t* folder;
    std::vector<std::optional<std::uint32_t>> exitReads;  // of "--uninstall-nocturo"
    int answer;                                           // to the kind-2 question, if asked
    std::vector<std::u16string> switches;
    bool asked;
    bool removed;
    bool waitFails;
  };
  const std::vector<std::u16string> both = {kCloseAppsSwitch, kUninstallSwitch};
  const std::vector<std::u16string> closeOnly = {kCloseAppsSwitch};
  const Case cases[] = {
      {"tool absent: asked, Yes", u"10.0.3000.101", false, kInstallFolder, {}, platform::kIdYes, {}, true, true, false},
      {"tool absent: asked, No", u"10.0.3000.101", false, kInstallFolder, {}, platform::kIdNo, {}, true, false, false},
      {"folder not a full path", u"10.0.3000.101", true, u"Utilities 2011", {1}, platform::kIdNo, {}, true, false,
       false},
      {"major below 10: no verdict asked of the tool", u"9.1.0.0", true, kInstallFolder, {1}, platform::kIdNo,
       closeOnly, true, false, false},
      {"exit 1: removed without a question", u"10.0.3000.101", true, kInstallFolder, {1}, 0, both, false, true, false},
      {"exit 2: abandoned", u"10.0.3000.101", true, kInstallFolder, {2}, 0, both, false, false, false},
      {"exit 7: no verdict, asked", u"10.0.3000.101", true, kInstallFolder, {7}, platform::kIdNo, both, true, false,
       false},
      {"ended with 259: read once, no verdict, asked", u"10.0.3000.101", true, kInstallFolder, {259, 1},
       platform::kIdNo, both, true, false, false},
      {"no code read", u"10.0.3000.101", true, kInstallFolder, {std::nullopt, 2}, platform::kIdYes, both, true, true,
       false},
      {"the wait fails: no verdict, asked", u"10.0.3000.101", true, kInstallFolder, {1}, platform::kIdNo, both, true,
       false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fakes::ResetWorld();
    ScriptInstalledProduct(c.version, c.folder);
    if (!c.toolPresent) fakes::Files().files.clear();
    fakes::Shell().exitCodeReads[kUninstallSwitch] = c.exitReads;
    fakes::Shell().waitFails = c.waitFails;
    fakes::Ui().answers = {c.answer};

    EXPECT_EQ(Remove(ActionSameVersion, false), std::nullopt);
    EXPECT_EQ(ToolSwitches(), c.switches);
    for (const fakes::ShellOpenCall& call : fakes::Shell().started) {
      EXPECT_EQ(call.file, kTool);
      EXPECT_EQ(call.verb, u"open");
      EXPECT_EQ(call.showCommand, platform::kSwShowNormal);
    }
    EXPECT_EQ(fakes::CallsStartingWith("WaitForProcessEnd").size(), c.switches.size());
    EXPECT_TRUE(fakes::CallsStartingWith("Sleep").empty());
    ASSERT_EQ(fakes::Ui().boxes.size(), c.asked ? 1u : 0u);
    if (c.asked) {
      EXPECT_EQ(fakes::Ui().boxes[0].style, 0x24u);
      EXPECT_NE(fakes::Ui().boxes[0].text.find(u"already installed"), std::u16string::npos);
    }
    EXPECT_EQ(ProductRemoved(), c.removed);
    EXPECT_EQ(fakes::CallsStartingWith("SendServiceStop").size(), c.removed ? 1u : 0u);
    EXPECT_TRUE(fakes::CallsStartingWith("SetRegistryValue").empty()) << "no marker when the user is asked";
  }
}

TEST_F(EarlierVersionTest, ServiceStop) {
  struct Case {
    const char* name;
    std::optional<std::uint32_t> managerError, openError, stopError;
    ServiceStatus stopReturns;
    std::deque<std::optional<ServiceStatus>> queries;
    bool expected;
    std::vector<std::string> sleeps;
  };
  const ServiceStatus pending{platform::kServiceStopPending, 0};
  const ServiceStatus stopped{platform::kServiceStopped, 0};
  const std::vector<std::string> sixtyOneHalfSeconds(61, "Sleep 500");
  const Case cases[] = {
      {"stopped at once", {}, {}, {}, stopped, {}, true, {}},
      {"wait hint 0: polled every 500 ms", {}, {}, {}, pending, {pending, pending, stopped}, true,
       {"Sleep 500", "Sleep 500"}},
      {"wait hint 2 s", {}, {}, {}, pending, {ServiceStatus{3, 2000}, stopped}, true, {"Sleep 2000"}},
      {"stays stop-pending: gives up after about 30 s", {}, {}, {}, pending, {pending}, false, sixtyOneHalfSeconds},
      {"a 10-minute hint still ends at the limit", {}, {}, {}, pending, {ServiceStatus{3, 600000}}, false,
       {"Sleep 30000", "Sleep 500"}},
      {"first status query fails", {}, {}, {}, pending, {std::nullopt}, false, {}},
      {"not running (1062)", {}, {}, 1062u, stopped, {}, true, {}},
      {"no such service (1060)", {}, 1060u, {}, stopped, {}, true, {}},
      {"invalid name (123)", {}, 123u, {}, stopped, {}, true, {}},
      {"access denied (5)", {}, 5u, {}, stopped, {}, false, {}},
      {"no service manager", 5u, {}, {}, stopped, {}, false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fakes::ResetWorld();
    fakes::ServicesWorld& services = fakes::Services();
    services.managerError = c.managerError;
    services.openError = c.openError;
    services.stopError = c.stopError;
    services.stopReturns = c.stopReturns;
    services.queries = c.queries;

    EXPECT_EQ(StopProductService(), c.expected);
    EXPECT_EQ(fakes::CallsStartingWith("Sleep"), c.sleeps);
    if (!c.managerError) {
      EXPECT_EQ(fakes::Calls()[1], "OpenNamedService Orvex.UtilitiesSvc 0x24");
      EXPECT_EQ(fakes::Calls().back(), "CloseServiceHandle manager");
      EXPECT_EQ(fakes::CallsStartingWith("CloseServiceHandle service").size(), c.openError ? 0u : 1u);
    }
  }
}

// An automatic removal, as after the user agreed to remove an older version: every step in order.
TEST_F(EarlierVersionTest, AutomaticRemovalInOrder) {
  ScriptInstalledProduct(u"10.0.3000.100");
  fakes::Services().queries = {ServiceStatus{platform::kServiceStopPending, 0},
                               ServiceStatus{platform::kServiceStopped, 0}};

  EXPECT_EQ(Remove(ActionReplaceOlder, true), std::nullopt);

  // The shell restart's own calls, seen by making it again in the same world.
  const std::size_t before = fakes::Calls().size();
  ForceShellRestart();
  const std::vector<std::string> restart(fakes::Calls().begin() + static_cast<std::ptrdiff_t>(before),
                                         fakes::Calls().end());
  fakes::Calls().resize(before);

  // Reads of registry values and product states are left out; everything that acts stays.
  const auto acting = [](const std::vector<std::string>& calls) {
    std::vector<std::string> kept;
    for (const std::string& call : calls) {
      if (call.rfind("OpenRegistryKey", 0) != 0 && call.rfind("QueryRegistryValue", 0) != 0 &&
          call.rfind("CloseRegistryKey", 0) != 0 && call.rfind("MsiQueryProductStateW", 0) != 0 &&
          call.rfind("MsiGetProductInfoW", 0) != 0) {
        kept.push_back(call);
      }
    }
    return kept;
  };
  std::vector<std::string> expected = {
      "ShellExecuteKeepingProcess open " + fakes::Utf8(kTool) + " | --close-qzvapps | 1",
      "WaitForProcessEnd",
      "CloseProcessHandle",
      "CreateRegistryKey HKCU Software\\Orvex\\Setup 0x2001f",
      "SetRegistryValue AutoUninst 1 4",
      "OpenServiceManager 0xf003f",
      "OpenNamedService Orvex.UtilitiesSvc 0x24",
      "SendServiceStop",
      "QueryServiceProcessStatus state=3 hint=0",
      "Sleep 500",
      "QueryServiceProcessStatus state=1 hint=0",
      "CloseServiceHandle service",
      "CloseServiceHandle manager",
      "CoInitialize",
      "CreateComObject {FD8DB406-E813-4FF5-BEB0-6C6DC373B985} {2C0D27BA-0142-43F8-8BB7-1BA7DE0088D5} 0x17",
      "CallComMethod 36",
      "ReleaseComObject",
      "CoUninitialize",
      "MsiSetInternalUI 3",
      "MsiConfigureProductW " + kProduct + " 0 2 ui=3",
      "MsiSetInternalUI 3",  // the language packs' removal
      "MsiConfigureProductW " + kEnUsPack + " 0 2 ui=3",
      "MsiSetInternalUI 3",
  };
  for (const std::string& call : acting(restart)) expected.push_back(call);
  expected.push_back("MsiSetInternalUI 5");
  EXPECT_EQ(acting(fakes::Calls()), expected);

  const fakes::RegistryValue* marker =
      fakes::FindValue(RegistryRoot::CurrentUser, u"Software\\Orvex\\Setup", u"AutoUninst");
  ASSERT_NE(marker, nullptr);
  EXPECT_EQ(marker->type, platform::kRegSz);
  EXPECT_EQ(marker->data, (std::vector<std::uint8_t>{'1', 0, 0, 0}));
  EXPECT_FALSE(fakes::Services().running);
}

TEST_F(EarlierVersionTest, RemovalGoesOnWhenTheServiceNeverStopsOrTheComponentIsMissing) {
  ScriptInstalledProduct(u"10.0.3000.100");
  fakes::Services().queries = {ServiceStatus{platform::kServiceStopPending, 0}};
  fakes::Com().createResult = static_cast<HResult>(0x80040154u);  // class not registered

  EXPECT_EQ(Remove(ActionReplaceOlder, true), std::nullopt);
  EXPECT_TRUE(fakes::CallsStartingWith("CallComMethod").empty());
  EXPECT_TRUE(ProductRemoved());
}

TEST_F(EarlierVersionTest, RestartRequiredRemovesThePacksAndTheRunGoesOn) {
  ScriptInstalledProduct(u"9.0.100.5");
  fakes::Installer().configureResults = {3010};

  EXPECT_EQ(Remove(ActionUpgradeMajor9, true), std::nullopt);
  EXPECT_TRUE(ProductRemoved());
  EXPECT_EQ(fakes::Installer().products.count(kLanguagePackProductCodes[3]), 0u);
  EXPECT_TRUE(fakes::CallsStartingWith("StartServiceWithoutArguments").empty());
  EXPECT_TRUE(fakes::Ui().boxes.empty());
  EXPECT_EQ(fakes::Installer().uiLevel, 5);
}

// The user cancels the removal (1602): the service is started again and the process ends with 1;
// only the automatic removal of a major-9 version opens the cancellation page, in the earlier
// version's language and without the version key.
TEST_F(EarlierVersionTest, CancelledRemoval) {
  struct Case {
    ConfigureAction action;
    const char16_t* version;
    bool link;
    std::u16string uiLanguage = u"fr-FR";
    std::u16string languageKey = u"&qz_lang=fr-FR&";  // empty: none in the link
  };
  // Any process of the user can write the value: one that is no language code stays out.
  for (const Case& c : {Case{ActionReplaceOlder, u"10.0.3000.100", false}, Case{ActionUpgradeMajor9, u"9.0.100.5", true},
                        Case{ActionUpgradeMajor9, u"9.0.100.5", true, u"fr-FR\" --gpu-launcher=x", u""}}) {
    SCOPED_TRACE(c.action);
    fakes::ResetWorld();
    ScriptInstalledProduct(c.version);
    fakes::PutString(RegistryRoot::LocalMachine, u"Software\\Orvex\\Utilities\\9.0", u"UILanguage", c.uiLanguage);
    fakes::Installer().configureResults = {1602};

    EXPECT_EQ(Remove(c.action, true), 1);
    // The shell is restarted before the process ends, as after a removal that succeeded.
    const std::vector<std::string>& calls = fakes::Calls();
    const auto position = [&](const std::string& call) {
      return std::distance(calls.begin(), std::find(calls.begin(), calls.end(), call));
    };
    EXPECT_LT(position("ShellOpen <default> C:\\Windows\\Explorer.EXE |  | 5"), position("EndProcess 1"));
    EXPECT_FALSE(ProductRemoved());
    EXPECT_EQ(fakes::Installer().products.count(kLanguagePackProductCodes[3]), 1u);
    EXPECT_EQ(fakes::CallsStartingWith("OpenNamedService Orvex.UtilitiesSvc 0x14").size(), 1u);
    EXPECT_TRUE(fakes::Services().running);
    EXPECT_TRUE(fakes::Ui().boxes.empty());
    ASSERT_EQ(fakes::OpenedPages().size(), c.link ? 1u : 0u);
    if (c.link) {
      const std::u16string url = fakes::OpenedPages()[0].file;
      EXPECT_NE(url.find(u"/link/?target=cancelationduringupgrade&qz_product="), std::u16string::npos) << fakes::Utf8(url);
      EXPECT_EQ(url.find(u"uninstalledversion"), std::u16string::npos);
      if (c.languageKey.empty()) {
        EXPECT_EQ(url.find(u"qz_lang"), std::u16string::npos) << fakes::Utf8(url);
      } else {
        EXPECT_NE(url.find(c.languageKey), std::u16string::npos) << fakes::Utf8(url);
      }
    }
  }
}

}  // namespace
