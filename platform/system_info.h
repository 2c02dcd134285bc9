#pragma once
#include <cstdint>
#include <string>

namespace platform {

// FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM) for a message
// number, language 0. The text is returned exactly as the system gives it.
[[nodiscard]] bool FormatSystemMessage(std::uint32_t number, std::u16string& text);

[[nodiscard]] std::uint16_t UserDefaultUiLanguage();
[[nodiscard]] std::uint32_t UserDefaultLcid();
[[nodiscard]] std::uint32_t SystemDefaultLcid();

inline constexpr std::uint32_t kLocaleIsoLanguageName = 0x59;
inline constexpr std::uint32_t kLocaleIsoCountryName = 0x5A;
// GetLocaleInfoW into a buffer of `capacity` characters.
[[nodiscard]] bool GetLocaleString(std::uint32_t lcid, std::uint32_t type, std::uint32_t capacity,
                                   std::u16string& text);

// What GetVersionExW reports in the extended version record; every field is 0 when the call
// fails (`queried` is then false).
struct VersionFacts {
  bool queried = false;
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint32_t build = 0;
  std::uint16_t servicePackMajor = 0;
  std::uint16_t servicePackMinor = 0;
  std::uint16_t suiteMask = 0;
  std::uint8_t productType = 0;
};
[[nodiscard]] VersionFacts QueryVersionFacts();

// Functions that older systems lack, looked up by name at run time. Each returns false when the
// function is missing or its call fails.
[[nodiscard]] bool QueryUserGeoId(std::uint32_t geoClass, std::int32_t& geoId);
[[nodiscard]] bool QueryGeoInfo(std::int32_t geoId, std::uint32_t geoType, std::uint32_t capacity,
                                std::u16string& text);
[[nodiscard]] bool QueryIsWow64Process(bool& wow64);
[[nodiscard]] bool QueryProductInfo(std::uint32_t major, std::uint32_t minor, std::uint32_t spMajor,
                                    std::uint32_t spMinor, std::uint32_t& productType);

[[nodiscard]] int SystemMetric(int index);

inline constexpr std::uint32_t kSessionUserName = 5;    // WTSUserName
inline constexpr std::uint32_t kSessionDomainName = 7;  // WTSDomainName
// WTSQuerySessionInformationW for the current session on the local server: the text up to its
// terminator. False when the query fails or wtsapi32.dll cannot be loaded from the system folder.
[[nodiscard]] bool QuerySessionText(std::uint32_t infoClass, std::u16string& text);

}  // namespace platform
