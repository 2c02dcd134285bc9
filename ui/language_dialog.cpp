#include "ui/language_dialog.h"

#include <utility>

#include "base/errors.h"
#include "base/installed_state.h"
#include "base/outcome.h"
#include "base/setup_log.h"
#include "i18n/language_packs.h"
#include "i18n/language_table.h"
#include "i18n/language_texts.h"
#include "installer/package_extraction.h"
#include "platform/process.h"
#include "platform/ui.h"
#include "report/help_links.h"

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
    LogEvent({u"Question: the language dialog; asked; cancelled"});
    EndRun(Outcome::LanguageDialogCancelled);
  }
  const AvailableLanguage& chosen = AvailableLanguages[static_cast<std::size_t>(dialogResult)];
  LogEvent({u"Question: the language dialog; asked; answer ", kLanguages[chosen.languageIndex].code, (customInstallation ? u", custom installation" : u"")});
  std::u16string packPath = ExtractLanguagePack(chosen.resourceName);
  return {kLanguages[chosen.languageIndex].code, std::move(packPath)};
}

LanguageDialogLayout ChooseLanguageDialogLayout(std::size_t packCount, ConfigureAction action) {
  LanguageDialogLayout layout;
  // With one pack there is nothing to choose: the list and its label go, and the heading and the
  // advice stand in their upper places.
  if (packCount >= 2) {
    layout.hidden = {kHeadingAloneId, kAdviceAloneId};
  } else {
    layout.hidden = {kHeadingWithListId, kAdviceWithListId, kLanguageListId, kLanguageLabelId};
  }
  layout.upgradeNotice = action == ActionUpgradeMajor9;
  return layout;
}

std::vector<ControlText> LanguageDialogTexts(const std::u16string& code, bool withNoticeText) {
  std::vector<ControlText> texts = {
      {kNextButtonId, std::u16string(LookupText(TextField::NextButton, code)) + u" >"},
      {kCustomInstallBoxId, LookupText(TextField::CustomInstallCheck, code)},
      {kHeadingWithListId, LookupText(TextField::WelcomeHeading, code)},
      {kHeadingAloneId, LookupText(TextField::WelcomeHeading, code)},
      {kAdviceWithListId, LookupText(TextField::CloseProgramsAdvice, code)},
      {kAdviceAloneId, LookupText(TextField::CloseProgramsAdvice, code)},
      {kLanguageLabelId, LookupText(TextField::LanguageLabel, code)},
      {kCaptionOfDialog, LookupText(TextField::WindowTitle, code)},
  };
  if (withNoticeText) texts.push_back({kNoticeTextId, LookupText(TextField::UpgradeNotice, code)});
  return texts;
}

CancelQuestion BuildCancelQuestion(const std::u16string& code, std::uint32_t installedMajor) {
  CancelQuestion question{LookupText(TextField::CancelQuestion, code), LookupText(TextField::WindowTitle, code)};
  if (installedMajor == 9) question.text += u"\n\n" + std::u16string(LookupText(TextField::CancelUpgradeHint, code));
  return question;
}

int ConfirmCancel(const std::u16string& code, platform::WindowHandle owner) {
  const CancelQuestion question = BuildCancelQuestion(code, installedMajorVersion);
  if (platform::ShowOwnedMessageBox(owner, question.text, question.caption,
                                    platform::kMbIconQuestion | platform::kMbYesNo) != platform::kIdYes) {
    return -1;
  }
  OpenUpgradeCancellationLink(/*withVersion=*/false, code);
  return 1;
}

bool ConfirmDialogCancel(platform::WindowHandle dialog) { return ConfirmCancel(MessageLanguage(), dialog) > 0; }

void ResetLanguageDialogForTesting() {
  customInstallation = false;
  languageDialogAction = ActionNone;
  languageDialogInstance = nullptr;
}
