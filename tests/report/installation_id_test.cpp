#include "report/installation_id.h"

#include <gtest/gtest.h>


#include "platform/registry.h"
#include "tests/fakes/com.h"
#include "tests/fakes/registry.h"
#include "tests/fakes/world.h"

namespace {

using platform::RegistryRoot;

constexpr char16_t kKeyPath[] = u"Software\\Orvex\\Setup\\QZV2011";
constexpr char16_t kValueName[] = u"10.0.3000.101";
constexpr char16_t kStoredText[] = u"{00112233-4455-6677-8899-AABBCCDDEEFF}";
constexpr char16_t kNewText[] = u"{A1B2C3D4-E5F6-4718-9ABC-DEF012345678}";

class InstallationIdTest : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    fakes::Com().guidsToCreate = {fakes::GuidOf(kNewText)};
  }

  static platform::Guid Get() {
    platform::Guid id;
    EXPECT_TRUE(GetInstallationId(u"QZV2011", kValueName, id));
    return id;
  }

  static void ExpectStoredAsText(RegistryRoot root, const char16_t* text) {
    const fakes::RegistryValue* value = fakes::FindValue(root, kKeyPath, kValueName);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->type, platform::kRegSz);
    EXPECT_EQ(value->data, fakes::StringBytes(text));
    EXPECT_EQ(value->data.size(), 78u);
  }
};

TEST_F(InstallationIdTest, FirstCallCreatesAndStoresUnderTheMachineThenReadsItBack) {
  EXPECT_EQ(Get(), fakes::GuidOf(kNewText));
  ExpectStoredAsText(RegistryRoot::LocalMachine, kNewText);
  EXPECT_EQ(fakes::FindValue(RegistryRoot::CurrentUser, kKeyPath, kValueName), nullptr);
  EXPECT_EQ(fakes::CallsStartingWith("OpenRegistryKey"),
            (std::vector<std::string>{"OpenRegistryKey HKLM Software\\Orvex\\Setup\\QZV2011 0x20019",
                                      "OpenRegistryKey HKCU Software\\Orvex\\Setup\\QZV2011 0x20019"}));
  EXPECT_EQ(fakes::CallsStartingWith("CreateRegistryKey"),
            std::vector<std::string>{"CreateRegistryKey HKLM Software\\Orvex\\Setup\\QZV2011 0x2001f"});
  EXPECT_EQ(fakes::CallsStartingWith("SetRegistryValue"),
            std::vector<std::string>{"SetRegistryValue 10.0.3000.101 1 78"});

  fakes::Calls().clear();
  EXPECT_EQ(Get(), fakes::GuidOf(kNewText));
  EXPECT_TRUE(fakes::CallsStartingWith("CreateGuid").empty());
  EXPECT_TRUE(fakes::CallsStartingWith("SetRegistryValue").empty());
  EXPECT_EQ(fakes::Com().created, 1u);
}

TEST_F(InstallationIdTest, EveryKeyThatWasOpenedIsClosed) {
  // First call: both reads fail, the create succeeds; second call: the machine key opens.
  Get();
  Get();
  EXPECT_EQ(fakes::CallsStartingWith("CloseRegistryKey").size(), 2u);
  fakes::PutString(RegistryRoot::LocalMachine, kKeyPath, kValueName, u"garbage");
  fakes::Calls().clear();
  Get();  // opens, finds garbage, closes, then creates, stores and closes
  EXPECT_EQ(fakes::CallsStartingWith("CloseRegistryKey").size(), 2u);
}

TEST_F(InstallationIdTest, StoredIdentifiersThatCanBeReadAreKept) {
  struct Case {
    const char* name;
    std::vector<std::uint8_t> data;
  };
  std::vector<std::uint8_t> padded = fakes::StringBytes(kStoredText);
  padded.resize(128, 0x41);
  std::vector<std::uint8_t> unterminated = fakes::StringBytes(kStoredText);
  unterminated.resize(unterminated.size() - 2);
  const Case cases[] = {
      {"as written", fakes::StringBytes(kStoredText)},
      {"without its terminator", unterminated},
      {"followed by other data up to 128 bytes", padded},
      {"in lower case", fakes::StringBytes(u"{00112233-4455-6677-8899-aabbccddeeff}")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fakes::ResetWorld();
    fakes::PutBytes(RegistryRoot::LocalMachine, kKeyPath, kValueName, platform::kRegSz, c.data);
    EXPECT_EQ(Get(), fakes::GuidOf(kStoredText));
    EXPECT_EQ(fakes::Com().created, 0u);
    EXPECT_EQ(fakes::FindValue(RegistryRoot::LocalMachine, kKeyPath, kValueName)->data, c.data);
  }
}

TEST_F(InstallationIdTest, UnusableStoredValuesAreReplacedByANewIdentifier) {
  struct Case {
    const char* name;
    std::uint32_t type;
    std::vector<std::uint8_t> data;
  };
  std::vector<std::uint8_t> oversized = fakes::StringBytes(kStoredText);
  oversized.resize(130, 0);
  std::vector<std::uint8_t> sixtyFourUnits;
  for (int i = 0; i < 64; ++i) sixtyFourUnits.insert(sixtyFourUnits.end(), {'7', 0});
  const Case cases[] = {
      {"expandable text", platform::kRegExpandSz, fakes::StringBytes(kStoredText)},
      {"binary", platform::kRegBinary, fakes::StringBytes(kStoredText)},
      {"text that is no GUID", platform::kRegSz, fakes::StringBytes(u"not an identifier")},
      {"GUID without braces", platform::kRegSz, fakes::StringBytes(u"00112233-4455-6677-8899-AABBCCDDEEFF")},
      {"GUID with a trailing blank", platform::kRegSz, fakes::StringBytes(u"{00112233-4455-6677-8899-AABBCCDDEEFF} ")},
      {"over 128 bytes", platform::kRegSz, oversized},
      {"128 bytes without terminator", platform::kRegSz, sixtyFourUnits},
      {"empty", platform::kRegSz, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fakes::ResetWorld();
    fakes::Com().guidsToCreate = {fakes::GuidOf(kNewText)};
    fakes::PutBytes(RegistryRoot::LocalMachine, kKeyPath, kValueName, c.type, c.data);
    EXPECT_EQ(Get(), fakes::GuidOf(kNewText));
    ExpectStoredAsText(RegistryRoot::LocalMachine, kNewText);
    EXPECT_EQ(fakes::Com().created, 1u);
  }
}

TEST_F(InstallationIdTest, WithoutWriteAccessToTheMachineTheUserKeyHoldsTheIdentifier) {
  fakes::Registry().readOnlyRoots.insert(RegistryRoot::LocalMachine);
  EXPECT_EQ(Get(), fakes::GuidOf(kNewText));
  ExpectStoredAsText(RegistryRoot::CurrentUser, kNewText);
  EXPECT_EQ(fakes::FindValue(RegistryRoot::LocalMachine, kKeyPath, kValueName), nullptr);

  fakes::Com().guidsToCreate = {fakes::GuidOf(kStoredText)};
  EXPECT_EQ(Get(), fakes::GuidOf(kNewText));
  EXPECT_EQ(fakes::Com().created, 1u);
}

TEST_F(InstallationIdTest, AnIdentifierStoredForTheUserIsReadWhenTheMachineHasNoKey) {
  fakes::PutString(RegistryRoot::CurrentUser, kKeyPath, kValueName, kStoredText);
  EXPECT_EQ(Get(), fakes::GuidOf(kStoredText));
  EXPECT_EQ(fakes::Com().created, 0u);
}

TEST_F(InstallationIdTest, MachineKeyWithoutTheValueThatCannotBeWrittenGivesANewIdentifierEveryTime) {
  fakes::PutKey(RegistryRoot::LocalMachine, kKeyPath);
  fakes::Registry().readOnlyRoots.insert(RegistryRoot::LocalMachine);
  fakes::Com().guidsToCreate.push_back(fakes::GuidOf(kStoredText));

  EXPECT_EQ(Get(), fakes::GuidOf(kNewText));
  ExpectStoredAsText(RegistryRoot::CurrentUser, kNewText);
  EXPECT_EQ(Get(), fakes::GuidOf(kStoredText));
  ExpectStoredAsText(RegistryRoot::CurrentUser, kStoredText);
  EXPECT_EQ(fakes::Com().created, 2u);
}

TEST_F(InstallationIdTest, WithNoWritableRootTheNewIdentifierIsReturnedUnstored) {
  fakes::Registry().readOnlyRoots = {RegistryRoot::LocalMachine, RegistryRoot::CurrentUser};
  EXPECT_EQ(Get(), fakes::GuidOf(kNewText));
  EXPECT_TRUE(fakes::CallsStartingWith("SetRegistryValue").empty());
  EXPECT_EQ(fakes::CallsStartingWith("CreateRegistryKey").size(), 2u);
}

TEST_F(InstallationIdTest, FailedGuidCreationReportsFalseAndStoresNothing) {
  fakes::Com().createFails = true;
  platform::Guid id = fakes::GuidOf(kStoredText);
  EXPECT_FALSE(GetInstallationId(u"QZV2011", kValueName, id));
  EXPECT_EQ(id, fakes::GuidOf(kStoredText));
  EXPECT_TRUE(fakes::CallsStartingWith("CreateRegistryKey").empty());
  EXPECT_TRUE(fakes::Registry().keys.empty());
}

TEST_F(InstallationIdTest, FormatGuidGivesBracedUpperCaseTextOrThrows) {
  EXPECT_EQ(FormatGuid(fakes::GuidOf(u"{a1b2c3d4-e5f6-4718-9abc-def012345678}")), kNewText);
  EXPECT_EQ(FormatGuid(platform::Guid{}), u"{00000000-0000-0000-0000-000000000000}");

  fakes::Com().toStringFails = true;
  try {
    FormatGuid(platform::Guid{});
    ADD_FAILURE() << "no exception";
  } catch (const GuidFormattingFailed& error) {
    EXPECT_STREQ(error.what(), "StringFromGUID2 failed");
  }
  platform::Guid id;
  EXPECT_THROW(GetInstallationId(u"QZV2011", kValueName, id), GuidFormattingFailed);
}

TEST_F(InstallationIdTest, RecordInstalledVersionLeavesIdentifierAndDefaultValue) {
  RecordInstalledVersion(u"QZV2011", u"10.0.3000.101");
  ExpectStoredAsText(RegistryRoot::LocalMachine, kNewText);
  const fakes::RegistryValue* version = fakes::FindValue(RegistryRoot::LocalMachine, kKeyPath, u"");
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(version->type, platform::kRegSz);
  EXPECT_EQ(version->data, fakes::StringBytes(u"10.0.3000.101"));
  EXPECT_EQ(fakes::CallsStartingWith("OpenRegistryKey").back(),
            "OpenRegistryKey HKLM Software\\Orvex\\Setup\\QZV2011 0x2001f");
  EXPECT_EQ(fakes::CallsStartingWith("SetRegistryValue").back(), "SetRegistryValue  1 28");

  RecordInstalledVersion(u"QZV2011", u"10.0.3000.101");
  ExpectStoredAsText(RegistryRoot::LocalMachine, kNewText);
  EXPECT_EQ(fakes::Com().created, 1u);
}

TEST_F(InstallationIdTest, RecordInstalledVersionFallsBackToTheUserAndGivesUpSilently) {
  fakes::Registry().readOnlyRoots.insert(RegistryRoot::LocalMachine);
  RecordInstalledVersion(u"QZV2011", u"10.0.3000.101");
  EXPECT_EQ(fakes::StringValue(RegistryRoot::CurrentUser, kKeyPath, u""), u"10.0.3000.101");
  ExpectStoredAsText(RegistryRoot::CurrentUser, kNewText);

  fakes::ResetWorld();
  fakes::Registry().readOnlyRoots = {RegistryRoot::LocalMachine, RegistryRoot::CurrentUser};
  fakes::PutKey(RegistryRoot::LocalMachine, kKeyPath);
  RecordInstalledVersion(u"QZV2011", u"10.0.3000.101");
  EXPECT_TRUE(fakes::CallsStartingWith("SetRegistryValue").empty());
  EXPECT_EQ(fakes::CallsStartingWith("OpenRegistryKey HKCU Software\\Orvex\\Setup\\QZV2011 0x2001f").size(), 1u);
}

}  // namespace
