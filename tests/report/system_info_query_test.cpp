#include "report/system_info_query.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <optional>

#include "tests/fakes/com.h"
#include "tests/fakes/system_info.h"
#include "tests/fakes/world.h"
#include "tests/report/scripted_system.h"

namespace {

class SystemInfoQueryTest : public WorldTest {};

TEST(UrlEscapeTest, EveryAsciiCodeUnit) {
  for (char16_t unit = 0; unit < 0x80; ++unit) {
    const bool alphanumeric = (unit >= u'0' && unit <= u'9') || (unit >= u'A' && unit <= u'Z') ||
                              (unit >= u'a' && unit <= u'z');
    std::string expected;
    if (alphanumeric || unit == u'-' || unit == u']' || unit == u'.') {
      expected = std::string(1, static_cast<char>(unit));
    } else {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "%%%x", static_cast<unsigned>(unit));
      expected = buffer;
    }
    EXPECT_EQ(fakes::Utf8(UrlEscape(std::u16string(1, unit))), expected) << "code unit " << unsigned{unit};
  }
}

TEST(UrlEscapeTest, Examples) {
  const std::array<std::pair<std::u16string, std::u16string>, 14> cases = {{
      {u"en_US", u"en%5fUS"},
      {u"a b", u"a%20b"},
      {u"\u00e9t\u00e9", u"?t?"},
      {u"\U0001F600", u"??"},
      {u"\u0001", u"%1"},
      {u"\u000f\u0010", u"%f%10"},
      {u"~", u"%7e"},
      {u"\u007f", u"%7f"},
      {u"\u0080\u00ff\uffff", u"???"},
      {u"[x]", u"%5bx]"},
      {u"6.1-7601", u"6.1-7601"},
      {u"a&b=c", u"a%26b%3dc"},
      {u"", u""},
      {u"{A1}/%", u"%7bA1%7d%2f%25"},
  }};
  for (const auto& [text, escaped] : cases) EXPECT_EQ(UrlEscape(text), escaped) << fakes::Utf8(text);
}

// Decodes the URL-safe base64 text independently of the encoder.
std::vector<std::uint8_t> DecodeIdHash(const std::u16string& text) {
  const std::u16string alphabet = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
  std::vector<std::uint8_t> bytes;
  std::uint32_t bits = 0;
  int count = 0;
  for (char16_t c : text) {
    if (c == u'~') break;
    const std::size_t value = alphabet.find(c);
    if (value == std::u16string::npos) {
      ADD_FAILURE() << "not in the alphabet: " << unsigned{c};
      return {};
    }
    bits = (bits << 6) | static_cast<std::uint32_t>(value);
    count += 6;
    if (count >= 8) {
      count -= 8;
      bytes.push_back(static_cast<std::uint8_t>(bits >> count));
    }
  }
  return bytes;
}

TEST(EncodeIdHashTest, KnownIdentifiers) {
  EXPECT_EQ(EncodeIdHash(platform::Guid{}), u"AAAAAAAAAAAAAAAAAAAAAA~~");
  EXPECT_EQ(EncodeIdHash(fakes::GuidOf(u"{00112233-4455-6677-8899-AABBCCDDEEFF}")), u"ABEiM0RVZneImaq7zN3u_w~~");
  EXPECT_EQ(EncodeIdHash(fakes::GuidOf(u"{FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF}")), u"_____________________w~~");
  EXPECT_EQ(EncodeIdHash(fakes::GuidOf(u"{F8000000-0000-0000-0000-000000000001}")), u"-AAAAAAAAAAAAAAAAAAAAQ~~");
}

TEST(EncodeIdHashTest, BytesFollowTheTextOrder) {
  const char16_t* texts[] = {u"{01020304-0506-0708-090A-0B0C0D0E0F10}", u"{A1B2C3D4-E5F6-4718-9ABC-DEF012345678}",
                             u"{80000000-0001-8000-00FF-7F8081FEFF00}"};
  for (const char16_t* text : texts) {
    const platform::Guid guid = fakes::GuidOf(text);
    const std::u16string hash = EncodeIdHash(guid);
    ASSERT_EQ(hash.size(), 24u) << fakes::Utf8(text);
    EXPECT_EQ(hash.substr(22), u"~~");
    std::vector<std::uint8_t> expected;
    for (int shift = 24; shift >= 0; shift -= 8) expected.push_back(static_cast<std::uint8_t>(guid.data1 >> shift));
    expected.push_back(static_cast<std::uint8_t>(guid.data2 >> 8));
    expected.push_back(static_cast<std::uint8_t>(guid.data2));
    expected.push_back(static_cast<std::uint8_t>(guid.data3 >> 8));
    expected.push_back(static_cast<std::uint8_t>(guid.data3));
    expected.insert(expected.end(), guid.data4, guid.data4 + 8);
    EXPECT_EQ(DecodeIdHash(hash), expected) << fakes::Utf8(text);
  }
}

TEST_F(SystemInfoQueryTest, LocaleTagJoinsLanguageAndCountryNames) {
  std::u16string tag = u"untouched";
  fakes::AddLocale(0x0c0a, u"es", u"ES");
  EXPECT_TRUE(LocaleTag(0x0c0a, tag));
  EXPECT_EQ(tag, u"es-ES");

  // Each name must fit a 16-unit buffer with its terminator.
  fakes::AddLocale(0x1000, u"abcdefghijklmno", u"ABCDEFGHIJKLMNO");
  EXPECT_TRUE(LocaleTag(0x1000, tag));
  EXPECT_EQ(tag, u"abcdefghijklmno-ABCDEFGHIJKLMNO");
  fakes::AddLocale(0x1001, u"abcdefghijklmnop", u"AB");
  EXPECT_FALSE(LocaleTag(0x1001, tag));
  fakes::AddLocale(0x1002, u"ab", u"ABCDEFGHIJKLMNOP");
  EXPECT_FALSE(LocaleTag(0x1002, tag));

  fakes::SystemInfo().localeStrings[{0x2000, platform::kLocaleIsoLanguageName}] = u"xx";
  EXPECT_FALSE(LocaleTag(0x2000, tag));
  fakes::SystemInfo().localeStrings[{0x2001, platform::kLocaleIsoCountryName}] = u"XX";
  EXPECT_FALSE(LocaleTag(0x2001, tag));
  EXPECT_EQ(tag, u"abcdefghijklmno-ABCDEFGHIJKLMNO");
}

TEST_F(SystemInfoQueryTest, UserCountryCode) {
  EXPECT_EQ(UserCountryCode(), u"");  // GetUserGeoID missing
  fakes::SystemInfo().userGeoId = -1;
  fakes::SystemInfo().geoIsoCodes[-1] = u"ZZ";
  EXPECT_EQ(UserCountryCode(), u"");
  fakes::SystemInfo().userGeoId = 94;
  EXPECT_EQ(UserCountryCode(), u"");  // GetGeoInfoW fails
  fakes::SystemInfo().geoIsoCodes[94] = u"DE";
  EXPECT_EQ(UserCountryCode(), u"DE");
  fakes::SystemInfo().geoIsoCodes[94] = u"ABCDEFG";
  EXPECT_EQ(UserCountryCode(), u"ABCDEFG");
  fakes::SystemInfo().geoIsoCodes[94] = u"ABCDEFGH";  // does not fit 8 units with its terminator
  EXPECT_EQ(UserCountryCode(), u"");
}

TEST_F(SystemInfoQueryTest, EditionNumber) {
  struct Case {
    const char* name;
    std::uint32_t major;
    std::uint8_t productType;
    std::uint16_t suite;
    std::vector<int> metrics;
    std::optional<std::uint32_t> productInfo;
    std::uint32_t expected;
  };
  const Case cases[] = {
      {"XP Professional", 5, 1, 0x000, {}, std::nullopt, 4},
      {"XP Home", 5, 1, 0x200, {}, std::nullopt, 1},
      {"XP Embedded", 5, 1, 0x040, {}, std::nullopt, 8},
      {"personal before embedded", 5, 1, 0x240, {}, std::nullopt, 1},
      {"personal with media center", 5, 1, 0x200, {87}, std::nullopt, 9},
      {"tablet", 5, 1, 0x000, {86}, std::nullopt, 7},
      {"starter", 5, 1, 0x200, {88}, std::nullopt, 0},
      {"media center before tablet", 5, 1, 0x040, {86, 87}, std::nullopt, 9},
      {"tablet before starter", 5, 1, 0x000, {86, 88}, std::nullopt, 7},
      {"server 2003", 5, 3, 0x200, {87}, 7u, 0},
      {"domain controller", 5, 2, 0x000, {86}, std::nullopt, 0},
      {"Windows 2000 workstation", 5, 1, 0x000, {}, 9u, 4},
      {"major 6 with GetProductInfo", 6, 1, 0x200, {87}, 48u, 48},
      {"major 6 without GetProductInfo", 6, 1, 0x200, {87}, std::nullopt, 0},
      {"major 10 server", 10, 3, 0x000, {}, 7u, 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fakes::ResetWorld();
    for (int metric : c.metrics) fakes::SystemInfo().systemMetrics[metric] = 1;
    fakes::SystemInfo().productType = c.productInfo;
    platform::VersionFacts version{true, c.major, 1, 2600, 3, 0, c.suite, c.productType};
    EXPECT_EQ(EditionNumber(version), c.expected);
  }
}

TEST_F(SystemInfoQueryTest, EveryKeyPresentInOrder) {
  ScriptWindows7OnWow64();
  std::u16string url = u"https://host/link/?target=x";
  BuildSystemInfoQuery(url, u"en-US");
  EXPECT_EQ(url, u"https://host/link/?target=x" + kWindows7OnWow64Query);
}

TEST_F(SystemInfoQueryTest, OptionalKeysLeftOutAndFailedFactsReadZero) {
  fakes::SystemInfo().userGeoId = -1;
  fakes::SystemInfo().geoIsoCodes[-1] = u"ZZ";
  std::u16string url;
  BuildSystemInfoQuery(url, u"de-DE");
  EXPECT_EQ(url,
            ProductQuery() + u"&qz_lang=de-DE&os_ver=0.0.0&os_sp=0.0&os_suite=0"
            u"&os_x64=0&os_id=0");
}

TEST_F(SystemInfoQueryTest, KeysThatDependOnSingleFacts) {
  struct Case {
    const char* name;
    void (*script)();
    std::u16string language;
    std::u16string expectedTail;  // from "&os_x64=" on
  };
  const Case cases[] = {
      {"32-bit Windows", [] { fakes::SystemInfo().wow64 = false; }, u"en-US", u"&os_x64=0&os_id=4"},
      {"only the system locale", [] { fakes::AddLocale(0x0409, u"en", u"US"); fakes::SystemInfo().userLcid = 0x0419; },
       u"en-US", u"&os_x64=0&os_syslang=en-US&os_id=4"},
      {"only the user locale", [] { fakes::AddLocale(0x0419, u"ru", u"RU"); fakes::SystemInfo().userLcid = 0x0419; },
       u"en-US", u"&os_x64=0&os_userlang=ru-RU&os_id=4"},
      {"location without geo text", [] { fakes::SystemInfo().userGeoId = 244; }, u"en-US", u"&os_x64=0&os_id=4"},
      {"escaped locale and country",
       [] {
         fakes::AddLocale(0x0409, u"e_n", u"U S");
         fakes::SystemInfo().userGeoId = 1;
         fakes::SystemInfo().geoIsoCodes[1] = u"\u00dc_";
       },
       u"en-US", u"&os_x64=0&os_syslang=e%5fn-U%20S&os_userlang=e%5fn-U%20S&os_id=4&os_usercountry=?%5f"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fakes::ResetWorld();
    fakes::SystemInfo().version = {true, 5, 1, 2600, 3, 0, 0x100, 1};
    c.script();
    std::u16string url;
    BuildSystemInfoQuery(url, c.language);
    const std::u16string head = ProductQuery() + u"&qz_lang=" + c.language +
                                u"&os_ver=5.1.2600&os_sp=3.0&os_suite=256";
    EXPECT_EQ(fakes::Utf8(url), fakes::Utf8(head + c.expectedTail));
  }
}

TEST_F(SystemInfoQueryTest, TheLanguageIsEscapedAndLeftOutWhenEmpty) {
  std::u16string url;
  BuildSystemInfoQuery(url, u"de-DE\" --gpu-launcher=x&y");
  EXPECT_NE(url.find(u"&qz_lang=de-DE%22%20--gpu-launcher%3dx%26y&os_ver="), std::u16string::npos) << fakes::Utf8(url);
  url.clear();
  BuildSystemInfoQuery(url, u"");
  EXPECT_NE(url.find(u"&qz_version=" + std::u16string(kProductVersion) + u"&os_ver="), std::u16string::npos)
      << fakes::Utf8(url);
}

TEST_F(SystemInfoQueryTest, Windows7ServicePack1GivesVersionThenServicePack) {
  fakes::SystemInfo().version = {true, 6, 1, 7601, 1, 0, 0, 1};
  std::u16string url;
  BuildSystemInfoQuery(url, u"en-US");
  EXPECT_NE(url.find(u"&os_ver=6.1.7601&os_sp=1.0&"), std::u16string::npos) << fakes::Utf8(url);
}

TEST(UnsignedDecimalTest, Numbers) {
  EXPECT_EQ(UnsignedDecimal(0), u"0");
  EXPECT_EQ(UnsignedDecimal(7), u"7");
  EXPECT_EQ(UnsignedDecimal(1603), u"1603");
  EXPECT_EQ(UnsignedDecimal(65535), u"65535");
  EXPECT_EQ(UnsignedDecimal(0xFFFFFFFFu), u"4294967295");
}

TEST(LinkBaseTest, IsAnAddressWithoutTrailingSlash) {
  const std::u16string base = linkBase;
  ASSERT_FALSE(base.empty());
  EXPECT_TRUE(base.rfind(u"https://", 0) == 0 || base.rfind(u"http://", 0) == 0) << fakes::Utf8(base);
  EXPECT_NE(base.back(), u'/');
  EXPECT_EQ(base.find(u'?'), std::u16string::npos);
}

}  // namespace
