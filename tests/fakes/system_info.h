#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "platform/system_info.h"

namespace fakes {

struct SystemInfoWorld {
  // Message texts the system knows; other numbers have none.
  std::map<std::uint32_t, std::u16string> messages;
  std::uint16_t uiLanguage = 0x0409;
  std::uint32_t userLcid = 0x0409;
  std::uint32_t systemLcid = 0x0409;
  // (lcid, type) -> text; a missing entry makes GetLocaleInfoW fail.
  std::map<std::pair<std::uint32_t, std::uint32_t>, std::u16string> localeStrings;
  platform::VersionFacts version;
  std::optional<std::int32_t> userGeoId;      // none: function missing
  std::map<std::int32_t, std::u16string> geoIsoCodes;
  std::optional<bool> wow64;                  // none: function missing
  std::optional<std::uint32_t> productType;   // none: GetProductInfo missing
  std::map<int, int> systemMetrics;
  // Texts of the current session by information class; a missing class fails the query.
  std::map<std::uint32_t, std::u16string> sessionTexts;
};
SystemInfoWorld& SystemInfo();

// Locale strings for one locale: ISO language and country names.
void AddLocale(std::uint32_t lcid, const std::u16string& language, const std::u16string& country);

}  // namespace fakes
