#include "i18n/language_packs.h"

std::vector<AvailableLanguage> AvailableLanguages;

void EnumerateLanguagePacks() {
  // Placeholder until language-pack discovery lands: no pack is carried.
}

int ShowRestartRequiredMessage() {
  // Placeholder until the localized messages land: the restart is declined.
  return 7;
}

int ShowInstalledProductMessage(const std::u16string&, int) {
  // Placeholder until the localized messages land: answered as if no box were needed.
  return 6;
}
