#include "app/win_main.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "base/product.h"
#include "base/setup_log.h"
#include "platform/ui.h"
#include "tag/affiliate_configuration.h"
#include "tests/fakes/file_mapping.h"
#include "tests/fakes/files.h"
#include "tests/fakes/installer.h"
#include "tests/fakes/process.h"
#include "tests/fakes/registry.h"
#include "tests/fakes/resources.h"
#include "tests/fakes/shell.h"
#include "tests/fakes/signed_image.h"
#include "tests/fakes/system_info.h"
#include "tests/fakes/ui.h"
#include "tests/fakes/world.h"
#include "tests/product_versions.h"

namespace {

// A machine on which a whole run can go through: the program carries its main package and the
// en-US pack, and the folders it writes them to exist.
void ScriptUsableMachine() {
  fakes::AddRcdata(u"MSI");
  fakes::AddRcdata(u"QZLANGPACK_EN_US");
  fakes::AddSpecialFolder(35, fakes::kCommonAppDataFolder);
  fakes::Files().folders.insert(u"C:\\Users\\Tester\\AppData\\Local\\Temp");
}

class WinMainTest : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    ScriptUsableMachine();
  }
  int Run(std::vector<std::u16string> arguments) {
    arguments.insert(arguments.begin(), u"C:\\Downloads\\OrvexUtilities2011Setup.exe");
    fakes::Process().arguments = arguments;
    return WinMain(nullptr, nullptr, u"", 1);
  }
};

TEST_F(WinMainTest, DllSearchIsRestrictedFirstThenASecondCopyEndsAtOnceWithOne) {
  fakes::Process().mutex = platform::MutexResult::AlreadyExists;
  EXPECT_EQ(Run({u"/silent"}), 1);
  ASSERT_FALSE(fakes::Calls().empty());
  EXPECT_EQ(fakes::Calls().front(), "RestrictDllSearchToSystemFolder");
  // Nothing but lines of its own log follow the mutex.
  const auto afterMutex = [] {
    std::vector<std::string> calls = fakes::Calls();
    calls.erase(calls.begin(), std::find(calls.begin(), calls.end(), "CreateNamedMutex Orvex2011Installer"));
    return calls;
  };
  const std::string logWrite = "WriteToFile " + fakes::Utf8(fakes::kTempFolder) + "OrvexUtilities2011Setup_20110615143045.log";
  std::vector<std::string> calls = afterMutex();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[1].rfind(logWrite, 0), 0u) << calls[1];
  fakes::ResetWorld();
  ScriptUsableMachine();
  fakes::Process().mutex = platform::MutexResult::Failed;
  EXPECT_EQ(Run({u"--force-shell-restart"}), 1);
  calls = afterMutex();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[1].rfind(logWrite, 0), 0u) << calls[1];
}

TEST_F(WinMainTest, UnsupportedParameterIsRefusedOnTheConsole) {
  fakes::Ui().parentConsole = true;
  EXPECT_EQ(ExitCodeOf([&] { Run({u"/X"}); }), 0);
  EXPECT_EQ(fakes::Ui().consoleOutput, u"\n\nParameter \"/x\" is not supported!\n");
  EXPECT_EQ(fakes::CallsStartingWith("SendKeyboardInput").size(), 2u);
  EXPECT_TRUE(fakes::Ui().boxes.empty());
}

TEST_F(WinMainTest, UnsupportedParameterWithoutConsoleIsPassedOver) {
  EXPECT_EQ(Run({u"/x", u"/y"}), 0);
  EXPECT_TRUE(fakes::Ui().strayOutput.empty());
  EXPECT_EQ(fakes::CallsStartingWith("AttachToParentConsole").size(), 2u);
  EXPECT_TRUE(fakes::CallsStartingWith("SendKeyboardInput").empty());
}

TEST_F(WinMainTest, ARefusedParameterLeftOfSupportedLangEndsBeforeTheList) {
  fakes::Ui().parentConsole = true;
  EXPECT_EQ(ExitCodeOf([&] { Run({u"/foo", u"/supportedlang"}); }), 0);
  EXPECT_EQ(fakes::Ui().consoleOutput, u"\n\nParameter \"/foo\" is not supported!\n");
}

TEST_F(WinMainTest, SupportedLangWithoutPacksIsFatalWithOrWithoutConsole) {
  for (bool console : {false, true}) {
    fakes::ResetWorld();
    fakes::Resources().rcdata.clear();
    fakes::Ui().parentConsole = console;
    EXPECT_EQ(ExitCodeOf([&] { Run({u"/supportedlang"}); }), 16389);
    ASSERT_EQ(fakes::Ui().boxes.size(), 1u);
    EXPECT_EQ(fakes::Ui().boxes[0].text, u"No language pack found16389");
    EXPECT_TRUE(fakes::Ui().consoleOutput.empty());
  }
}

TEST_F(WinMainTest, TheTagIsReadFromTheProgramsOwnFileNotFromArgumentZero) {
  // Argument 0 names a file with another tag, as a bare-name start from a hostile folder does.
  fakes::FileMapping().files[u"C:\\Downloads\\OrvexUtilities2011Setup.exe"] = fakes::TaggedImage("AFFILIATEID=planted");
  fakes::Process().programFilePath = u"C:\\Program Files\\OrvexUtilities2011Setup.exe";
  EXPECT_EQ(Run({u"--force-shell-restart"}), 0);
  EXPECT_EQ(affiliateProperties, u"AFFILIATEID=qzv2011aid30017xx-XX AFFILIATEIDFLAGS=#0");
  EXPECT_EQ(fakes::CallsStartingWith("OpenFileForReading"),
            std::vector<std::string>{"OpenFileForReading C:\\Program Files\\OrvexUtilities2011Setup.exe"});
}

TEST_F(WinMainTest, ShellRestartModeOnlyAsTheOneExactArgument) {
  EXPECT_EQ(Run({u"--force-shell-restart"}), 0);
  // Nothing after the mode runs: no parsing, hence no console attempts.
  EXPECT_TRUE(fakes::CallsStartingWith("AttachToParentConsole").empty());

  fakes::ResetWorld();
  ScriptUsableMachine();
  fakes::Ui().parentConsole = true;
  // Upper case is not the mode; not beginning with "/" it is passed over and the run goes on.
  EXPECT_EQ(Run({u"--FORCE-SHELL-RESTART"}), 0);
  EXPECT_TRUE(fakes::Ui().consoleOutput.empty());

  fakes::ResetWorld();
  ScriptUsableMachine();
  fakes::Ui().parentConsole = true;
  // Beside another argument the switch is passed over; the other argument is still read.
  EXPECT_EQ(ExitCodeOf([&] { Run({u"--force-shell-restart", u"/bogus"}); }), 0);
  EXPECT_EQ(fakes::Ui().consoleOutput, u"\n\nParameter \"/bogus\" is not supported!\n");
}

TEST_F(WinMainTest, SilentWinsOverReducedUi) {
  std::vector<std::u16string> arguments = {u"setup.exe", u"/reducedui", u"/silent"};
  SetupOptions options;
  ReadCommandLine(arguments, options);
  EXPECT_TRUE(options.silent);
  EXPECT_FALSE(options.reducedUi);

  arguments = {u"setup.exe", u"/reducedui"};
  options = {};
  ReadCommandLine(arguments, options);
  EXPECT_TRUE(options.reducedUi);
}

TEST_F(WinMainTest, RestartRequestEnablesTheShutdownPrivilegeThenReboots) {
  RequestRestart();
  EXPECT_EQ(fakes::Calls(), (std::vector<std::string>{"OpenOwnProcessToken",
                                                      "EnableTokenPrivilege SeShutdownPrivilege",
                                                      "RequestSystemReboot", "CloseToken"}));
}

TEST_F(WinMainTest, RestartRequestWithoutTokenAsksForNothing) {
  fakes::Process().tokenOpens = false;
  RequestRestart();
  EXPECT_EQ(fakes::Calls(), std::vector<std::string>{"OpenOwnProcessToken"});
}

// A pending rename of a file in the product's folder: the restart question, whose Yes restarts
// Windows; either answer ends the setup with 0 before anything is installed. Another program's
// pending rename of a file of the same name leaves the silent installation running.
TEST_F(WinMainTest, PendingRenameOfAProductFileAsksToRestartInstead) {
  struct Case {
    const char16_t* pending;
    std::vector<int> answers;  // none: no question, the installation runs
  };
  const Case cases[] = {
      {u"\\??\\C:\\Program Files (x86)\\Orvex\\Utilities 2011\\license.txt", {platform::kIdYes}},
      {u"\\??\\C:\\Program Files (x86)\\Orvex\\Utilities 2011\\license.txt", {platform::kIdNo}},
      {u"\\??\\C:\\Program Files (x86)\\Other Vendor\\license.txt", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(fakes::Utf8(c.pending) + (c.answers.empty() ? "" : " " + std::to_string(c.answers[0])));
    fakes::ResetWorld();
    ScriptUsableMachine();
    fakes::AddSpecialFolder(platform::kFolderProgramFiles, u"C:\\Program Files (x86)");
    fakes::Installer().packages[fakes::kMainPackagePath] =
        fakes::PackageOf({{u"license.txt", u"INSTALLDIR"}}, fakes::MainPackageDirectories());
    fakes::PutString(platform::RegistryRoot::LocalMachine, u"SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                     u"PendingFileRenameOperations", c.pending, platform::kRegMultiSz);
    fakes::Ui().answers.assign(c.answers.begin(), c.answers.end());

    // The question ends the process; the installation returns from WinMain.
    int code = -1;
    bool ended = false;
    try {
      code = Run({u"/silent"});
    } catch (const fakes::ProcessExit& exit) {
      code = exit.code;
      ended = true;
    }
    EXPECT_EQ(code, 0);
    EXPECT_EQ(ended, !c.answers.empty());
    const bool restartYes = !c.answers.empty() && c.answers[0] == platform::kIdYes;
    ASSERT_EQ(fakes::Ui().boxes.size(), c.answers.size());
    if (!c.answers.empty()) {
      EXPECT_EQ(fakes::Ui().boxes[0].caption, u"Orvex Utilities");
      EXPECT_EQ(fakes::Ui().boxes[0].style, 0x34u);
    }
    EXPECT_EQ(fakes::CallsStartingWith("RequestSystemReboot").size(), restartYes ? 1u : 0u);
    EXPECT_EQ(fakes::CallsStartingWith("MsiInstallProductW").empty(), !c.answers.empty());
  }
}

// What follows the detection of the installed product, seen through a whole run: which boxes
// appear and whether anything is installed.
TEST_F(WinMainTest, DispatchOnTheInstalledVersion) {
  struct Case {
    std::u16string installed;  // version under the product line's code, or empty
    std::vector<int> answers;
    std::vector<std::string> boxCaptions;
    bool installs;
  };
  const Case cases[] = {
      {u"", {}, {}, true},                                                    // fresh installation
      {u"9.0.100.5", {}, {}, true},                                           // major 9: replaced without asking
      {PreviousProductVersion(), {platform::kIdNo}, {"Orvex Utilities"}, false},  // older: declined
      {PreviousProductVersion(), {platform::kIdYes}, {"Orvex Utilities"}, true},  // older: accepted
      {NextMinorVersion(), {}, {"Orvex Utilities"}, false},                   // newer: notice only
      {kProductVersion, {platform::kIdNo}, {"Orvex Utilities"}, false},       // the same version: declined
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.installed.empty() ? "nothing installed" : fakes::Utf8(c.installed));
    fakes::ResetWorld();
    ScriptUsableMachine();
    if (!c.installed.empty()) fakes::Installer().products[kInstallerProductCode] = {c.installed};
    fakes::Ui().answers.assign(c.answers.begin(), c.answers.end());

    EXPECT_EQ(Run({}), 0);
    std::vector<std::string> captions;
    for (const fakes::MessageBoxShown& box : fakes::Ui().boxes) captions.push_back(fakes::Utf8(box.caption.value_or(u"")));
    EXPECT_EQ(captions, c.boxCaptions);
    const std::vector<std::string> installs = fakes::CallsStartingWith("MsiInstallProductW");
    EXPECT_EQ(installs.empty(), !c.installs);
  }
}

TEST_F(WinMainTest, NewerVersionNoticeAndRemovalQuestionTexts) {
  fakes::Installer().products[kInstallerProductCode] = {NextMinorVersion()};
  EXPECT_EQ(Run({}), 0);
  ASSERT_EQ(fakes::Ui().boxes.size(), 1u);
  EXPECT_EQ(fakes::Ui().boxes[0].text,
            u"Orvex Utilities version " + std::u16string(kProductVersion) +
                u" cannot be installed because a more recent version of Orvex Utilities is already installed.");
  EXPECT_EQ(fakes::Ui().boxes[0].style, 0x40u);

  fakes::ResetWorld();
  ScriptUsableMachine();
  fakes::Installer().products[kInstallerProductCode] = {u"8.0.2000.1"};
  fakes::Ui().answers = {platform::kIdNo};
  EXPECT_EQ(Run({}), 0);
  ASSERT_EQ(fakes::Ui().boxes.size(), 1u);
  EXPECT_EQ(fakes::Ui().boxes[0].style, 0x24u);
  EXPECT_NE(fakes::Ui().boxes[0].text.find(u"Orvex Utilities version 8.0.2000.1 is already installed."),
            std::u16string::npos);
}

}  // namespace

namespace {

// A pending delete of the main package's license.txt, which installs into INSTALLDIR.
void PendRename(const char16_t* entry) {
  fakes::AddSpecialFolder(platform::kFolderProgramFiles, u"C:\\Program Files (x86)");
  fakes::Installer().packages[fakes::kMainPackagePath] =
      fakes::PackageOf({{u"license.txt", u"INSTALLDIR"}}, fakes::MainPackageDirectories());
  fakes::PutString(platform::RegistryRoot::LocalMachine, u"SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                   u"PendingFileRenameOperations", entry, platform::kRegMultiSz);
}

int RunToTheEnd(const std::vector<std::u16string>& arguments) {
  std::vector<std::u16string> all = arguments;
  all.insert(all.begin(), u"C:\\Downloads\\OrvexUtilities2011Setup.exe");
  fakes::Process().arguments = all;
  try {
    return WinMain(nullptr, nullptr, u"", 1);
  } catch (const fakes::ProcessExit& exit) {
    return exit.code;
  }
}

// How each situation ends with "/silent", and with "/unattended", where no box, page or dialog
// appears at any point and every question takes its documented answer.
TEST_F(WinMainTest, EachSituationEndsWithItsCodeInBothModes) {
  struct Case {
    const char* situation;
    void (*script)();
    std::vector<std::u16string> arguments;
    int silentCode;
    int unattendedCode;
    bool unattendedInstalls;
  };
  const Case cases[] = {
      {"installed", [] {}, {}, 0, 0, true},
      {"restart required", [] { fakes::Installer().installResults = {0, 3010}; }, {}, 0, 3010, true},
      {"restart initiated", [] { fakes::Installer().installResults = {0, 1641}; }, {}, 0, 1641, true},
      {"a pack needs a restart", [] { fakes::Installer().installResults = {3010, 0}; }, {}, 0, 3010, true},
      {"main package failed", [] { fakes::Installer().installResults = {0, 1603}; }, {}, 1, 1603, true},
      {"main package not found", [] { fakes::Installer().installResults = {0, 1625}; }, {}, 1, 1625, true},
      {"installer busy at install", [] { fakes::Installer().installResults = {0, 1618}; }, {}, 1, 1618, true},
      {"a pack failed", [] { fakes::Installer().installResults = {1602}; }, {}, 1, 1602, false},
      {"same version", [] { fakes::Installer().products[kInstallerProductCode] = {kProductVersion}; }, {}, 0, 0, false},
      {"newer version", [] { fakes::Installer().products[kInstallerProductCode] = {NextMinorVersion()}; }, {}, 0, 1638,
       false},
      {"older version (removal declined when asked)",
       [] { fakes::Installer().products[kInstallerProductCode] = {PreviousProductVersion()}; }, {}, 0, 0, true},
      {"the removal needs a restart",
       [] {
         fakes::Installer().products[kInstallerProductCode] = {PreviousProductVersion()};
         fakes::Installer().configureResults = {3010};
       },
       {}, 0, 3010, true},
      {"no usable tag", [] { fakes::FileMapping().otherFiles.reset(); }, {}, 0, 0, true},
      {"removal failed",
       [] {
         fakes::Installer().products[kInstallerProductCode] = {PreviousProductVersion()};
         fakes::Installer().configureResults = {1603};
       },
       {}, 0, 1603, false},
      {"another copy", [] { fakes::Process().mutex = platform::MutexResult::AlreadyExists; }, {}, 1, 1618, false},
      {"installer busy at start", [] { fakes::Process().existingMutexes = {u"Global\\_MSIExecute"}; }, {}, 0, 1618,
       false},
      {"unknown option", [] {}, {u"/bogus"}, 0, 1639, false},
      {"property without value", [] {}, {u"/bpprops", u"NOEQUALS"}, 0, 1639, false},
      {"language not carried", [] {}, {u"/language", u"xx-XX"}, 1, 1639, false},
      {"option without value", [] {}, {u"/language"}, 0, 1639, false},
      {"Windows 2000", [] { fakes::SystemInfo().version = {true, 5, 0, 2195, 4, 0, 0, 1}; }, {}, -1, 1150, false},
      {"rename pending", [] { PendRename(u"\\??\\C:\\Program Files (x86)\\Orvex\\Utilities 2011\\license.txt"); }, {},
       0, 3017, false},
      {"rename pending in the INSTALLDIR given", [] { PendRename(u"\\??\\D:\\My Apps\\license.txt"); },
       {u"/bpprops", u"INSTALLDIR=D:\\My Apps"}, 0, 3017, false},
      {"setup failure", [] { fakes::Installer().loadResult = kEFail; }, {}, 16389, 1603, false},
  };
  for (const Case& c : cases) {
    for (const bool unattended : {false, true}) {
      SCOPED_TRACE(std::string(c.situation) + (unattended ? ", unattended" : ", silent"));
      fakes::ResetWorld();
      ScriptUsableMachine();
      c.script();
      std::vector<std::u16string> arguments = c.arguments;
      arguments.insert(arguments.begin(), unattended ? u"/unattended" : u"/silent");

      EXPECT_EQ(RunToTheEnd(arguments), unattended ? c.unattendedCode : c.silentCode);
      if (!unattended) continue;
      EXPECT_TRUE(fakes::Ui().boxes.empty());
      EXPECT_TRUE(fakes::OpenedPages().empty());
      EXPECT_TRUE(fakes::CallsStartingWith("ShowLanguageDialog").empty());
      EXPECT_EQ(fakes::CallsStartingWith("MsiInstallProductW").size() == 2, c.unattendedInstalls);
      // Every installation and removal runs without an installer interface.
      std::string level = "5";
      for (const std::string& call : fakes::Calls()) {
        if (call.rfind("MsiSetInternalUI ", 0) == 0) level = call.substr(17);
        if (call.rfind("MsiInstallProductW", 0) == 0 || call.rfind("MsiConfigureProductW", 0) == 0) {
          EXPECT_EQ(level, "2") << call;
        }
      }
    }
  }
}

// With "/reducedui" the removal and the main package show Windows Installer's progress window
// only (basic level, progress only); the packs stay without interface and no question is asked.
TEST_F(WinMainTest, UnattendedWithReducedUiKeepsTheProgressWindowOnly) {
  fakes::Installer().products[kInstallerProductCode] = {PreviousProductVersion()};
  EXPECT_EQ(RunToTheEnd({u"/unattended", u"/reducedui"}), 0);
  EXPECT_TRUE(fakes::Ui().boxes.empty());
  std::string level = "5";
  std::vector<std::string> levels;
  for (const std::string& call : fakes::Calls()) {
    if (call.rfind("MsiSetInternalUI ", 0) == 0) level = call.substr(17);
    if (call.rfind("MsiConfigureProductW " + fakes::Utf8(kInstallerProductCode), 0) == 0) levels.push_back("removal " + level);
    if (call.rfind("MsiInstallProductW", 0) == 0) levels.push_back("install " + level);
  }
  EXPECT_EQ(levels, (std::vector<std::string>{"removal 67", "install 2", "install 67"}));
  const std::vector<std::string> installs = fakes::CallsStartingWith("MsiInstallProductW");
  ASSERT_EQ(installs.size(), 2u);
  EXPECT_EQ(installs[1].find("FASTOEM"), std::string::npos);
  // No help page after the success, and each package's installer log beside the setup log.
  EXPECT_TRUE(fakes::OpenedPages().empty());
  const std::string stem = fakes::Utf8(SetupLogPath().substr(0, SetupLogPath().size() - 4));
  EXPECT_EQ(fakes::CallsStartingWith("MsiEnableLogW"),
            (std::vector<std::string>{"MsiEnableLogW 4096 " + stem + "_en-US.log 1", "MsiEnableLogW 4096 " + stem + "_main.log 1"}));
  // The log says which answer was taken and that nobody was asked.
  const std::vector<std::uint8_t>& log = fakes::Files().files[SetupLogPath()];
  const std::string text(log.begin(), log.end());
  EXPECT_NE(text.find("Question: remove the older version " + fakes::Utf8(kInstallerProductCode) + "? not asked; default yes"),
            std::string::npos);
  EXPECT_NE(text.find("Outcome: installed; exit code 0\r\n"), std::string::npos);
}

}  // namespace
