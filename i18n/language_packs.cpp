#include "i18n/language_packs.h"

#include <string_view>

#include "base/installed_state.h"
#include "base/product.h"
#include "base/text_format.h"
#include "i18n/language_table.h"
#include "i18n/language_texts.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system_info.h"
#include "platform/ui.h"

std::vector<AvailableLanguage> AvailableLanguages;
bool languagePacksScanned = false;

namespace {

constexpr std::u16string_view kPackPrefix = u"QZLANGPACK_";
constexpr std::size_t kPackNameLength = 16;
constexpr std::uint32_t kLocaleNameCapacity = 16;
constexpr std::uint32_t kUiLanguageBytes = 260;
constexpr char16_t kPreviousLanguageFallback[] = u"de-DE";
constexpr char16_t kMessageLanguageWithoutPacks[] = u"en-US";
constexpr char16_t kUiLanguageValue[] = u"UILanguage";

char16_t LowerAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

// The language code a pack's resource name stands for, or "" when the name is no pack name.
std::u16string PackCode(const std::u16string& name) {
  if (name.size() != kPackNameLength || std::u16string_view(name).substr(0, kPackPrefix.size()) != kPackPrefix) {
    return {};
  }
  return {LowerAscii(name[11]), LowerAscii(name[12]), u'-', name[14], name[15]};
}

// wcsncmp semantics: equal over at most n units, stopping where both texts end.
bool EqualUpTo(const char16_t* left, const char16_t* right, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    if (left[i] != right[i]) return false;
    if (left[i] == u'\0') return true;
  }
  return true;
}

// "UILanguage" of the key under one hive; "" when the key or value is missing, unreadable or empty.
std::u16string ReadUiLanguage(platform::RegistryRoot root, const std::u16string& keyPath) {
  platform::RegistryKey key;
  if (platform::OpenRegistryKey(root, keyPath, platform::kKeyRead, key) != platform::kErrorSuccess) return {};
  std::uint8_t buffer[kUiLanguageBytes] = {};
  std::uint32_t size = sizeof buffer;
  if (platform::QueryRegistryValue(key, kUiLanguageValue, nullptr, buffer, &size) != platform::kErrorSuccess) {
    return {};
  }
  return platform::RegistryText(buffer, size);
}

}  // namespace

// The language of the messages shown before the dialog: the default position's, or English when
// no pack is carried (position 0 does not exist then).
std::u16string MessageLanguage() {
  BuildLanguageTexts();
  EnumerateLanguagePacks();
  if (AvailableLanguages.empty()) return kMessageLanguageWithoutPacks;
  const auto position = static_cast<std::size_t>(DefaultLanguagePosition());
  return kLanguages[AvailableLanguages[position].languageIndex].code;
}

int ShowLocalizedMessage(const std::u16string& language, TextField field, const std::vector<std::u16string>& args,
                         std::uint32_t style) {
  return platform::ShowMessageBox(FormatText(LookupText(field, language), args), kProductName, style);
}


void EnumerateLanguagePacks() {
  if (languagePacksScanned) return;
  for (const platform::ResourceName& resource : platform::EnumerateRcdataNames()) {
    if (resource.isIntegerId) continue;
    const std::u16string code = PackCode(resource.name);
    if (code.empty()) continue;
    for (std::size_t index = 0; index < kLanguageCount; ++index) {
      if (code == kLanguages[index].code) {
        AvailableLanguages.push_back({index, resource.name});
        break;
      }
    }
  }
  languagePacksScanned = true;
}

std::u16string UserUiLanguageCode() {
  const std::uint32_t locale = platform::UserDefaultUiLanguage();
  std::u16string language;
  if (!platform::GetLocaleString(locale, platform::kLocaleIsoLanguageName, kLocaleNameCapacity, language)) return {};
  std::u16string country;
  if (!platform::GetLocaleString(locale, platform::kLocaleIsoCountryName, kLocaleNameCapacity, country)) return {};
  return language + u"-" + country;
}

std::int32_t FindAvailableLanguage(const std::u16string& code, std::size_t n) {
  for (std::size_t position = 0; position < AvailableLanguages.size(); ++position) {
    if (EqualUpTo(kLanguages[AvailableLanguages[position].languageIndex].code, code.c_str(), n)) {
      return static_cast<std::int32_t>(position);
    }
  }
  return -1;
}

std::int32_t DefaultLanguagePosition() {
  const std::u16string user = UserUiLanguageCode();
  std::int32_t position = FindAvailableLanguage(user, 5);
  if (position == -1) position = FindAvailableLanguage(user, 2);
  if (position == -1) position = FindAvailableLanguage(u"en", 2);
  if (position == -1) position = FindAvailableLanguage(u"de", 2);
  return position == -1 ? 0 : position;
}

bool IsLanguageCodeForm(const std::u16string& text) {
  const auto lower = [](char16_t unit) { return unit >= u'a' && unit <= u'z'; };
  const auto upper = [](char16_t unit) { return unit >= u'A' && unit <= u'Z'; };
  return text.size() == 5 && lower(text[0]) && lower(text[1]) && text[2] == u'-' && upper(text[3]) && upper(text[4]);
}

std::u16string PreviousUiLanguage() {
  if (installedMajorVersion == 0) return kPreviousLanguageFallback;
  const std::u16string keyPath =
      u"Software\\Orvex\\Utilities\\" + UnsignedDecimal(installedMajorVersion) + u".0";
  for (platform::RegistryRoot root : {platform::RegistryRoot::LocalMachine, platform::RegistryRoot::CurrentUser}) {
    std::u16string language = ReadUiLanguage(root, keyPath);
    if (!language.empty()) return language;
  }
  return kPreviousLanguageFallback;
}

int ShowRestartRequiredMessage() {
  const std::u16string language = MessageLanguage();
  return ShowLocalizedMessage(language, TextField::RestartRequired, {kProductName},
                              platform::kMbIconWarning | platform::kMbYesNo);
}

void ResetLanguagePacksForTesting() {
  AvailableLanguages.clear();
  languagePacksScanned = false;
}
