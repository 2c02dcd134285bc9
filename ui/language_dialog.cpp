#include "ui/language_dialog.h"

#include <utility>

#include "base/errors.h"
#include "i18n/language_packs.h"
#include "i18n/language_table.h"
#include "i18n/language_texts.h"
#include "installer/package_extraction.h"
#include "platform/process.h"

bool customInstallation = false;
ConfigureAction languageDialogAction = ActionNone;
platform::InstanceHandle languageDialogInstance = nullptr;

LanguageChoice ChooseLanguage(platform::InstanceHandle instance, ConfigureAction action) {
  languageDialogAction = action;
  BuildLanguageTexts();
  EnumerateLanguagePacks();
  if (AvailableLanguages.empty()) ReportFatalError(kEFail, u"No language pack found");
  languageDialogInstance = instance;
  return AcceptLanguageDialogResult(ShowLanguageDialog(instance));
}

LanguageChoice AcceptLanguageDialogResult(int dialogResult) {
  if (dialogResult < 0 || static_cast<std::size_t>(dialogResult) >= AvailableLanguages.size()) {
    platform::EndProcess(1);
  }
  const AvailableLanguage& chosen = AvailableLanguages[static_cast<std::size_t>(dialogResult)];
  std::u16string packPath = ExtractLanguagePack(chosen.resourceName);
  return {kLanguages[chosen.languageIndex].code, std::move(packPath)};
}

int ShowLanguageDialog(platform::InstanceHandle) {
  // Placeholder until the language dialog lands: the default language is taken.
  return DefaultLanguagePosition();
}

void ResetLanguageDialogForTesting() {
  customInstallation = false;
  languageDialogAction = ActionNone;
  languageDialogInstance = nullptr;
}
