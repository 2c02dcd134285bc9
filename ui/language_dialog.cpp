#include "ui/language_dialog.h"

#include "i18n/language_packs.h"

int ShowLanguageDialog(platform::InstanceHandle) {
  // Placeholder until the language dialog lands: the default language is taken.
  return DefaultLanguagePosition();
}
