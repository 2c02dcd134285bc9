#include "app/win_main.h"

#include <gtest/gtest.h>

#include "base/product.h"
#include "platform/ui.h"
#include "tag/affiliate_configuration.h"
#include "tests/fakes/file_mapping.h"
#include "tests/fakes/files.h"
#include "tests/fakes/installer.h"
#include "tests/fakes/process.h"
#include "tests/fakes/registry.h"
#include "tests/fakes/resources.h"
#include "tests/fakes/signed_image.h"
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
  EXPECT_EQ(fakes::Calls(),
            (std::vector<std::string>{"RestrictDllSearchToSystemFolder", "CreateNamedMutex Orvex2011Installer"}));

  fakes::ResetWorld();
  ScriptUsableMachine();
  fakes::Process().mutex = platform::MutexResult::Failed;
  EXPECT_EQ(Run({u"--force-shell-restart"}), 1);
  EXPECT_EQ(fakes::Calls().size(), 2u);
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
