#include "i18n/language_packs.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/product.h"
#include "i18n/language_table.h"
#include "platform/registry.h"
#include "platform/ui.h"
#include "tests/fakes/files.h"
#include "tests/fakes/installer.h"
#include "tests/fakes/registry.h"
#include "tests/fakes/resources.h"
#include "tests/fakes/system_info.h"
#include "tests/fakes/ui.h"
#include "tests/fakes/world.h"
#include "versions/installed_product.h"

namespace {

using platform::RegistryRoot;

constexpr char16_t kUtilities9Key[] = u"Software\\Orvex\\Utilities\\9.0";

class LanguagePacksTest : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    ResetInstalledProductForTesting();
  }
  void TearDown() override { ResetInstalledProductForTesting(); }

  static void AddPacks(const std::vector<std::u16string>& names) {
    for (const std::u16string& name : names) fakes::AddRcdata(name);
  }

  // The user's Windows interface language and the ISO names the system gives for it.
  static void SetUserLanguage(std::uint16_t languageId, const std::u16string& language,
                              const std::u16string& country) {
    fakes::SystemInfo().uiLanguage = languageId;
    fakes::AddLocale(languageId, language, country);
  }

  static std::vector<std::u16string> AvailableCodes() {
    std::vector<std::u16string> codes;
    for (const AvailableLanguage& language : AvailableLanguages) codes.push_back(kLanguages[language.languageIndex].code);
    return codes;
  }

  static std::u16string DefaultCode() {
    return kLanguages[AvailableLanguages.at(static_cast<std::size_t>(DefaultLanguagePosition())).languageIndex].code;
  }
};

TEST_F(LanguagePacksTest, MainPackageAndOneEnglishPackGiveOneLanguage) {
  AddPacks({u"MSI", u"QZLANGPACK_EN_US"});
  EnumerateLanguagePacks();
  ASSERT_EQ(AvailableLanguages.size(), 1u);
  EXPECT_EQ(AvailableLanguages[0].languageIndex, 3u);
  EXPECT_EQ(AvailableLanguages[0].resourceName, u"QZLANGPACK_EN_US");
  EXPECT_TRUE(languagePacksScanned);
}

TEST_F(LanguagePacksTest, ResourceNamesThatAreOrAreNotPacks) {
  struct Case {
    std::u16string name;
    std::optional<std::u16string> code;
  };
  const Case cases[] = {
      {u"QZLANGPACK_EN_US", u"en-US"},
      {u"QZLANGPACK_ZH_CN", u"zh-CN"},
      {u"QZLANGPACK_DA_DK", u"da-DK"},
      {u"QZLANGPACK_EN_AU", std::nullopt},    // no such row
      {u"QZLANGPACK_DE_DE_1", std::nullopt},  // too long
      {u"QZLANGPACK_DEDE", std::nullopt},     // too short
      {u"QZLANGPACK_DEXDE", u"de-DE"},        // the separator is not examined
      {u"QZLANGPACK_DE-DE", u"de-DE"},
      {u"QZLANGPACK_De_DE", u"de-DE"},        // language letters are lower-cased
      {u"QZLANGPACK_de_de", std::nullopt},    // "de-de": the country is taken as it stands
      {u"QZLANGPACK_EN_Us", std::nullopt},
      {u"qzlangpack_DE_DE", std::nullopt},    // the prefix compares case-sensitively
      {u"QZLANGPACKXDE_DE", std::nullopt},
      {u"XQZLANGPACK_DE_D", std::nullopt},
      {u"MSI", std::nullopt},
  };
  for (const Case& c : cases) {
    fakes::ResetWorld();
    AddPacks({c.name});
    EnumerateLanguagePacks();
    const std::string name = fakes::Utf8(c.name);
    if (c.code) {
      ASSERT_EQ(AvailableLanguages.size(), 1u) << name;
      EXPECT_EQ(AvailableCodes()[0], *c.code) << name;
      EXPECT_EQ(AvailableLanguages[0].resourceName, c.name) << name;
    } else {
      EXPECT_TRUE(AvailableLanguages.empty()) << name;
    }
  }
}

TEST_F(LanguagePacksTest, PacksKeepThePlatformsOrderAndIntegerIdsAreSkipped) {
  fakes::AddRcdata(u"MSI");
  fakes::AddRcdata(u"QZLANGPACK_PT_BR");
  fakes::AddRcdata(u"QZLANGPACK_EN_AU");
  fakes::AddRcdata(u"QZLANGPACK_DA_DK");
  // An integer id whose text would otherwise read as a pack.
  fakes::Resources().rcdata.push_back({platform::ResourceName{true, u"QZLANGPACK_FR_FR"}, {}, 0});
  fakes::AddRcdata(u"");
  fakes::AddRcdata(u"QZLANGPACK_JA_JP");
  EnumerateLanguagePacks();
  EXPECT_EQ(AvailableCodes(), (std::vector<std::u16string>{u"pt-BR", u"da-DK", u"ja-JP"}));
  EXPECT_EQ(AvailableLanguages[2].resourceName, u"QZLANGPACK_JA_JP");
}

TEST_F(LanguagePacksTest, TheResourcesAreScannedOnceEvenWhenNothingIsFound) {
  EnumerateLanguagePacks();
  EXPECT_TRUE(languagePacksScanned);
  AddPacks({u"QZLANGPACK_EN_US"});
  EnumerateLanguagePacks();
  EXPECT_TRUE(AvailableLanguages.empty());
  EXPECT_EQ(fakes::CallsStartingWith("EnumerateRcdataNames").size(), 1u);

  fakes::ResetWorld();
  AddPacks({u"QZLANGPACK_EN_US", u"QZLANGPACK_DE_DE"});
  EnumerateLanguagePacks();
  EnumerateLanguagePacks();
  EXPECT_EQ(AvailableLanguages.size(), 2u);
  EXPECT_EQ(fakes::CallsStartingWith("EnumerateRcdataNames").size(), 1u);
}

TEST_F(LanguagePacksTest, FindAvailableLanguageComparesAtMostNCharacters) {
  EXPECT_EQ(FindAvailableLanguage(u"en-US", 5), -1);  // nothing carried

  AddPacks({u"QZLANGPACK_EN_GB", u"QZLANGPACK_EN_US", u"QZLANGPACK_DE_DE"});
  EnumerateLanguagePacks();
  struct Case {
    std::u16string code;
    std::size_t n;
    std::int32_t position;
  };
  const Case cases[] = {
      {u"en-US", 5, 1},
      {u"en-GB", 5, 0},
      {u"de-DE", 5, 2},
      {u"en-AU", 5, -1},
      {u"en-AU", 2, 0},        // the first "en" in list order
      {u"de-AT", 2, 2},
      {u"de", 2, 2},
      {u"de", 5, -1},          // shorter than n: the terminator differs from "-"
      {u"en-US-POSIX", 5, 1},  // characters beyond n are not compared
      {std::u16string(u"en-US\0xy", 8), 8, 1},  // the comparison stops where both end
      {u"EN-US", 5, -1},       // case-sensitive
      {u"fr", 2, -1},
      {u"", 2, -1},
      {u"e", 1, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindAvailableLanguage(c.code, c.n), c.position) << fakes::Utf8(c.code) << " n=" << c.n;
  }
}

TEST_F(LanguagePacksTest, UserUiLanguageJoinsTheIsoNamesOfTheUiLanguage) {
  SetUserLanguage(0x0C07, u"de", u"AT");
  fakes::SystemInfo().userLcid = 0x0409;  // the user locale plays no part
  fakes::AddLocale(0x0409, u"en", u"US");
  EXPECT_EQ(UserUiLanguageCode(), u"de-AT");

  // Names of up to 15 characters fit the buffers of 16.
  fakes::ResetWorld();
  SetUserLanguage(0x0C07, u"abcdefghijklmno", u"AT");
  EXPECT_EQ(UserUiLanguageCode(), u"abcdefghijklmno-AT");
}

TEST_F(LanguagePacksTest, UserUiLanguageIsEmptyWhenEitherNameIsMissing) {
  fakes::SystemInfo().uiLanguage = 0x0407;
  fakes::SystemInfo().localeStrings[{0x0407, platform::kLocaleIsoLanguageName}] = u"de";
  EXPECT_EQ(UserUiLanguageCode(), u"");

  fakes::ResetWorld();
  fakes::SystemInfo().uiLanguage = 0x0407;
  fakes::SystemInfo().localeStrings[{0x0407, platform::kLocaleIsoCountryName}] = u"DE";
  EXPECT_EQ(UserUiLanguageCode(), u"");

  fakes::ResetWorld();
  SetUserLanguage(0x0407, u"de", u"abcdefghijklmnop");  // 16 characters do not fit
  EXPECT_EQ(UserUiLanguageCode(), u"");
}

TEST_F(LanguagePacksTest, DefaultLanguageFallsBackFromTheUsersLanguageToEnglishToGermanToTheFirst) {
  struct Case {
    std::u16string userLanguage;  // "" leaves the UI language unresolvable
    std::u16string userCountry;
    std::vector<std::u16string> packs;
    std::u16string expected;
  };
  const Case cases[] = {
      {u"en", u"AU", {u"QZLANGPACK_EN_GB", u"QZLANGPACK_EN_US"}, u"en-GB"},
      {u"en", u"US", {u"QZLANGPACK_EN_GB", u"QZLANGPACK_EN_US"}, u"en-US"},
      {u"fr", u"CA", {u"QZLANGPACK_DE_DE", u"QZLANGPACK_EN_US"}, u"en-US"},
      {u"ja", u"JP", {u"QZLANGPACK_DA_DK", u"QZLANGPACK_DE_DE"}, u"de-DE"},
      {u"ja", u"JP", {u"QZLANGPACK_DA_DK", u"QZLANGPACK_PT_BR"}, u"da-DK"},
      {u"de", u"AT", {u"QZLANGPACK_EN_US", u"QZLANGPACK_DE_DE"}, u"de-DE"},
      {u"pt", u"BR", {u"QZLANGPACK_EN_US", u"QZLANGPACK_PT_BR"}, u"pt-BR"},
      {u"ja", u"JP", {u"QZLANGPACK_EN_US", u"QZLANGPACK_JA_JP"}, u"ja-JP"},
      {u"", u"", {u"QZLANGPACK_DA_DK", u"QZLANGPACK_DE_DE", u"QZLANGPACK_EN_US"}, u"en-US"},
      {u"", u"", {u"QZLANGPACK_DA_DK", u"QZLANGPACK_DE_DE"}, u"de-DE"},
      {u"", u"", {u"QZLANGPACK_PT_BR", u"QZLANGPACK_DA_DK"}, u"pt-BR"},
  };
  for (const Case& c : cases) {
    fakes::ResetWorld();
    fakes::SystemInfo().uiLanguage = 0x0C0C;
    if (!c.userLanguage.empty()) fakes::AddLocale(0x0C0C, c.userLanguage, c.userCountry);
    AddPacks(c.packs);
    EnumerateLanguagePacks();
    EXPECT_EQ(DefaultCode(), c.expected) << fakes::Utf8(c.userLanguage + u"-" + c.userCountry) << " with "
                                          << fakes::Utf8(c.packs[0]) << "...";
  }
}

TEST_F(LanguagePacksTest, DefaultPositionIsZeroWithoutPacks) {
  SetUserLanguage(0x0409, u"en", u"US");
  EnumerateLanguagePacks();
  EXPECT_EQ(DefaultLanguagePosition(), 0);
}

TEST_F(LanguagePacksTest, PreviousUiLanguageReadsNoRegistryWithoutAnEarlierVersion) {
  fakes::PutString(RegistryRoot::LocalMachine, u"Software\\Orvex\\Utilities\\0.0", u"UILanguage", u"fr-FR");
  fakes::PutString(RegistryRoot::CurrentUser, u"Software\\Orvex\\Utilities\\0.0", u"UILanguage", u"fr-FR");
  installedMajorVersion = 0;
  EXPECT_EQ(PreviousUiLanguage(), u"de-DE");
  EXPECT_TRUE(fakes::Calls().empty());
}

TEST_F(LanguagePacksTest, PreviousUiLanguageTriesTheMachineThenTheUser) {
  installedMajorVersion = 9;
  fakes::PutString(RegistryRoot::LocalMachine, kUtilities9Key, u"UILanguage", u"");
  fakes::PutString(RegistryRoot::CurrentUser, kUtilities9Key, u"UILanguage", u"fr-FR");
  EXPECT_EQ(PreviousUiLanguage(), u"fr-FR");
  EXPECT_EQ(fakes::CallsStartingWith("OpenRegistryKey"),
            (std::vector<std::string>{"OpenRegistryKey HKLM Software\\Orvex\\Utilities\\9.0 0x20019",
                                      "OpenRegistryKey HKCU Software\\Orvex\\Utilities\\9.0 0x20019"}));
  EXPECT_EQ(fakes::CallsStartingWith("CloseRegistryKey").size(), 2u);

  // A non-empty machine value wins; the user's key is not opened.
  fakes::ResetWorld();
  installedMajorVersion = 9;
  fakes::PutString(RegistryRoot::LocalMachine, kUtilities9Key, u"UILanguage", u"it-IT");
  fakes::PutString(RegistryRoot::CurrentUser, kUtilities9Key, u"UILanguage", u"fr-FR");
  EXPECT_EQ(PreviousUiLanguage(), u"it-IT");
  EXPECT_EQ(fakes::CallsStartingWith("OpenRegistryKey HKCU").size(), 0u);
  EXPECT_EQ(fakes::CallsStartingWith("CloseRegistryKey").size(), 1u);
}

TEST_F(LanguagePacksTest, PreviousUiLanguageCases) {
  struct Case {
    const char* what;
    std::uint32_t major;
    std::optional<std::u16string> machine;  // nullopt: no key
    std::optional<std::u16string> user;
    std::u16string expected;
  };
  const std::u16string fits(129, u'x');       // 258 bytes and the terminator: exactly 260
  const std::u16string tooLong(130, u'y');    // 262 bytes: the read fails
  const Case cases[] = {
      {"nothing recorded", 9, std::nullopt, std::nullopt, u"de-DE"},
      {"both empty", 9, u"", u"", u"de-DE"},
      {"only the user's", 9, std::nullopt, u"ja-JP", u"ja-JP"},
      {"returned as stored", 9, u"xx-yy", std::nullopt, u"xx-yy"},
      {"the major number names the key", 10, std::nullopt, u"pl-PL", u"pl-PL"},
      {"a value filling the buffer", 9, fits, u"fr-FR", fits},
      {"a value too large for the buffer", 9, tooLong, u"fr-FR", u"fr-FR"},
  };
  for (const Case& c : cases) {
    fakes::ResetWorld();
    installedMajorVersion = c.major;
    if (c.machine) fakes::PutString(RegistryRoot::LocalMachine, kUtilities9Key, u"UILanguage", *c.machine);
    const std::u16string userKey = u"Software\\Orvex\\Utilities\\" + fakes::Utf16(std::to_string(c.major)) + u".0";
    if (c.user) fakes::PutString(RegistryRoot::CurrentUser, userKey, u"UILanguage", *c.user);
    EXPECT_EQ(PreviousUiLanguage(), c.expected) << c.what;
  }
}

TEST_F(LanguagePacksTest, PreviousUiLanguageDoesNotExamineTheValueType) {
  installedMajorVersion = 9;
  fakes::PutString(RegistryRoot::LocalMachine, kUtilities9Key, u"UILanguage", u"nl-NL", platform::kRegBinary);
  EXPECT_EQ(PreviousUiLanguage(), u"nl-NL");

  fakes::ResetWorld();
  installedMajorVersion = 9;
  fakes::PutString(RegistryRoot::LocalMachine, kUtilities9Key, u"UILanguage", u"ko-KR", platform::kRegExpandSz);
  EXPECT_EQ(PreviousUiLanguage(), u"ko-KR");
}

class LocalizedMessageTest : public LanguagePacksTest {
 protected:
  static const fakes::MessageBoxShown& OnlyBox() {
    EXPECT_EQ(fakes::Ui().boxes.size(), 1u);
    return fakes::Ui().boxes.at(0);
  }
};

constexpr char16_t kEnglishRestart[] =
    u"You cannot install Orvex Utilities because the installation of another Orvex product is not completed yet. "
    u"You need to restart your computer to complete the installation.\r\n\r\n"
    u"Would you like to restart your computer now?";
const std::u16string kEnglishNewer =
    u"Orvex Utilities version " + std::u16string(kProductVersion) +
    u" cannot be installed because a more recent version of Orvex Utilities is already installed.";
constexpr char16_t kEnglishAlreadyInstalled[] =
    u"Orvex Utilities is already installed.\r\n\r\nWould you like to uninstall Orvex Utilities now?";

TEST_F(LocalizedMessageTest, RestartQuestionAsksWithAWarningAndYesNo) {
  AddPacks({u"QZLANGPACK_EN_US"});
  for (int answer : {platform::kIdYes, platform::kIdNo}) {
    fakes::Ui().boxes.clear();
    fakes::Ui().answers = {answer};
    EXPECT_EQ(ShowRestartRequiredMessage(), answer);
    const fakes::MessageBoxShown& box = OnlyBox();
    EXPECT_EQ(box.text, kEnglishRestart);
    EXPECT_EQ(box.caption, u"Orvex Utilities");
    EXPECT_EQ(box.style, 0x34u);
  }
  EXPECT_TRUE(languagePacksScanned);
}

TEST_F(LocalizedMessageTest, InstalledProductMessagesByKind) {
  AddPacks({u"QZLANGPACK_EN_US"});
  fakes::Installer().products[kInstallerProductCode] = {u"10.0.2000.5"};
  struct Case {
    int kind;
    std::u16string text;
    std::uint32_t style;
  };
  const Case cases[] = {
      {0, kEnglishNewer, 0x40},
      {1,
       u"Orvex Utilities version 10.0.2000.5 is already installed. You must remove the existing version before you "
       u"install Orvex Utilities version " + std::u16string(kProductVersion) +
           u".\r\n\r\nWould you like to uninstall the existing version of Orvex Utilities?",
       0x24},
      {2, kEnglishAlreadyInstalled, 0x24},
  };
  for (const Case& c : cases) {
    fakes::Ui().boxes.clear();
    fakes::Ui().answers = {platform::kIdNo};
    EXPECT_EQ(ShowInstalledProductMessage(kInstallerProductCode, c.kind), platform::kIdNo) << c.kind;
    const fakes::MessageBoxShown& box = OnlyBox();
    EXPECT_EQ(box.text, c.text) << c.kind;
    EXPECT_EQ(box.caption, u"Orvex Utilities") << c.kind;
    EXPECT_EQ(box.style, c.style) << c.kind;
  }
  EXPECT_EQ(fakes::CallsStartingWith("MsiGetProductInfoW " + fakes::Utf8(kInstallerProductCode) + " VersionString")
                .size(),
            3u);
}

TEST_F(LocalizedMessageTest, OtherKindsShowNothingAndAnswerYes) {
  AddPacks({u"QZLANGPACK_EN_US"});
  fakes::Ui().answers = {platform::kIdNo};
  for (int kind : {5, 3, -1}) EXPECT_EQ(ShowInstalledProductMessage(kInstallerProductCode, kind), 6) << kind;
  EXPECT_TRUE(fakes::Ui().boxes.empty());
}

TEST_F(LocalizedMessageTest, MessagesSpeakTheDefaultLanguage) {
  SetUserLanguage(0x0407, u"de", u"DE");
  AddPacks({u"QZLANGPACK_DE_DE", u"QZLANGPACK_EN_US"});
  ShowRestartRequiredMessage();
  ShowInstalledProductMessage(kInstallerProductCode, 2);
  ASSERT_EQ(fakes::Ui().boxes.size(), 2u);
  EXPECT_EQ(fakes::Ui().boxes[0].text,
            u"Die Installation von Orvex Utilities kann nicht durchgeführt werden, da der Installationsvorgang eines "
            u"anderen Orvex-Produkts noch nicht abgeschlossen ist. Dazu ist ein Neustart des Computers erforderlich."
            u"\r\n\r\nMöchten Sie Ihren Computer jetzt neu starten?");
  EXPECT_EQ(fakes::Ui().boxes[1].text,
            u"Orvex Utilities ist bereits installiert.\r\n\r\nMöchten Sie Orvex Utilities nun deinstallieren?");

  // A Japanese user with Danish listed first still gets the German fallback, not position 0.
  fakes::ResetWorld();
  SetUserLanguage(0x0411, u"ja", u"JP");
  AddPacks({u"QZLANGPACK_DA_DK", u"QZLANGPACK_DE_DE"});
  ShowInstalledProductMessage(kInstallerProductCode, 2);
  EXPECT_EQ(OnlyBox().text, u"Orvex Utilities ist bereits installiert.\r\n\r\nMöchten Sie Orvex Utilities nun deinstallieren?");
}

TEST_F(LocalizedMessageTest, WithoutPacksTheMessagesAreEnglish) {
  SetUserLanguage(0x0407, u"de", u"DE");
  fakes::AddRcdata(u"MSI");
  EXPECT_EQ(ShowRestartRequiredMessage(), platform::kIdOk);
  ShowInstalledProductMessage(kInstallerProductCode, 0);
  ASSERT_EQ(fakes::Ui().boxes.size(), 2u);
  EXPECT_EQ(fakes::Ui().boxes[0].text, kEnglishRestart);
  EXPECT_EQ(fakes::Ui().boxes[1].text, kEnglishNewer);
  EXPECT_EQ(fakes::Ui().boxes[1].caption, u"Orvex Utilities");
}

}  // namespace
