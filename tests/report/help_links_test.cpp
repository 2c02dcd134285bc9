#include "report/help_links.h"

#include <gtest/gtest.h>

#include "report/system_info_query.h"
#include "tests/fakes/com.h"
#include "tests/fakes/registry.h"
#include "tests/fakes/shell.h"
#include "tests/fakes/system_info.h"
#include "tests/fakes/ui.h"
#include "tests/fakes/world.h"
#include "tests/report/scripted_system.h"
#include "versions/installed_product.h"

namespace {

using platform::RegistryRoot;

const std::u16string kKeyPath = std::u16string(u"Software\\Orvex\\Setup\\") + kProductCode;

class HelpLinksTest : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    ResetInstalledProductForTesting();
    ScriptWindows7OnWow64();
  }
  void TearDown() override { ResetInstalledProductForTesting(); }

  static std::u16string Link(const char16_t* path) { return std::u16string(linkBase) + path; }

  static void ExpectOpenedOnce(const std::u16string& url) {
    ASSERT_EQ(fakes::Shell().opened.size(), 1u);
    const fakes::ShellOpenCall& call = fakes::Shell().opened[0];
    EXPECT_EQ(call.verb, std::optional<std::u16string>(u"open"));
    EXPECT_EQ(fakes::Utf8(call.file), fakes::Utf8(url));
    EXPECT_EQ(call.parameters, u"");
    EXPECT_EQ(call.showCommand, 1);
  }
};

TEST_F(HelpLinksTest, InstallHelpLinkCarriesResultActionIdentifierAndSystemInOrder) {
  fakes::PutString(RegistryRoot::LocalMachine, kKeyPath, kProductVersion, u"{00112233-4455-6677-8899-AABBCCDDEEFF}");
  const ConfigureAction action = ActionUpgradeMajor9;
  OpenInstallHelpLink(action, u"en-US", 1603);
  ExpectOpenedOnce(Link(u"/link/?target=installhelp&errorcode=1603&action=3&qz_ighash=ABEiM0RVZneImaq7zN3u_w~~") +
                   kWindows7OnWow64Query);
  EXPECT_EQ(fakes::Com().created, 0u);
}

TEST_F(HelpLinksTest, InstallHelpLinkCreatesTheIdentifierItCarries) {
  fakes::Com().guidsToCreate = {fakes::GuidOf(u"{A1B2C3D4-E5F6-4718-9ABC-DEF012345678}")};
  OpenInstallHelpLink(ActionFreshInstall, u"fr-FR", 0x80070643u);
  ASSERT_EQ(fakes::Shell().opened.size(), 1u);
  const std::u16string& url = fakes::Shell().opened[0].file;
  const std::u16string expectedStart =
      Link(u"/link/?target=installhelp&errorcode=2147944003&action=1&qz_ighash=") +
      EncodeIdHash(fakes::GuidOf(u"{A1B2C3D4-E5F6-4718-9ABC-DEF012345678}")) + ProductQuery() + u"&";
  EXPECT_EQ(fakes::Utf8(url.substr(0, expectedStart.size())), fakes::Utf8(expectedStart));
  EXPECT_NE(url.find(u"&qz_lang=fr-FR&"), std::u16string::npos);
  EXPECT_EQ(fakes::StringValue(RegistryRoot::LocalMachine, kKeyPath, kProductVersion),
            u"{A1B2C3D4-E5F6-4718-9ABC-DEF012345678}");
}

TEST_F(HelpLinksTest, InstallHelpLinkWithoutIdentifierDropsOnlyTheHash) {
  fakes::Com().createFails = true;
  OpenInstallHelpLink(ActionSameVersion, u"en-US", 0);
  ExpectOpenedOnce(Link(u"/link/?target=installhelp&errorcode=0&action=7") + kWindows7OnWow64Query);
}

TEST_F(HelpLinksTest, InstallHelpFallbackHandsTheQuotedUrlToExplorer) {
  fakes::Com().createFails = true;
  fakes::Shell().results = {fakes::kShellNoAssociation};
  OpenInstallHelpLink(ActionFreshInstall, u"en-US", 1602);
  const std::u16string url = Link(u"/link/?target=installhelp&errorcode=1602&action=1") + kWindows7OnWow64Query;
  ASSERT_EQ(fakes::Shell().opened.size(), 2u);
  EXPECT_EQ(fakes::Shell().opened[0].file, url);
  const fakes::ShellOpenCall& fallback = fakes::Shell().opened[1];
  EXPECT_EQ(fallback.verb, std::optional<std::u16string>(u"open"));
  EXPECT_EQ(fallback.file, u"explorer.exe");
  EXPECT_EQ(fakes::Utf8(fallback.parameters), fakes::Utf8(u"\"" + url + u"\""));
  EXPECT_EQ(fallback.showCommand, 1);
}

TEST_F(HelpLinksTest, OpenInBrowserFallsBackUnlessTheResultIsAbove32) {
  struct Case {
    std::intptr_t first;
    bool fallback;
  };
  const Case cases[] = {{0, true}, {2, true}, {31, true}, {32, true}, {33, false}, {42, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.first);
    for (bool quote : {false, true}) {
      fakes::ResetWorld();
      fakes::Shell().results = {c.first, 0};
      OpenInBrowser(u"https://x/?a=b c", quote);
      ASSERT_EQ(fakes::Shell().opened.size(), c.fallback ? 2u : 1u);
      if (c.fallback) {
        EXPECT_EQ(fakes::Shell().opened[1].file, u"explorer.exe");
        EXPECT_EQ(fakes::Shell().opened[1].parameters, quote ? u"\"https://x/?a=b c\"" : u"https://x/?a=b c");
      }
    }
  }
}

TEST_F(HelpLinksTest, CancellationLinkOnlyForMajorVersion9AndLater) {
  for (std::uint32_t major : {0u, 1u, 8u}) {
    installedMajorVersion = major;
    EXPECT_FALSE(OpenUpgradeCancellationLink(true, u"en-US"));
    EXPECT_FALSE(OpenUpgradeCancellationLink(false, u"en-US"));
  }
  EXPECT_TRUE(fakes::Shell().opened.empty());
  EXPECT_TRUE(fakes::Calls().empty());
}

TEST_F(HelpLinksTest, CancellationLinkWithAndWithoutTheVersion) {
  struct Case {
    std::uint32_t major;
    bool withVersion;
    std::u16string path;
  };
  const Case cases[] = {
      {9, true, u"/link/?target=cancelationduringupgrade&uninstalledversion=9"},
      {9, false, u"/link/?target=cancelationduringupgrade"},
      {10, true, u"/link/?target=cancelationduringupgrade&uninstalledversion=10"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.major * 10 + c.withVersion);
    fakes::ResetWorld();
    ScriptWindows7OnWow64();
    installedMajorVersion = c.major;
    EXPECT_TRUE(OpenUpgradeCancellationLink(c.withVersion, u"en-US"));
    ExpectOpenedOnce(Link(c.path.c_str()) + kWindows7OnWow64Query);
    EXPECT_TRUE(fakes::CallsStartingWith("CreateGuid").empty());
  }
}

TEST_F(HelpLinksTest, CancellationFallbackHandsTheBareUrlToExplorer) {
  installedMajorVersion = 9;
  fakes::Shell().results = {fakes::kShellNoAssociation};
  EXPECT_TRUE(OpenUpgradeCancellationLink(true, u"en-US"));
  ASSERT_EQ(fakes::Shell().opened.size(), 2u);
  EXPECT_EQ(fakes::Shell().opened[1].file, u"explorer.exe");
  EXPECT_EQ(fakes::Shell().opened[1].parameters,
            Link(u"/link/?target=cancelationduringupgrade&uninstalledversion=9") + kWindows7OnWow64Query);
}

TEST_F(HelpLinksTest, ExitOnInstallerFailureReturnsForSuccessCodes) {
  for (std::uint32_t result : {0u, 1641u, 3010u}) {
    ExitOnInstallerFailure(result);
  }
  EXPECT_TRUE(fakes::Ui().boxes.empty());
  EXPECT_TRUE(fakes::Calls().empty());
}

TEST_F(HelpLinksTest, ExitOnInstallerFailureEndsQuietlyForCancelFailureAndSuspend) {
  for (std::uint32_t result : {1602u, 1603u, 1604u}) {
    SCOPED_TRACE(result);
    EXPECT_EQ(ExitCodeOf([&] { ExitOnInstallerFailure(result); }), 1);
  }
  EXPECT_TRUE(fakes::Ui().boxes.empty());
}

TEST_F(HelpLinksTest, ExitOnInstallerFailureWarnsWithTheSystemTextOtherwise) {
  fakes::SystemInfo().messages[1620] = u"This installation package could not be opened.\r\n";
  EXPECT_EQ(ExitCodeOf([] { ExitOnInstallerFailure(1620); }), 1);
  ASSERT_EQ(fakes::Ui().boxes.size(), 1u);
  EXPECT_EQ(fakes::Ui().boxes[0].text, u"This installation package could not be opened.\r\n");
  EXPECT_EQ(fakes::Ui().boxes[0].caption, std::optional<std::u16string>(u"Orvex Utilities"));
  EXPECT_EQ(fakes::Ui().boxes[0].style, 0x30u);

  // Codes the system has no text for show their digits.
  EXPECT_EQ(ExitCodeOf([] { ExitOnInstallerFailure(1605); }), 1);
  ASSERT_EQ(fakes::Ui().boxes.size(), 2u);
  EXPECT_EQ(fakes::Ui().boxes[1].text, u"1605");
}

}  // namespace
