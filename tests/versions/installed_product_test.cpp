#include "versions/installed_product.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <type_traits>

#include "app/win_main.h"
#include "base/product.h"
#include "tests/fakes/installer.h"
#include "tests/fakes/process.h"
#include "tests/fakes/registry.h"
#include "tests/fakes/ui.h"
#include "tests/fakes/world.h"
#include "tests/product_versions.h"

namespace {

using platform::RegistryRoot;

constexpr char16_t kCompatCode[] = u"{6F1D2C3B-7A8E-4B9C-9D0E-1F2A3B4C5D6E}";
constexpr VersionNumbers kWanted{10, 0, 3000, 101};

std::string Describe(const VersionNumbers& v) {
  return std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.build) + "." +
         std::to_string(v.revision);
}

class InstalledProductTest : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    ResetInstalledProductForTesting();
  }

  static void Install(const std::u16string& code, const std::u16string& version) {
    fakes::Installer().products[code] = {version};
  }
  static void RecordCompatibilityCode(const std::u16string& code, std::uint32_t type = platform::kRegSz) {
    fakes::PutString(RegistryRoot::LocalMachine, kCompatibilityRecordKey, u"ProductCode", code, type);
  }
  static HResult Detect(ConfigureAction& action) {
    return GetRequiredMsiConfigureAction(kProductVersionHigh, kProductVersionLow, kInstallerProductCode, action);
  }
  static std::vector<std::string> VersionQueries() { return fakes::CallsStartingWith("MsiGetProductInfoW"); }
  static std::string QueryOf(const std::u16string& code) {
    return "MsiGetProductInfoW " + fakes::Utf8(code) + " VersionString";
  }
};

// The packed words of the product's own version are the version the decision compares against.
TEST(VersionWordsTest, ProductVersionUnpacksToItsFourNumbers) {
  VersionNumbers fromText;
  ASSERT_EQ(ParseVersionString(kProductVersion, fromText), kSOk);
  EXPECT_EQ(VersionFromWords(kProductVersionHigh, kProductVersionLow), fromText);
  EXPECT_EQ(VersionFromWords(0xFFFF0000u, 0x0000FFFFu), (VersionNumbers{65535, 0, 0, 65535}));
}

struct DecisionCase {
  VersionNumbers installed;
  VersionNumbers wanted;
  ConfigureAction expected;
};

TEST(DecideConfigureActionTest, FirstMatchingRuleWins) {
  const DecisionCase cases[] = {
      {{10, 0, 3000, 101}, kWanted, ActionSameVersion},
      {{10, 0, 3000, 100}, kWanted, ActionReplaceOlder},
      {{10, 0, 3000, 102}, kWanted, ActionNewerPresent},
      {{10, 0, 2999, 65535}, kWanted, ActionReplaceOlder},
      {{10, 0, 3001, 0}, kWanted, ActionNewerPresent},
      {{10, 1, 0, 0}, kWanted, ActionNewerPresent},
      {{11, 0, 0, 0}, kWanted, ActionNewerPresent},
      // A higher major number is newer even when the rest is lower.
      {{11, 0, 3000, 100}, kWanted, ActionNewerPresent},
      {{9, 0, 100, 5}, kWanted, ActionUpgradeMajor9},
      // Major 9 is removed without asking whatever the rest says.
      {{9, 65535, 65535, 65535}, kWanted, ActionUpgradeMajor9},
      {{9, 0, 3000, 101}, kWanted, ActionUpgradeMajor9},
      {{8, 0, 2000, 1}, kWanted, ActionReplaceOlder},
      // Below 9 only minor, build and revision count.
      {{8, 1, 0, 0}, kWanted, ActionNewerPresent},
      {{8, 0, 3000, 101}, kWanted, ActionNewerPresent},
      {{8, 0, 3000, 100}, kWanted, ActionReplaceOlder},
      {{0, 0, 0, 0}, kWanted, ActionReplaceOlder},
      {{65535, 65535, 65535, 65535}, kWanted, ActionNewerPresent},
      // Other wanted versions: the major-9 rule needs a lower major, the older rule allows an equal one.
      {{10, 5, 0, 0}, {12, 0, 0, 0}, ActionUpgradeMajor9},
      {{9, 0, 0, 0}, {9, 1, 0, 0}, ActionReplaceOlder},
      {{9, 1, 0, 0}, {9, 1, 0, 0}, ActionSameVersion},
      {{8, 0, 0, 0}, {9, 0, 0, 0}, ActionNewerPresent},
      {{8, 0, 0, 0}, {9, 0, 0, 1}, ActionReplaceOlder},
      {{1, 2, 3, 4}, {1, 2, 3, 5}, ActionReplaceOlder},
  };
  for (const DecisionCase& c : cases) {
    EXPECT_EQ(DecideConfigureAction(c.installed, c.wanted), c.expected)
        << Describe(c.installed) << " against " << Describe(c.wanted);
  }
}

TEST(ClassifyFailedVersionQueryTest, UnknownProductOrPropertyMeansNothingInstalled) {
  const struct {
    std::uint32_t queryResult;
    HResult expected;
    ConfigureAction action;
  } cases[] = {
      {1605, kSOk, ActionFreshInstall},
      {1608, kSOk, ActionFreshInstall},
      {1610, static_cast<HResult>(0x8007064Au), ActionNone},
      {234, static_cast<HResult>(0x800700EAu), ActionNone},
      {87, static_cast<HResult>(0x80070057u), ActionNone},
      {1604, static_cast<HResult>(0x80070644u), ActionNone},
      {1609, static_cast<HResult>(0x80070649u), ActionNone},
  };
  for (const auto& c : cases) {
    ConfigureAction action = ActionSameVersion;
    const HResult result = ClassifyFailedVersionQuery(c.queryResult, action);
    EXPECT_EQ(result, c.expected) << c.queryResult;
    EXPECT_EQ(action, c.action) << c.queryResult;
  }
}

struct ParseCase {
  const char16_t* text;
  HResult expected;
  VersionNumbers version;  // when expected is 0
};

TEST(ParseVersionStringTest, ReadsNumbersAsTheCLibraryDoesAndChecksTheirBounds) {
  const ParseCase cases[] = {
      {nullptr, kEInvalidArg, {}},
      {u"", kEFail, {}},
      {u"10", kEFail, {}},
      {u"10.0", kEFail, {}},
      {u"10.0.", kSOk, {10, 0, 0, 0}},
      {u"10.0.3000", kSOk, {10, 0, 3000, 0}},
      {u"10.0.3000.101", kSOk, {10, 0, 3000, 101}},
      {u"10.0.3000.101.7", kSOk, {10, 0, 3000, 101}},
      {u" +10.0.3000.101", kSOk, {10, 0, 3000, 101}},
      {u"\t\n\v\f\r 10. 0.\t3000.\r101", kSOk, {10, 0, 3000, 101}},
      {u"0010.00.03000.0101", kSOk, {10, 0, 3000, 101}},
      {u"10.+0.-0.+101", kSOk, {10, 0, 0, 101}},
      // Negative numbers wrap modulo 2^32; values beyond 32 bits saturate whatever their sign.
      {u"-1.0.0.0", kEFail, {}},
      {u"-0.0.0.0", kSOk, {0, 0, 0, 0}},
      {u"-4294967295.0.0.0", kSOk, {1, 0, 0, 0}},
      {u"-4294967291.-4294967292.-4294967293.-4294967294", kSOk, {5, 4, 3, 2}},
      {u"4294967301.0.0.0", kEFail, {}},
      {u"-8589934587.0.0.0", kEFail, {}},
      {u"10.0.4294967296", kEFail, {}},
      {u"10.0.3000.99999999999999999999999", kEFail, {}},
      // Without digits a number reads as 0 and the position stays where the number began.
      {u"10..3000", kSOk, {10, 0, 3000, 0}},
      {u"..", kSOk, {0, 0, 0, 0}},
      {u".0.0.0", kSOk, {0, 0, 0, 0}},
      {u" .0.0.0", kEFail, {}},
      {u"+.0.0.0", kEFail, {}},
      {u"10. .3000", kEFail, {}},
      {u"10.x.3000", kEFail, {}},
      {u"abc", kEFail, {}},
      {u"v10.0.3000.101", kEFail, {}},
      {u"10.0.x", kSOk, {10, 0, 0, 0}},
      {u"10.0.3000x", kSOk, {10, 0, 3000, 0}},
      {u"10.0.3000 .5", kSOk, {10, 0, 3000, 0}},
      {u"10.0.3000 5", kSOk, {10, 0, 3000, 0}},
      {u"10.0.3000,5", kSOk, {10, 0, 3000, 0}},
      {u"10.0.3000.x", kSOk, {10, 0, 3000, 0}},
      {u"10.0.3000.-1", kEFail, {}},
      // Only the six C white-space characters lead a number.
      {u"\u00A010.0.0.0", kEFail, {}},
      {u"10,0.3000.101", kEFail, {}},
      {u"65536.0.0.0", kEFail, {}},
      {u"0.65536.0.0", kEFail, {}},
      {u"0.0.65536.0", kEFail, {}},
      {u"0.0.0.65536", kEFail, {}},
      {u"65535.65535.65535.65535", kSOk, {65535, 65535, 65535, 65535}},
  };
  for (const ParseCase& c : cases) {
    const std::string label = c.text == nullptr ? "(no text)" : "\"" + fakes::Utf8(c.text) + "\"";
    const VersionNumbers before{91, 92, 93, 94};
    VersionNumbers version = before;
    EXPECT_EQ(ParseVersionString(c.text, version), c.expected) << label;
    EXPECT_EQ(version, c.expected == kSOk ? c.version : before) << label << " gave " << Describe(version);
  }
}

TEST_F(InstalledProductTest, NothingInstalledAsksAllThreeCodesAndLeavesTheStateAlone) {
  RecordCompatibilityCode(kCompatCode);
  ConfigureAction action = ActionNone;
  EXPECT_EQ(Detect(action), kSOk);
  EXPECT_EQ(action, ActionFreshInstall);
  EXPECT_EQ(installedMajorVersion, 0u);
  EXPECT_EQ(installedProductCode, kInstallerProductCode);
  EXPECT_EQ(VersionQueries(), (std::vector<std::string>{QueryOf(kInstallerProductCode), QueryOf(kCompatCode),
                                                         QueryOf(kEarlierEditionProductCode)}));
  EXPECT_EQ(fakes::CallsStartingWith("OpenRegistryKey"),
            std::vector<std::string>{"OpenRegistryKey HKLM Software\\Orvex\\Setup\\Compatibility\\1 0x20019"});
  EXPECT_EQ(fakes::CallsStartingWith("CloseRegistryKey").size(), 1u);
}

TEST_F(InstalledProductTest, NoCompatibilityRecordGoesStraightToTheEarlierEdition) {
  ConfigureAction action = ActionNone;
  EXPECT_EQ(Detect(action), kSOk);
  EXPECT_EQ(action, ActionFreshInstall);
  EXPECT_EQ(VersionQueries(),
            (std::vector<std::string>{QueryOf(kInstallerProductCode), QueryOf(kEarlierEditionProductCode)}));
  EXPECT_TRUE(fakes::Ui().boxes.empty());
}

struct InstalledCase {
  std::u16string version;
  ConfigureAction expected;
  std::uint32_t major;
};

TEST_F(InstalledProductTest, InstalledVersionUnderTheProductCodeDecidesTheAction) {
  const InstalledCase cases[] = {
      {kProductVersion, ActionSameVersion, 10},
      {PreviousProductVersion(), ActionReplaceOlder, 10},
      {NextProductVersion(), ActionNewerPresent, 10},
      {NextMinorVersion(), ActionNewerPresent, 10},
      {u"11.0.0.0", ActionNewerPresent, 11},
      {u"9.0.100.5", ActionUpgradeMajor9, 9},
      {u"8.0.2000.1", ActionReplaceOlder, 8},
      {u"8.1.0.0", ActionNewerPresent, 8},
      {u"10.0.3000", ActionReplaceOlder, 10},
      {u"10..3000", ActionReplaceOlder, 10},
      {u" +" + std::u16string(kProductVersion), ActionSameVersion, 10},
      {kProductVersion + std::u16string(u".7"), ActionSameVersion, 10},
      {u"65535.65535.65535.65535", ActionNewerPresent, 65535},
      // 31 characters still fit the 32-character buffer with its terminator.
      {std::u16string(31 - std::char_traits<char16_t>::length(kProductVersion), u'0') + kProductVersion,
       ActionSameVersion, 10},
  };
  for (const InstalledCase& c : cases) {
    SetUp();
    RecordCompatibilityCode(kCompatCode);
    Install(kInstallerProductCode, c.version);
    Install(kEarlierEditionProductCode, u"9.0.100.5");
    ConfigureAction action = ActionNone;
    EXPECT_EQ(Detect(action), kSOk) << fakes::Utf8(c.version);
    EXPECT_EQ(action, c.expected) << fakes::Utf8(c.version);
    EXPECT_EQ(installedMajorVersion, c.major) << fakes::Utf8(c.version);
    EXPECT_EQ(installedProductCode, kInstallerProductCode) << fakes::Utf8(c.version);
    EXPECT_EQ(VersionQueries(), std::vector<std::string>{QueryOf(kInstallerProductCode)}) << fakes::Utf8(c.version);
    EXPECT_TRUE(fakes::CallsStartingWith("OpenRegistryKey").empty()) << fakes::Utf8(c.version);
  }
}

TEST_F(InstalledProductTest, UnreadableInstalledVersionIsFatal) {
  const std::u16string texts[] = {u"10.0",        u"10",          u"",          u"abc",           u"-1.0.0.0",
                                  u"65536.0.0.0", u"10.65536.0.0", u"10.0.65536", u"10.0.3000.65536", u" .0.0.0"};
  for (const std::u16string& text : texts) {
    SetUp();
    Install(kInstallerProductCode, text);
    ConfigureAction action = ActionSameVersion;
    EXPECT_EQ(ExitCodeOf([&] { Detect(action); }), 16389) << fakes::Utf8(text);
    ASSERT_EQ(fakes::Ui().boxes.size(), 1u) << fakes::Utf8(text);
    EXPECT_EQ(fakes::Ui().boxes[0].text, u"GetRequiredMsiConfigureAction116389") << fakes::Utf8(text);
    EXPECT_EQ(action, ActionNone) << fakes::Utf8(text);
    EXPECT_EQ(installedMajorVersion, 0u) << fakes::Utf8(text);
  }
}

TEST_F(InstalledProductTest, CompatibilityRecordNamingAnUninstalledProductFallsThroughToTheEarlierEdition) {
  RecordCompatibilityCode(kCompatCode);
  Install(kEarlierEditionProductCode, u"9.0.100.5");
  ConfigureAction action = ActionNone;
  EXPECT_EQ(Detect(action), kSOk);
  EXPECT_EQ(action, ActionUpgradeMajor9);
  EXPECT_EQ(installedMajorVersion, 9u);
  EXPECT_EQ(installedProductCode, kEarlierEditionProductCode);
  EXPECT_EQ(VersionQueries(), (std::vector<std::string>{QueryOf(kInstallerProductCode), QueryOf(kCompatCode),
                                                         QueryOf(kEarlierEditionProductCode)}));
}

TEST_F(InstalledProductTest, ProductFoundUnderTheRecordedCodeTakesThatCode) {
  RecordCompatibilityCode(kCompatCode);
  Install(kCompatCode, PreviousProductVersion());
  Install(kEarlierEditionProductCode, u"9.0.100.5");
  ConfigureAction action = ActionNone;
  EXPECT_EQ(Detect(action), kSOk);
  EXPECT_EQ(action, ActionReplaceOlder);
  EXPECT_EQ(installedMajorVersion, 10u);
  EXPECT_EQ(installedProductCode, kCompatCode);
  EXPECT_EQ(VersionQueries(), (std::vector<std::string>{QueryOf(kInstallerProductCode), QueryOf(kCompatCode)}));
}

TEST_F(InstalledProductTest, CompatibilityRecordOfAnotherTypeCountsAsMissing) {
  for (const std::uint32_t type : {platform::kRegExpandSz, platform::kRegBinary, platform::kRegMultiSz}) {
    SetUp();
    RecordCompatibilityCode(kCompatCode, type);
    Install(kCompatCode, u"10.0.3000.100");
    ConfigureAction action = ActionNone;
    EXPECT_EQ(Detect(action), kSOk) << type;
    EXPECT_EQ(action, ActionFreshInstall) << type;
    EXPECT_EQ(installedProductCode, kInstallerProductCode) << type;
    EXPECT_EQ(VersionQueries(),
              (std::vector<std::string>{QueryOf(kInstallerProductCode), QueryOf(kEarlierEditionProductCode)}))
        << type;
  }
}

TEST_F(InstalledProductTest, VersionTextTooLongForTheBufferIsAFailedAttempt) {
  const std::u16string tooLong =
      std::u16string(32 - std::char_traits<char16_t>::length(kProductVersion), u'0') + kProductVersion;
  ASSERT_EQ(tooLong.size(), 32u);

  Install(kInstallerProductCode, tooLong);
  ConfigureAction action = ActionNone;
  EXPECT_EQ(Detect(action), kSOk);
  EXPECT_EQ(action, ActionFreshInstall);
  EXPECT_EQ(installedMajorVersion, 0u);

  SetUp();
  Install(kInstallerProductCode, tooLong);
  RecordCompatibilityCode(kCompatCode);
  Install(kCompatCode, kProductVersion);
  EXPECT_EQ(Detect(action), kSOk);
  EXPECT_EQ(action, ActionSameVersion);
  EXPECT_EQ(installedProductCode, kCompatCode);

  // The last attempt's "more data" (234) is returned as a failure.
  SetUp();
  Install(kEarlierEditionProductCode, tooLong);
  action = ActionSameVersion;
  EXPECT_EQ(static_cast<std::uint32_t>(Detect(action)), 0x800700EAu);
  EXPECT_EQ(action, ActionNone);
  EXPECT_EQ(installedProductCode, kInstallerProductCode);
  EXPECT_EQ(installedMajorVersion, 0u);
}


TEST_F(InstalledProductTest, ServiceErrorOtherThanUnknownProductIsReturnedAsAFailureCode) {
  // A bad configuration (1610) on every attempt: the last attempt's error comes back.
  for (const char16_t* code : {kInstallerProductCode, kEarlierEditionProductCode}) {
    fakes::Installer().productInfoResults[code] = 1610;
  }
  ConfigureAction action = ActionSameVersion;
  EXPECT_EQ(static_cast<std::uint32_t>(Detect(action)), 0x8007064Au);
  EXPECT_EQ(action, ActionNone);

  // The start-up reports it as fatal with the failure code's low 16 bits.
  fakes::Process().arguments = {u"setup.exe", u"/silent"};
  EXPECT_EQ(ExitCodeOf([] { WinMain(nullptr, nullptr, u"", 1); }), 1610);
  EXPECT_EQ(fakes::Ui().boxes.back().text, u"GetRequiredMsiConfigureAction failed: 1610");
}
TEST_F(InstalledProductTest, QueryInstalledVersionReturnsTheTextOfTheAttemptThatFoundIt) {
  RecordCompatibilityCode(kCompatCode);
  Install(kEarlierEditionProductCode, u"9.0.100.5");
  std::u16string text;
  EXPECT_EQ(QueryInstalledVersion(u"{00000000-0000-0000-0000-000000000000}", text), 0u);
  EXPECT_EQ(text, u"9.0.100.5");
  EXPECT_EQ(installedProductCode, kEarlierEditionProductCode);

  SetUp();
  text = u"unchanged";
  EXPECT_EQ(QueryInstalledVersion(kInstallerProductCode, text), 1605u);
  EXPECT_EQ(installedProductCode, kInstallerProductCode);
}

TEST_F(InstalledProductTest, ReadHklmStringReadsOnlyTextValuesFromTheDefaultView) {
  const std::u16string key = u"Software\\Orvex\\Test";
  fakes::PutString(RegistryRoot::LocalMachine, key, u"Text", u"C:\\Program Files\\Orvex\\");
  fakes::PutString(RegistryRoot::LocalMachine, key, u"Expandable", u"%ProgramFiles%", platform::kRegExpandSz);
  fakes::PutBytes(RegistryRoot::LocalMachine, key, u"Binary", platform::kRegBinary, fakes::StringBytes(u"text"));
  fakes::PutDword(RegistryRoot::LocalMachine, key, u"Number", 7);
  fakes::PutString(RegistryRoot::LocalMachine, key, u"Wide", u"64-bit", platform::kRegSz,
                   fakes::RegistryView::View64);
  fakes::PutString(RegistryRoot::CurrentUser, key, u"User", u"per user");

  EXPECT_EQ(ReadHklmString(key, u"text"), u"C:\\Program Files\\Orvex\\");
  EXPECT_EQ(fakes::CallsStartingWith("OpenRegistryKey"),
            std::vector<std::string>{"OpenRegistryKey HKLM Software\\Orvex\\Test 0x20019"});

  for (const char16_t* name : {u"Expandable", u"Binary", u"Number", u"Wide", u"User", u"Missing"}) {
    try {
      ReadHklmString(key, name);
      ADD_FAILURE() << fakes::Utf8(name) << " was read";
    } catch (const RegistryValueNotFound& error) {
      EXPECT_STREQ(error.what(), "Registry Value not found");
    }
  }
  EXPECT_THROW(ReadHklmString(u"Software\\Orvex\\Missing", u"Text"), RegistryValueNotFound);
  // Every key opened was closed, thrown or not.
  EXPECT_EQ(fakes::CallsStartingWith("CloseRegistryKey").size(), 7u);
  static_assert(std::is_base_of_v<std::exception, RegistryValueNotFound>);
}

TEST_F(InstalledProductTest, ReadHklmStringStopsAtTheTerminatorOrTheEndOfTheData) {
  const std::u16string key = u"Software\\Orvex\\Test";
  std::vector<std::uint8_t> unterminated = fakes::StringBytes(u"C:\\Orvex");
  unterminated.resize(unterminated.size() - 2);
  fakes::PutBytes(RegistryRoot::LocalMachine, key, u"Unterminated", platform::kRegSz, unterminated);
  std::vector<std::uint8_t> odd = fakes::StringBytes(u"ab");
  odd.resize(odd.size() - 2);
  odd.push_back(u'c');
  fakes::PutBytes(RegistryRoot::LocalMachine, key, u"Odd", platform::kRegSz, odd);
  fakes::PutString(RegistryRoot::LocalMachine, key, u"Embedded", std::u16string(u"abc\0def", 7));
  fakes::PutBytes(RegistryRoot::LocalMachine, key, u"Empty", platform::kRegSz, {});
  fakes::PutString(RegistryRoot::LocalMachine, key, u"Umlaut", u"C:\\Programme\\\u00DCber \u6F22");

  EXPECT_EQ(ReadHklmString(key, u"Unterminated"), u"C:\\Orvex");
  EXPECT_EQ(ReadHklmString(key, u"Odd"), u"ab");
  EXPECT_EQ(ReadHklmString(key, u"Embedded"), u"abc");
  EXPECT_EQ(ReadHklmString(key, u"Empty"), u"");
  EXPECT_EQ(ReadHklmString(key, u"Umlaut"), u"C:\\Programme\\\u00DCber \u6F22");
}

struct LocationCase {
  const char* name;
  std::optional<std::u16string> displayName;
  std::uint32_t displayNameType;
  std::optional<std::u16string> location;
  std::uint32_t locationType;
  HResult expected;
};

TEST_F(InstalledProductTest, PreviousInstallLocationFollowsTheDisplayName) {
  const std::u16string uninstall = kUninstallKey;
  const std::u16string code = kInstallerProductCode;
  const LocationCase cases[] = {
      {"found", u"Orvex Utilities 2011", platform::kRegSz, u"C:\\Program Files\\Orvex\\Utilities 2011\\",
       platform::kRegSz, kSOk},
      {"found without backslash", u"Orvex Utilities 2011", platform::kRegSz, u"D:\\Orvex", platform::kRegSz, kSOk},
      {"no display name", std::nullopt, platform::kRegSz, u"C:\\Orvex\\", platform::kRegSz, kEFail},
      {"display name not text", u"Orvex Utilities 2011", platform::kRegExpandSz, u"C:\\Orvex\\", platform::kRegSz,
       kEFail},
      {"no key named after the display name", u"Orvex Utilities 2011", platform::kRegSz, std::nullopt,
       platform::kRegSz, kEFail},
      {"location not text", u"Orvex Utilities 2011", platform::kRegSz, u"C:\\Orvex\\", platform::kRegExpandSz,
       kEFail},
  };
  for (const LocationCase& c : cases) {
    SetUp();
    fakes::PutKey(RegistryRoot::LocalMachine, uninstall + code);
    // A location under the product code's own key must not be the one returned.
    fakes::PutString(RegistryRoot::LocalMachine, uninstall + code, u"InstallLocation", u"C:\\Wrong\\");
    if (c.displayName) {
      fakes::PutString(RegistryRoot::LocalMachine, uninstall + code, u"DisplayName", *c.displayName,
                       c.displayNameType);
    }
    if (c.location) {
      fakes::PutString(RegistryRoot::LocalMachine, uninstall + u"Orvex Utilities 2011", u"InstallLocation",
                       *c.location, c.locationType);
    }
    std::u16string location = u"unchanged";
    HResult result = 0;
    EXPECT_NO_THROW(result = GetPreviousInstallLocation(code, location)) << c.name;
    EXPECT_EQ(result, c.expected) << c.name;
    EXPECT_EQ(location, c.expected == kSOk ? *c.location : u"unchanged") << c.name;
    EXPECT_EQ(fakes::CallsStartingWith("CloseRegistryKey").size(),
              fakes::CallsStartingWith("OpenRegistryKey").size() - (c.location ? 0 : 1))
        << c.name;
  }
}

TEST_F(InstalledProductTest, PreviousInstallLocationOfAnUnknownProductFails) {
  std::u16string location;
  HResult result = 0;
  EXPECT_NO_THROW(result = GetPreviousInstallLocation(u"{00000000-0000-0000-0000-000000000000}", location));
  EXPECT_EQ(result, kEFail);
  EXPECT_EQ(fakes::CallsStartingWith("OpenRegistryKey"),
            std::vector<std::string>{"OpenRegistryKey HKLM SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                                     "{00000000-0000-0000-0000-000000000000} 0x20019"});
}

}  // namespace
