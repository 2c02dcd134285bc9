#pragma once
#include <string>

#include "base/configure_action.h"
#include "platform/process.h"

// Whether the user asked for a custom installation; written only by the language dialog.
extern bool customInstallation;
// What ChooseLanguage hands to the language dialog: the installation's action and the module
// whose resources the dialog uses.
extern ConfigureAction languageDialogAction;
extern platform::InstanceHandle languageDialogInstance;

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

// Shows the modal language dialog (dialog 101, no owner window) with the resources of `instance`.
// Returns the chosen position of AvailableLanguages, or a negative value when the user cancelled
// or the dialog could not be shown.
int ShowLanguageDialog(platform::InstanceHandle instance);

// Back to the state at start: no custom installation, no action, no instance.
void ResetLanguageDialogForTesting();
