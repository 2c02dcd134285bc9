// Stands in for the language dialog's window, which only the Windows build has.
#include "i18n/language_packs.h"
#include "tests/fakes/ui.h"
#include "tests/fakes/world.h"
#include "ui/language_dialog.h"

int ShowLanguageDialog(platform::InstanceHandle) {
  fakes::Record("ShowLanguageDialog");
  return fakes::Ui().languageDialogResult.value_or(DefaultLanguagePosition());
}
