#pragma once

#include <cstddef>
#include <map>
#include <string>

// The setup's own interface texts, one per language and field.
enum class TextField {
  WindowTitle,
  LanguageLabel,
  NextButton,
  CustomInstallCheck,
  WelcomeHeading,
  CloseProgramsAdvice,
  ExistingVersionInstalled,
  ProductAlreadyInstalled,
  NewerVersionInstalled,
  RestartRequired,
  UpgradeNotice,
  CancelQuestion,
  CancelUpgradeHint,
};

inline constexpr std::size_t kTextFieldCount = 13;

// One ordered map per field (indexed by the field's value), language code -> text.
// The texts are string constants: the maps only point at them, nothing is copied or freed.
using LanguageTextMap = std::map<std::u16string, const char16_t*>;
extern LanguageTextMap LanguageTexts[kTextFieldCount];

// Fills every map for all 14 languages. Entries are assigned by key, so a repeated call
// leaves the maps as they are; every operation that reads texts calls it first.
void BuildLanguageTexts();

// The text of `field` for the language `code`, or u"" when the maps hold no entry for it.
const char16_t* LookupText(TextField field, const std::u16string& code);
