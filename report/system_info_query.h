#pragma once
#include <cstdint>
#include <string>

#include "base/text_format.h"
#include "platform/com.h"
#include "platform/system_info.h"

// Scheme and host of the maker's link-redirect service, without a trailing slash; every web link
// of the setup starts with it.
extern const char16_t linkBase[];

// Appends the product and system description ("&qz_product=" ... "&os_usercountry=") to a URL
// that already holds its "?" part. Keys whose facts cannot be read are left out or read 0, and
// so is "&qz_lang=" when `languageCode` is empty; every value is escaped (UrlEscape).
void BuildSystemInfoQuery(std::u16string& url, const std::u16string& languageCode);

// Query-value escaping: letters, digits, "-", "]" and "." stay; other ASCII becomes "%" and
// lower-case hexadecimal without leading zeros; every code unit from 0x80 up becomes "?".
std::u16string UrlEscape(const std::u16string& text);

// "language-country" of a locale from its ISO 639 and ISO 3166 names, e.g. "en-US".
bool LocaleTag(std::uint32_t lcid, std::u16string& tag);

// The two-letter ISO 3166 code of the user's location; empty when the system knows none.
std::u16string UserCountryCode();

// The edition number reported as "&os_id=": the product type of GetProductInfo from Windows
// Vista on, a number derived from suite and system metrics on older workstations, else 0.
std::uint32_t EditionNumber(const platform::VersionFacts& version);

// The 24-character URL-safe base64 text of a GUID's 16 bytes in text order, padded with "~~".
std::u16string EncodeIdHash(const platform::Guid& guid);
