#pragma once
#include "tests/fakes/system_info.h"

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
inline constexpr char16_t kWindows7OnWow64Query[] =
    u"&qz_product=qzv2011&qz_version=10.0.3000.101&qz_lang=en-US&os_ver=6.1.7601&os_sp=1.0&os_suite=256"
    u"&os_x64=1&os_syslang=de-DE&os_userlang=en-US&os_id=48&os_usercountry=US";
