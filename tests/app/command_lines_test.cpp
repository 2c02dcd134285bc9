#include <gtest/gtest.h>

#include "app/installation_run.h"
#include "base/product.h"
#include "installer/windows_installer.h"
#include "tests/fakes/installer.h"
#include "tests/fakes/registry.h"
#include "tests/fakes/world.h"

namespace {

using platform::RegistryRoot;

constexpr char16_t kDefaultAffiliate[] = u"USERDEFINST=2 AFFILIATEID=qzv2011aid30017xx-XX AFFILIATEIDFLAGS=#0";

TEST(CommandLinesTest, InteractiveEnglishChoiceCharacterForCharacter) {
  EXPECT_EQ(BuildMainCommandLine(u"", u"en-US", kDefaultAffiliate, false, 0),
            u" LANGSTRING=en-US USERDEFINST=2 AFFILIATEID=qzv2011aid30017xx-XX AFFILIATEIDFLAGS=#0 "
            u"TRANSFORMS=:en-US");
}

TEST(CommandLinesTest, SilentRunOverAnInstalledVersion9) {
  EXPECT_EQ(BuildMainCommandLine(u"", u"silent", kDefaultAffiliate, true, 9),
            u" LANGSTRING=silent USERDEFINST=2 AFFILIATEID=qzv2011aid30017xx-XX AFFILIATEIDFLAGS=#0 "
            u"TRANSFORMS=:silent FASTOEM=1 QZUPGRADE=9");
}

TEST(CommandLinesTest, ExtraPropertiesAreFollowedByADoubleBlank) {
  EXPECT_EQ(BuildMainCommandLine(u"A=1 B=2 ", u"silent", kDefaultAffiliate, false, 10),
            u"A=1 B=2  LANGSTRING=silent USERDEFINST=2 AFFILIATEID=qzv2011aid30017xx-XX AFFILIATEIDFLAGS=#0 "
            u"TRANSFORMS=:silent");
  EXPECT_EQ(BuildLangPackCommandLine(u"X=\"a b\" "), u"X=\"a b\"  ALLUSERS=1");
  EXPECT_EQ(BuildLangPackCommandLine(u""), u" ALLUSERS=1");
}

TEST(CommandLinesTest, UpgradePropertyOnlyForMajorVersionNine) {
  for (std::uint32_t major : {0u, 8u, 10u, 19u}) {
    EXPECT_EQ(BuildMainCommandLine(u"", u"silent", u"P", true, major).find(u"QZUPGRADE"), std::u16string::npos);
  }
}

TEST(LanguageCodeCheckTest, EveryCodeMustBeAllOrACarriedCodeExactly) {
  const std::vector<std::u16string> carried = {u"de-DE", u"en-US"};
  struct Case {
    std::vector<std::u16string> requested;
    std::int64_t unsupported;
  };
  const Case cases[] = {
      {{}, -1},
      {{u"en-US"}, -1},
      {{u"de-DE", u"en-US", u"de-DE"}, -1},
      {{u"en-US", u"all"}, -1},
      {{u"ALL"}, 0},
      {{u"en-us"}, 0},
      {{u"en-US", u"fr-FR"}, 1},
      {{u"all", u"xx-XX"}, 1},  // checked before "all" ends any walk
      {{u""}, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(FindUnsupportedLanguageCode(c.requested, carried), c.unsupported);
}

class PreinstallModeTest : public WorldTest {};

TEST_F(PreinstallModeTest, ThirtyTwoBitViewFirst) {
  EXPECT_FALSE(IsPreinstallMode());

  fakes::PutDword(RegistryRoot::LocalMachine, u"Software\\Orvex", u"PreinstallMode", 1);
  EXPECT_TRUE(IsPreinstallMode());

  fakes::PutDword(RegistryRoot::LocalMachine, u"Software\\Orvex", u"PreinstallMode", 2);
  EXPECT_FALSE(IsPreinstallMode());
}

TEST_F(PreinstallModeTest, SixtyFourBitViewOnlyWhenTheThirtyTwoBitKeyIsMissing) {
  fakes::PutDword(RegistryRoot::LocalMachine, u"Software\\Orvex", u"PreinstallMode", 1, fakes::RegistryView::View64);
  EXPECT_TRUE(IsPreinstallMode());
  EXPECT_EQ(fakes::CallsStartingWith("OpenRegistryKey"),
            (std::vector<std::string>{"OpenRegistryKey HKLM Software\\Orvex 0x20219",
                                      "OpenRegistryKey HKLM Software\\Orvex 0x20119"}));

  // The 32-bit key exists without the value: the 64-bit view is never consulted.
  fakes::Calls().clear();
  fakes::PutKey(RegistryRoot::LocalMachine, u"Software\\Orvex");
  EXPECT_FALSE(IsPreinstallMode());
  EXPECT_EQ(fakes::CallsStartingWith("OpenRegistryKey"),
            std::vector<std::string>{"OpenRegistryKey HKLM Software\\Orvex 0x20219"});
}

TEST_F(PreinstallModeTest, TheValueTypeIsNotLookedAtButOversizedValuesFail) {
  fakes::PutBytes(RegistryRoot::LocalMachine, u"Software\\Orvex", u"PreinstallMode", platform::kRegBinary, {1, 0, 0, 0});
  EXPECT_TRUE(IsPreinstallMode());
  fakes::PutBytes(RegistryRoot::LocalMachine, u"Software\\Orvex", u"PreinstallMode", platform::kRegBinary, {1, 0});
  EXPECT_TRUE(IsPreinstallMode());
  fakes::PutBytes(RegistryRoot::LocalMachine, u"Software\\Orvex", u"PreinstallMode", platform::kRegBinary,
                  {1, 0, 0, 0, 0, 0, 0, 0});
  EXPECT_FALSE(IsPreinstallMode());
}

class RemoveLanguagePacksTest : public WorldTest {};

TEST_F(RemoveLanguagePacksTest, RemovesOnlyPresentPacksBetweenOneUiLevelPair) {
  fakes::Installer().uiLevel = 5;
  fakes::Installer().products[kLanguagePackProductCodes[1]] = {kProductVersion, platform::kInstallStateDefault};
  fakes::Installer().products[kLanguagePackProductCodes[3]] = {kProductVersion, platform::kInstallStateAbsent};
  fakes::Installer().products[kLanguagePackProductCodes[13]] = {kProductVersion, 1};
  RemoveInstalledLanguagePacks(platform::kInstallUiLevelBasic);

  const std::vector<std::string> calls = fakes::Calls();
  ASSERT_EQ(calls.size(), 1u + 14u + 2u + 1u);
  EXPECT_EQ(calls.front(), "MsiSetInternalUI 3");
  EXPECT_EQ(calls.back(), "MsiSetInternalUI 5");
  EXPECT_EQ(fakes::CallsStartingWith("MsiConfigureProductW"),
            (std::vector<std::string>{"MsiConfigureProductW " + fakes::Utf8(kLanguagePackProductCodes[1]) + " 0 2 ui=3",
                                      "MsiConfigureProductW " + fakes::Utf8(kLanguagePackProductCodes[13]) +
                                          " 0 2 ui=3"}));
  EXPECT_EQ(fakes::Installer().uiLevel, 5);
}

}  // namespace
