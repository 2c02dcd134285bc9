#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/configure_action.h"
#include "platform/process.h"
#include "platform/ui.h"

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
// or the dialog could not be shown. The window exists only in the Windows build; the host tests
// link a scripted stand-in.
int ShowLanguageDialog(platform::InstanceHandle instance);

// Dialog 101 and the ids of its controls.
inline constexpr int kLanguageDialogId = 101;
enum LanguageDialogControl : int {
  kCaptionOfDialog = 0,  // not a control: the dialog's own caption
  kNextButtonId = 1,
  kCancelCommandId = 2,  // Escape and the close box
  kLanguageListId = 1003,
  kCustomInstallBoxId = 1004,
  kHeadingWithListId = 1005,
  kAdviceWithListId = 1006,
  kHeadingAloneId = 1007,
  kAdviceAloneId = 1008,
  kLanguageLabelId = 1009,
  kUpgradePanelId = 1012,
  kNoticeIconId = 1013,
  kNoticeTextId = 1014,
};

// What the dialog looks like for a number of carried packs and an installation's action: the
// controls hidden at the start, and whether the upgrade notice panel is shown (its icon and text
// holder then move into it).
struct LanguageDialogLayout {
  std::vector<int> hidden;
  bool upgradeNotice = false;
};
LanguageDialogLayout ChooseLanguageDialogLayout(std::size_t packCount, ConfigureAction action);

// The texts of the dialog in the language `code`, hidden controls included; the notice text only
// where the panel holds it. kCaptionOfDialog stands for the dialog's caption.
struct ControlText {
  int control = 0;
  std::u16string text;
};
std::vector<ControlText> LanguageDialogTexts(const std::u16string& code, bool withNoticeText);

// The cancel question in the language `code`: the question, followed after an empty line by the
// hint that the earlier version can be installed again when the installed major version is 9.
struct CancelQuestion {
  std::u16string text;
  std::u16string caption;
};
CancelQuestion BuildCancelQuestion(const std::u16string& code, std::uint32_t installedMajor);

// Asks the cancel question in the language `code` in a Yes/No box owned by the dialog. Yes opens
// the cancellation-during-upgrade page (where the installed version calls for it) and returns 1;
// No returns -1 and changes nothing.
int ConfirmCancel(const std::u16string& code, platform::WindowHandle owner);

// Escape or the close box in the dialog: the cancel question in the language detected at the
// start (the default position's), whatever the list shows now. True when the user confirmed it.
bool ConfirmDialogCancel(platform::WindowHandle dialog);

// Back to the state at start: no custom installation, no action, no instance.
void ResetLanguageDialogForTesting();
