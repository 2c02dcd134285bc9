#include "report/system_info_query.h"

#include <array>

#include "base/product.h"
#include "platform/text.h"

const char16_t linkBase[] = ORVEX_LINK_BASE;

namespace {

constexpr std::uint32_t kGeoClassNation = 16;
constexpr std::uint32_t kGeoIsoTwoLetter = 4;
constexpr std::uint32_t kGeoBufferUnits = 8;
constexpr std::uint32_t kLocaleBufferUnits = 16;
constexpr std::int32_t kGeoIdNone = -1;

constexpr std::uint8_t kProductTypeWorkstation = 1;
constexpr std::uint16_t kSuitePersonal = 0x200;
constexpr std::uint16_t kSuiteEmbeddedNt = 0x40;
constexpr int kMetricTabletPc = 86;
constexpr int kMetricMediaCenter = 87;
constexpr int kMetricStarter = 88;

bool Copied(char16_t unit) {
  return (unit >= u'0' && unit <= u'9') || (unit >= u'A' && unit <= u'Z') || (unit >= u'a' && unit <= u'z') ||
         unit == u'-' || unit == u']' || unit == u'.';
}

}  // namespace

std::u16string UrlEscape(const std::u16string& text) {
  static constexpr char16_t kHex[] = u"0123456789abcdef";
  std::u16string escaped;
  for (char16_t unit : text) {
    if (Copied(unit)) {
      escaped += unit;
    } else if (unit >= 0x80) {
      escaped += u'?';
    } else {
      escaped += u'%';
      if (unit >= 0x10) escaped += kHex[unit >> 4];
      escaped += kHex[unit & 0xF];
    }
  }
  return escaped;
}

bool LocaleTag(std::uint32_t lcid, std::u16string& tag) {
  std::u16string language;
  if (!platform::GetLocaleString(lcid, platform::kLocaleIsoLanguageName, kLocaleBufferUnits, language)) return false;
  std::u16string country;
  if (!platform::GetLocaleString(lcid, platform::kLocaleIsoCountryName, kLocaleBufferUnits, country)) return false;
  tag = language + u"-" + country;
  return true;
}

std::u16string UserCountryCode() {
  std::int32_t geoId = kGeoIdNone;
  if (!platform::QueryUserGeoId(kGeoClassNation, geoId) || geoId == kGeoIdNone) return {};
  std::u16string code;
  if (!platform::QueryGeoInfo(geoId, kGeoIsoTwoLetter, kGeoBufferUnits, code)) return {};
  return code;
}

std::uint32_t EditionNumber(const platform::VersionFacts& version) {
  std::uint32_t number = 0;
  if (version.major > 5) {
    std::uint32_t productType = 0;
    if (platform::QueryProductInfo(version.major, version.minor, version.servicePackMajor, version.servicePackMinor,
                                   productType)) {
      number = productType;
    }
    return number;
  }
  if (version.productType != kProductTypeWorkstation) return number;

  number = 4;
  if ((version.suiteMask & kSuitePersonal) != 0) {
    number = 1;
  } else if ((version.suiteMask & kSuiteEmbeddedNt) != 0) {
    number = 8;
  }
  if (platform::SystemMetric(kMetricMediaCenter) != 0) {
    number = 9;
  } else if (platform::SystemMetric(kMetricTabletPc) != 0) {
    number = 7;
  } else if (platform::SystemMetric(kMetricStarter) != 0) {
    number = 0;
  }
  return number;
}

std::u16string EncodeIdHash(const platform::Guid& guid) {
  static constexpr char16_t kAlphabet[] = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
  std::array<std::uint8_t, 16> bytes = {
      static_cast<std::uint8_t>(guid.data1 >> 24), static_cast<std::uint8_t>(guid.data1 >> 16),
      static_cast<std::uint8_t>(guid.data1 >> 8),  static_cast<std::uint8_t>(guid.data1),
      static_cast<std::uint8_t>(guid.data2 >> 8),  static_cast<std::uint8_t>(guid.data2),
      static_cast<std::uint8_t>(guid.data3 >> 8),  static_cast<std::uint8_t>(guid.data3),
  };
  for (std::size_t i = 0; i < 8; ++i) bytes[8 + i] = guid.data4[i];

  std::u16string text;
  std::size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const std::uint32_t group = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
    text += kAlphabet[(group >> 18) & 0x3F];
    text += kAlphabet[(group >> 12) & 0x3F];
    text += kAlphabet[(group >> 6) & 0x3F];
    text += kAlphabet[group & 0x3F];
  }
  // 16 bytes leave one byte: two characters and the padding.
  const std::uint32_t last = bytes[i];
  text += kAlphabet[(last >> 2) & 0x3F];
  text += kAlphabet[(last << 4) & 0x3F];
  text += u"~~";
  return text;
}

void BuildSystemInfoQuery(std::u16string& url, const std::u16string& languageCode) {
  const platform::VersionFacts version = platform::QueryVersionFacts();

  std::u16string product = kProductCode;
  platform::LowerCaseText(product);
  url += u"&qz_product=" + UrlEscape(product);
  url += u"&qz_version=" + UrlEscape(kProductVersion);
  if (!languageCode.empty()) url += u"&qz_lang=" + UrlEscape(languageCode);
  url += u"&os_ver=" + UrlEscape(UnsignedDecimal(version.major) + u"." + UnsignedDecimal(version.minor) + u"." +
                                 UnsignedDecimal(version.build));
  url += u"&os_sp=" + UrlEscape(UnsignedDecimal(version.servicePackMajor) + u"." +
                                UnsignedDecimal(version.servicePackMinor));
  url += u"&os_suite=" + UnsignedDecimal(version.suiteMask);

  bool wow64 = false;
  const bool emulated = platform::QueryIsWow64Process(wow64) && wow64;
  url += u"&os_x64=";
  url += emulated ? u"1" : u"0";

  std::u16string tag;
  if (LocaleTag(platform::SystemDefaultLcid(), tag)) url += u"&os_syslang=" + UrlEscape(tag);
  if (LocaleTag(platform::UserDefaultLcid(), tag)) url += u"&os_userlang=" + UrlEscape(tag);

  url += u"&os_id=" + UnsignedDecimal(EditionNumber(version));

  const std::u16string country = UserCountryCode();
  if (!country.empty()) url += u"&os_usercountry=" + UrlEscape(country);
}
