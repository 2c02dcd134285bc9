#pragma once
#include <string>

#include "base/product.h"
#include "tests/fakes/system_info.h"

// The start of every system query: the product's code word in lower case and its version.
inline std::u16string ProductQuery() {
  std::u16string word = kProductCode;
  for (char16_t& c : word) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return u"&qz_product=" + word + u"&qz_version=" + kProductVersion;
}

// A 32-bit process on 64-bit Windows 7 SP1 (6.1.7601, suite 0x100, workstation, edition 48) with a
// German system locale, a US user locale and the user's location in the United States.
inline void ScriptWindows7OnWow64() {
  fakes::SystemInfoWorld& system = fakes::SystemInfo();
  system.version = {true, 6, 1, 7601, 1, 0, 0x100, 1};
  system.wow64 = true;
  system.systemLcid = 0x0407;
  system.userLcid = 0x0409;
  fakes::AddLocale(0x0407, u"de", u"DE");
  fakes::AddLocale(0x0409, u"en", u"US");
  system.userGeoId = 244;
  system.geoIsoCodes[244] = u"US";
  system.productType = 48;
}

// The query that system yields for the language code "en-US".
inline const std::u16string kWindows7OnWow64Query =
    ProductQuery() + u"&qz_lang=en-US&os_ver=6.1.7601&os_sp=1.0&os_suite=256"
    u"&os_x64=1&os_syslang=de-DE&os_userlang=en-US&os_id=48&os_usercountry=US";
