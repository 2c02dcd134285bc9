#include "tests/fakes/system_info.h"

#include "tests/fakes/world.h"

namespace fakes {
namespace {
SystemInfoWorld world;
const bool registered = RegisterReset([] { world = SystemInfoWorld{}; });
}  // namespace
SystemInfoWorld& SystemInfo() { return world; }

void AddLocale(std::uint32_t lcid, const std::u16string& language, const std::u16string& country) {
  world.localeStrings[{lcid, platform::kLocaleIsoLanguageName}] = language;
  world.localeStrings[{lcid, platform::kLocaleIsoCountryName}] = country;
}
}  // namespace fakes

namespace platform {

bool FormatSystemMessage(std::uint32_t number, std::u16string& text) {
  fakes::Record("FormatSystemMessage " + std::to_string(number));
  const auto found = fakes::SystemInfo().messages.find(number);
  if (found == fakes::SystemInfo().messages.end()) return false;
  text = found->second;
  return true;
}

std::uint16_t UserDefaultUiLanguage() { return fakes::SystemInfo().uiLanguage; }
std::uint32_t UserDefaultLcid() { return fakes::SystemInfo().userLcid; }
std::uint32_t SystemDefaultLcid() { return fakes::SystemInfo().systemLcid; }

bool GetLocaleString(std::uint32_t lcid, std::uint32_t type, std::uint32_t capacity, std::u16string& text) {
  const auto found = fakes::SystemInfo().localeStrings.find({lcid, type});
  if (found == fakes::SystemInfo().localeStrings.end()) return false;
  if (found->second.size() + 1 > capacity) return false;
  text = found->second;
  return true;
}

VersionFacts QueryVersionFacts() { return fakes::SystemInfo().version; }

bool QueryUserGeoId(std::uint32_t, std::int32_t& geoId) {
  if (!fakes::SystemInfo().userGeoId) return false;
  geoId = *fakes::SystemInfo().userGeoId;
  return true;
}

bool QueryGeoInfo(std::int32_t geoId, std::uint32_t, std::uint32_t capacity, std::u16string& text) {
  const auto found = fakes::SystemInfo().geoIsoCodes.find(geoId);
  if (found == fakes::SystemInfo().geoIsoCodes.end() || found->second.size() + 1 > capacity) return false;
  text = found->second;
  return true;
}

bool QueryIsWow64Process(bool& wow64) {
  if (!fakes::SystemInfo().wow64) return false;
  wow64 = *fakes::SystemInfo().wow64;
  return true;
}

bool QueryProductInfo(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t& productType) {
  if (!fakes::SystemInfo().productType) return false;
  productType = *fakes::SystemInfo().productType;
  return true;
}

int SystemMetric(int index) {
  const auto found = fakes::SystemInfo().systemMetrics.find(index);
  return found == fakes::SystemInfo().systemMetrics.end() ? 0 : found->second;
}

bool QuerySessionText(std::uint32_t infoClass, std::u16string& text) {
  fakes::Record("QuerySessionText " + std::to_string(infoClass));
  const auto found = fakes::SystemInfo().sessionTexts.find(infoClass);
  if (found == fakes::SystemInfo().sessionTexts.end()) return false;
  text = found->second;
  return true;
}

}  // namespace platform
