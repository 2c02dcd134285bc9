#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/process.h"
#include "versions/configure_action.h"

// One language pack the program carries: its row of the language table and its resource name.
struct AvailableLanguage {
  std::size_t languageIndex = 0;
  std::u16string resourceName;
};

// The packs the program carries, in resource-name order; filled once by EnumerateLanguagePacks
// and never changed afterwards. A position in this list is what the language dialog shows and
// returns.
extern std::vector<AvailableLanguage> AvailableLanguages;
// Set by the first EnumerateLanguagePacks, also when it found nothing.
extern bool languagePacksScanned;

// Whether the user asked for a custom installation; written only by the language dialog.
extern bool customInstallation;
// What ChooseLanguage hands to the language dialog: the installation's action and the module
// whose resources the dialog uses.
extern ConfigureAction languageDialogAction;
extern platform::InstanceHandle languageDialogInstance;

// Scans the program's RCDATA resources named "QZLANGPACK_xx_YY" on the first call; later calls
// return at once.
void EnumerateLanguagePacks();

// The user's Windows interface language as "language-country" (for example "de-AT"), or "" when
// the system cannot name it.
std::u16string UserUiLanguageCode();

// The first position whose language code equals `code` over at most `n` characters (comparison
// stops early where both end), or -1.
std::int32_t FindAvailableLanguage(const std::u16string& code, std::size_t n);

// The user's own language and country, else the user's language in any country, else English,
// else German, else position 0. Never -1; it is 0 even when no pack is carried.
std::int32_t DefaultLanguagePosition();

struct LanguageChoice {
  std::u16string code;      // the chosen row's language code, e.g. "en-US"
  std::u16string packPath;  // the chosen pack, written to a temporary file
};

// Lets the user choose the language (and a custom installation) in the language dialog and
// writes the chosen pack to a temporary file. Does not return when no pack is carried (fatal
// error) or when the dialog is cancelled or cannot be shown (exit code 1).
LanguageChoice ChooseLanguage(platform::InstanceHandle instance, ConfigureAction action);

// The language dialog's result turned into the choice: a negative result (cancelled or failed)
// or one that names no position ends the process with exit code 1; a position's pack is written
// to a temporary file.
LanguageChoice AcceptLanguageDialogResult(int dialogResult);

// The interface language an installed earlier version recorded ("UILanguage" under
// "Software\Orvex\Utilities\<major>.0", the machine's first, then the user's), returned as
// stored; "de-DE" when there is none or no earlier version is installed.
std::u16string PreviousUiLanguage();

// The localized message boxes shown before the language dialog, in the default language (in
// English when no pack is carried). They return the box's answer, IDYES (6) when none is shown.
int ShowRestartRequiredMessage();
// Kind 0: a newer version is installed; 1: an older version must be removed first; 2: this
// version is already installed. Other kinds show nothing.
int ShowInstalledProductMessage(const std::u16string& productCode, int kind);

// Back to the state at start: no packs, not scanned, no custom installation.
void ResetLanguagePacksForTesting();
