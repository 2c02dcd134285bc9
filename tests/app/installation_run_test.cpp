#include <gtest/gtest.h>

#include "app/installation_run.h"
#include "base/installer_results.h"
#include "base/product.h"
#include "i18n/language_packs.h"
#include "tests/fakes/files.h"
#include "tests/fakes/installer.h"
#include "tests/fakes/registry.h"
#include "tests/fakes/resources.h"
#include "tests/fakes/shell.h"
#include "tests/fakes/system_info.h"
#include "tests/fakes/ui.h"
#include "tests/fakes/world.h"
#include "ui/language_dialog.h"
#include "versions/installed_product.h"

namespace {

using platform::RegistryRoot;

const std::string kMainPackage = fakes::Utf8(fakes::kMainPackagePath);
const std::string kTemp = "C:\\Users\\Tester\\AppData\\Local\\Temp\\";
// The temporary files the packs are written to, in the order they are written.
const std::string kFirstPack = kTemp + "QZM1A2B.tmp";
const std::string kSecondPack = kTemp + "QZM1A2C.tmp";
const std::string kThirdPack = kTemp + "QZM1A2D.tmp";

std::u16string ProductKey() { return std::u16string(u"Software\\Orvex\\Setup\\") + kProductCode; }
constexpr char kAffiliate[] = "USERDEFINST=2 AFFILIATEID=qzv2011aid30017xx-XX AFFILIATEIDFLAGS=#0";
const std::string kSilentMain =
    std::string(" LANGSTRING=silent ") + kAffiliate + " TRANSFORMS=:silent FASTOEM=1";
const std::string kReducedMain = std::string(" LANGSTRING=silent ") + kAffiliate + " TRANSFORMS=:silent";

std::string Install(const std::string& path, int uiLevel, const std::string& commandLine) {
  return "MsiInstallProductW " + path + " ui=" + std::to_string(uiLevel) + " |" + commandLine + "|";
}

class InstallationRunTest : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    fakes::AddRcdata(u"MSI");
    fakes::AddRcdata(u"QZLANGPACK_DE_DE");
    fakes::AddRcdata(u"QZLANGPACK_EN_US");
    fakes::AddSpecialFolder(35, fakes::kCommonAppDataFolder);
    fakes::Files().folders.insert(u"C:\\Users\\Tester\\AppData\\Local\\Temp");
    fakes::Installer().uiLevel = 5;
    fakes::SystemInfo().messages[1618] = u"Another installation is already in progress.\r\n";
    fakes::SystemInfo().messages[1627] = u"Function failed during execution.\r\n";
  }

  // Runs the installation; returns the exit code, or -1000 when the run returned normally.
  int Run(const SetupOptions& options, ConfigureAction action = ActionFreshInstall) {
    try {
      RunInstallation(nullptr, action, options);
    } catch (const fakes::ProcessExit& exit) {
      return exit.code;
    }
    return -1000;
  }

  static SetupOptions Silent(std::vector<std::u16string> languages = {}) {
    SetupOptions options;
    options.silent = true;
    options.languageCodes = std::move(languages);
    return options;
  }
  static SetupOptions Reduced() {
    SetupOptions options;
    options.reducedUi = true;
    return options;
  }

  // The packs installed so far, by their product codes, so removals can be observed.
  static void PacksInstallAs(const std::vector<std::pair<std::string, const char16_t*>>& packs) {
    for (const auto& [path, code] : packs) fakes::Installer().packageProducts[fakes::Utf16(path)] = code;
  }

  static std::vector<std::string> UiAndInstallCalls() {
    std::vector<std::string> calls;
    for (const std::string& call : fakes::Calls()) {
      if (call.rfind("MsiSetInternalUI", 0) == 0 || call.rfind("MsiInstallProductW", 0) == 0) calls.push_back(call);
    }
    return calls;
  }
};

TEST_F(InstallationRunTest, SilentInstallsEveryPackEachBetweenItsOwnUiLevelPairThenTheMainPackage) {
  EXPECT_EQ(Run(Silent()), -1000);
  EXPECT_EQ(UiAndInstallCalls(), (std::vector<std::string>{
                                     "MsiSetInternalUI 2",  // removal of installed packs
                                     "MsiSetInternalUI 5",
                                     "MsiSetInternalUI 2",
                                     Install(kFirstPack, 2, " ALLUSERS=1"),
                                     "MsiSetInternalUI 5",
                                     "MsiSetInternalUI 2",
                                     Install(kSecondPack, 2, " ALLUSERS=1"),
                                     "MsiSetInternalUI 5",
                                     "MsiSetInternalUI 2",  // the main package's level
                                     Install(kMainPackage, 2, kSilentMain),
                                     "MsiSetInternalUI 5",
                                 }));
  EXPECT_TRUE(fakes::Shell().opened.empty());
  EXPECT_EQ(fakes::StringValue(RegistryRoot::LocalMachine, ProductKey(), u""), kProductVersion);
  EXPECT_EQ(fakes::StringValue(RegistryRoot::LocalMachine, ProductKey(), kProductVersion).size(),
            38u);
}

TEST_F(InstallationRunTest, LanguagesFromTheCommandLineInTheirOrderTwiceWhenGivenTwice) {
  EXPECT_EQ(Run(Silent({u"en-US", u"de-DE", u"en-US"})), -1000);
  const std::vector<std::string> installs = fakes::CallsStartingWith("MsiInstallProductW");
  ASSERT_EQ(installs.size(), 4u);
  EXPECT_EQ(installs[0], Install(kFirstPack, 2, " ALLUSERS=1"));
  EXPECT_EQ(installs[1], Install(kSecondPack, 2, " ALLUSERS=1"));
  EXPECT_EQ(installs[2], Install(kThirdPack, 2, " ALLUSERS=1"));
  EXPECT_EQ(fakes::CallsStartingWith("LoadRcdataResource QZLANGPACK"),
            (std::vector<std::string>{"LoadRcdataResource QZLANGPACK_EN_US", "LoadRcdataResource QZLANGPACK_DE_DE",
                                      "LoadRcdataResource QZLANGPACK_EN_US"}));
}

TEST_F(InstallationRunTest, AllEmptiesTheListRefillsItAndEndsTheWalk) {
  EXPECT_EQ(Run(Silent({u"en-US", u"all", u"de-DE"})), -1000);
  EXPECT_EQ(fakes::CallsStartingWith("LoadRcdataResource QZLANGPACK"),
            (std::vector<std::string>{"LoadRcdataResource QZLANGPACK_EN_US", "LoadRcdataResource QZLANGPACK_DE_DE",
                                      "LoadRcdataResource QZLANGPACK_EN_US"}));
  const std::vector<std::string> installs = fakes::CallsStartingWith("MsiInstallProductW");
  ASSERT_EQ(installs.size(), 3u);
  EXPECT_EQ(installs[0], Install(kSecondPack, 2, " ALLUSERS=1"));
  EXPECT_EQ(installs[1], Install(kThirdPack, 2, " ALLUSERS=1"));
}

TEST_F(InstallationRunTest, UnsupportedCodeIsRefusedOnTheConsoleBeforeAnythingIsInstalled) {
  fakes::Ui().parentConsole = true;
  EXPECT_EQ(Run(Silent({u"en-US", u"ALL"})), 1);
  EXPECT_EQ(fakes::Ui().consoleOutput, u"\n\nSpecified Language \"ALL\" is not supported!\n");
  EXPECT_TRUE(fakes::CallsStartingWith("MsiInstallProductW").empty());
  EXPECT_TRUE(fakes::CallsStartingWith("LoadRcdataResource QZLANGPACK").empty());
  EXPECT_EQ(fakes::Files().files.count(fakes::Utf16(kMainPackage)), 1u);
}

TEST_F(InstallationRunTest, UnsupportedCodeWithoutConsoleStillReleasesAndExitsWithOne) {
  SetupOptions options = Reduced();
  options.languageCodes = {u"xx-XX"};
  EXPECT_EQ(Run(options), 1);
  EXPECT_TRUE(fakes::Ui().strayOutput.empty());
  EXPECT_EQ(fakes::CallsStartingWith("SendKeyboardInput").size(), 2u);
  EXPECT_TRUE(fakes::CallsStartingWith("MsiInstallProductW").empty());
}

TEST_F(InstallationRunTest, NoPackCarriedIsFatal) {
  fakes::Resources().rcdata.resize(1);  // the main package only
  EXPECT_EQ(Run(Silent()), 16389);
  EXPECT_EQ(fakes::Ui().boxes.at(0).text, u"No language pack found16389");
}

TEST_F(InstallationRunTest, AFailingPackSkipsTheMainPackageAndRemovesWhatWasInstalled) {
  PacksInstallAs({{kFirstPack, kLanguagePackProductCodes[1]}});
  fakes::Installer().installResults = {0, 1603};
  EXPECT_EQ(Run(Reduced()), 1);
  EXPECT_EQ(fakes::CallsStartingWith("MsiInstallProductW").size(), 2u);
  EXPECT_EQ(fakes::CallsStartingWith("MsiConfigureProductW"),
            std::vector<std::string>{"MsiConfigureProductW " + fakes::Utf8(kLanguagePackProductCodes[1]) + " 0 2 ui=3"});
  EXPECT_TRUE(fakes::Ui().boxes.empty());
  ASSERT_EQ(fakes::Shell().opened.size(), 1u);
  EXPECT_NE(fakes::Shell().opened[0].file.find(u"/link/?target=installhelp&errorcode=1603&action=1&"),
            std::u16string::npos);
  EXPECT_EQ(fakes::Installer().uiLevel, 5);
}

TEST_F(InstallationRunTest, APackResultOf3010LetsTheMainPackageInstall) {
  fakes::Installer().installResults = {3010, 0, 0};
  EXPECT_EQ(Run(Silent()), -1000);
  EXPECT_EQ(fakes::CallsStartingWith("MsiInstallProductW").size(), 3u);
}

TEST_F(InstallationRunTest, AFailingMainPackageRemovesEveryLanguagePackProduct) {
  PacksInstallAs({{kFirstPack, kLanguagePackProductCodes[1]}, {kSecondPack, kLanguagePackProductCodes[3]}});
  fakes::Installer().products[kLanguagePackProductCodes[9]] = {kProductVersion};  // left from before
  fakes::Installer().installResults = {0, 0, 1603};
  EXPECT_EQ(Run(Silent()), 1);
  // The pack left from before goes first, then the failure removes the two just installed.
  EXPECT_EQ(fakes::CallsStartingWith("MsiConfigureProductW"),
            (std::vector<std::string>{
                "MsiConfigureProductW " + fakes::Utf8(kLanguagePackProductCodes[9]) + " 0 2 ui=2",
                "MsiConfigureProductW " + fakes::Utf8(kLanguagePackProductCodes[1]) + " 0 2 ui=3",
                "MsiConfigureProductW " + fakes::Utf8(kLanguagePackProductCodes[3]) + " 0 2 ui=3",
            }));
  EXPECT_TRUE(fakes::Ui().boxes.empty());
  EXPECT_TRUE(fakes::Shell().opened.empty());
  EXPECT_EQ(fakes::Installer().uiLevel, 5);
  EXPECT_EQ(fakes::FindValue(RegistryRoot::LocalMachine, ProductKey(), u""), nullptr);
}

TEST_F(InstallationRunTest, FailureResultsAndTheirWarningBox) {
  struct Case {
    std::uint32_t result;
    bool box;
  };
  for (const Case& c : {Case{kInstallerUserExit, false}, Case{kInstallerFailure, false}, Case{kInstallerSuspended, false}, Case{1618, true},
                        Case{1627, true}, Case{1638, true}}) {
    SCOPED_TRACE(c.result);
    fakes::ResetWorld();
    SetUp();
    fakes::Installer().installResults = {0, 0, c.result};
    EXPECT_EQ(Run(Reduced()), 1);
    if (c.box) {
      ASSERT_EQ(fakes::Ui().boxes.size(), 1u);
      EXPECT_EQ(fakes::Ui().boxes[0].caption, std::u16string(u"Orvex Utilities"));
      EXPECT_EQ(fakes::Ui().boxes[0].style, 0x30u);
      std::u16string expected;
      const auto known = fakes::SystemInfo().messages.find(c.result);
      expected = known != fakes::SystemInfo().messages.end() ? known->second : fakes::Utf16(std::to_string(c.result));
      EXPECT_EQ(fakes::Ui().boxes[0].text, expected);
    } else {
      EXPECT_TRUE(fakes::Ui().boxes.empty());
    }
    // The help page carries the result, after the box.
    ASSERT_EQ(fakes::Shell().opened.size(), 1u);
    EXPECT_NE(fakes::Shell().opened[0].file.find(u"&errorcode=" + fakes::Utf16(std::to_string(c.result)) + u"&"),
              std::u16string::npos);
    EXPECT_EQ(fakes::Installer().uiLevel, 5);
  }
}

TEST_F(InstallationRunTest, SuccessWithRestartCodesOpensNoPageButRecordsTheVersion) {
  for (std::uint32_t result : {1641u, 3010u}) {
    fakes::ResetWorld();
    SetUp();
    fakes::Installer().installResults = {0, 0, result};
    EXPECT_EQ(Run(Reduced()), -1000);
    EXPECT_TRUE(fakes::Shell().opened.empty());
    EXPECT_EQ(fakes::StringValue(RegistryRoot::LocalMachine, ProductKey(), u""),
              kProductVersion);
  }
}

TEST_F(InstallationRunTest, ReducedUiRunWithExtraPropertiesAndLogs) {
  SetupOptions options = Reduced();
  options.basePackageProperties = u"A=1 B=2 ";
  options.langPackProperties = u"C=3 ";
  options.langPackLogPath = u"C:\\packs.log";
  options.basePackageLogPath = u"C:\\main.log";
  EXPECT_EQ(Run(options), -1000);
  const std::vector<std::string> installs = fakes::CallsStartingWith("MsiInstallProductW");
  ASSERT_EQ(installs.size(), 3u);
  EXPECT_EQ(installs[0], Install(kFirstPack, 2, "C=3  ALLUSERS=1"));
  EXPECT_EQ(installs[2], Install(kMainPackage, 3, "A=1 B=2 " + kReducedMain));
  EXPECT_EQ(fakes::CallsStartingWith("MsiEnableLogW"),
            (std::vector<std::string>{"MsiEnableLogW 4096 C:\\packs.log 1", "MsiEnableLogW 4096 C:\\main.log 1"}));
  // The pack log is switched on before the first pack, the main log after the last.
  const std::vector<std::string>& calls = fakes::Calls();
  const auto position = [&](const std::string& call) {
    return std::find(calls.begin(), calls.end(), call) - calls.begin();
  };
  EXPECT_LT(position("MsiEnableLogW 4096 C:\\packs.log 1"), position(installs[0]));
  EXPECT_GT(position("MsiEnableLogW 4096 C:\\main.log 1"), position(installs[1]));
  EXPECT_LT(position("MsiEnableLogW 4096 C:\\main.log 1"), position(installs[2]));
}

// What each kind of run changes: the dialog, the language value, the main package's UI level,
// FASTOEM and the help page after result 0.
TEST_F(InstallationRunTest, WhatEachModeChanges) {
  struct Mode {
    const char* name;
    bool silent;
    bool reduced;
    bool preinstall;
    std::string languageValue;
    int mainUiLevel;
    bool fastOem;
    bool helpPage;
  };
  const Mode modes[] = {
      {"interactive", false, false, false, "en-US", 5, false, true},
      {"interactive, preinstall mode", false, false, true, "en-US", 3, false, false},
      {"reduced", false, true, false, "silent", 3, false, true},
      {"reduced, preinstall mode", false, true, true, "silent", 3, false, false},
      {"silent", true, false, false, "silent", 2, true, false},
  };
  for (const Mode& mode : modes) {
    SCOPED_TRACE(mode.name);
    fakes::ResetWorld();
    SetUp();
    if (mode.preinstall) fakes::PutDword(RegistryRoot::LocalMachine, u"Software\\Orvex", u"PreinstallMode", 1);
    SetupOptions options;
    options.silent = mode.silent;
    options.reducedUi = mode.reduced;
    EXPECT_EQ(Run(options), -1000);

    const std::vector<std::string> installs = fakes::CallsStartingWith("MsiInstallProductW");
    const bool dialog = !mode.silent && !mode.reduced;
    ASSERT_EQ(installs.size(), dialog ? 2u : 3u);
    for (std::size_t i = 0; i + 1 < installs.size(); ++i) EXPECT_NE(installs[i].find(" ui=2 "), std::string::npos);
    const std::string& main = installs.back();
    EXPECT_NE(main.find(" ui=" + std::to_string(mode.mainUiLevel) + " "), std::string::npos) << main;
    EXPECT_NE(main.find("LANGSTRING=" + mode.languageValue + " "), std::string::npos) << main;
    EXPECT_NE(main.find("TRANSFORMS=:" + mode.languageValue), std::string::npos) << main;
    EXPECT_EQ(main.find("FASTOEM=1") != std::string::npos, mode.fastOem) << main;
    EXPECT_EQ(fakes::Shell().opened.size(), mode.helpPage ? 1u : 0u);
    if (mode.helpPage) {
      EXPECT_NE(fakes::Shell().opened[0].file.find(u"&errorcode=0&action=1&"), std::u16string::npos);
      EXPECT_NE(fakes::Shell().opened[0].file.find(u"&qz_lang=" + fakes::Utf16(mode.languageValue) + u"&"),
                std::u16string::npos);
    }
    EXPECT_EQ(fakes::Installer().uiLevel, 5);
  }
}

TEST_F(InstallationRunTest, CustomInstallationChosenInTheDialogReachesTheMainPackage) {
  customInstallation = true;
  EXPECT_EQ(Run(SetupOptions{}), -1000);
  const std::string main = fakes::CallsStartingWith("MsiInstallProductW").back();
  EXPECT_NE(main.find(" LANGSTRING=en-US USERDEFINST=1 AFFILIATEID="), std::string::npos) << main;
}

TEST_F(InstallationRunTest, CancelledUpgradeOfVersion9OpensTheCancellationPage) {
  fakes::Installer().products[kInstallerProductCode] = {u"9.0.100.5"};
  ConfigureAction detected = ActionNone;
  ASSERT_EQ(GetRequiredMsiConfigureAction(kProductVersionHigh, kProductVersionLow, kInstallerProductCode, detected), 0);
  ASSERT_EQ(detected, ActionUpgradeMajor9);
  fakes::Installer().installResults = {0, 1602};

  EXPECT_EQ(Run(SetupOptions{}, ActionUpgradeMajor9), 1);
  ASSERT_EQ(fakes::OpenedPages().size(), 1u);
  EXPECT_NE(fakes::OpenedPages()[0].file.find(u"/link/?target=cancelationduringupgrade&uninstalledversion=9&"),
            std::u16string::npos);
  const std::string main = fakes::CallsStartingWith("MsiInstallProductW").back();
  EXPECT_NE(main.find(" TRANSFORMS=:en-US QZUPGRADE=9|"), std::string::npos) << main;

  // The same result for a fresh installation opens the install-help page with the result.
  fakes::Shell().opened.clear();
  fakes::Installer().installResults = {0, 1602};
  EXPECT_EQ(Run(SetupOptions{}, ActionFreshInstall), 1);
  ASSERT_EQ(fakes::Shell().opened.size(), 1u);
  EXPECT_NE(fakes::Shell().opened[0].file.find(u"target=installhelp&errorcode=1602&action=1&"), std::u16string::npos);
}

}  // namespace
