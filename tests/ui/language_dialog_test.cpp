#include "ui/language_dialog.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <vector>

#include "base/installed_state.h"
#include "i18n/language_packs.h"
#include "platform/ui.h"
#include "tests/fakes/shell.h"
#include "tests/fakes/files.h"
#include "tests/fakes/resources.h"
#include "tests/fakes/system_info.h"
#include "tests/fakes/ui.h"
#include "tests/fakes/world.h"

namespace {

class LanguageDialogTest : public WorldTest {};

TEST_F(LanguageDialogTest, ChooseLanguageWithoutPacksIsFatal) {
  fakes::AddRcdata(u"MSI");
  EXPECT_EQ(ExitCodeOf([] { ChooseLanguage(nullptr, ActionFreshInstall); }), 16389);
  ASSERT_EQ(fakes::Ui().boxes.size(), 1u);
  EXPECT_EQ(fakes::Ui().boxes[0].text.rfind(u"No language pack found", 0), 0u);
  EXPECT_EQ(fakes::Ui().boxes[0].style, platform::kMbIconError);
  EXPECT_TRUE(fakes::CallsStartingWith("LoadRcdataResource").empty());
}

TEST_F(LanguageDialogTest, ADialogResultThatIsNoPositionEndsWithOne) {
  for (const char16_t* name : {u"QZLANGPACK_DE_DE", u"QZLANGPACK_EN_US"}) fakes::AddRcdata(name);
  EnumerateLanguagePacks();
  for (int result : {-1, -2, 2}) {
    fakes::Calls().clear();
    EXPECT_EQ(ExitCodeOf([&] { AcceptLanguageDialogResult(result); }), 1) << result;
    EXPECT_TRUE(fakes::Ui().boxes.empty());
    EXPECT_TRUE(fakes::CallsStartingWith("LoadRcdataResource").empty());
  }
}

TEST_F(LanguageDialogTest, ChooseLanguageWritesTheChosenPackAndReturnsItsCode) {
  fakes::SystemInfo().uiLanguage = 0x0407;
  fakes::AddLocale(0x0407, u"de", u"DE");
  fakes::AddRcdata(u"MSI");
  fakes::AddRcdata(u"QZLANGPACK_DA_DK", {'d', 'a'});
  fakes::AddRcdata(u"QZLANGPACK_DE_DE", {'d', 'e'});
  fakes::AddRcdata(u"QZLANGPACK_EN_US", {'e', 'n'});
  int marker = 0;
  // The user picks English (position 2) in the list of a German user's dialog.
  fakes::Ui().languageDialogResult = 2;
  const LanguageChoice choice = ChooseLanguage(&marker, ActionUpgradeMajor9);
  EXPECT_EQ(fakes::CallsStartingWith("ShowLanguageDialog").size(), 1u);
  EXPECT_EQ(choice.code, u"en-US");
  ASSERT_EQ(fakes::Files().files.count(choice.packPath), 1u) << fakes::Utf8(choice.packPath);
  EXPECT_EQ(fakes::Files().files.at(choice.packPath), (std::vector<std::uint8_t>{'e', 'n'}));
  EXPECT_EQ(choice.packPath.rfind(fakes::kTempFolder, 0), 0u);
  EXPECT_EQ(languageDialogAction, ActionUpgradeMajor9);
  EXPECT_EQ(languageDialogInstance, &marker);

  const LanguageChoice other = AcceptLanguageDialogResult(1);
  EXPECT_EQ(other.code, u"de-DE");
  EXPECT_NE(other.packPath, choice.packPath);
  EXPECT_EQ(fakes::Files().files.at(other.packPath), (std::vector<std::uint8_t>{'d', 'e'}));
}

// Which controls the dialog hides for the number of packs, and when it shows the upgrade notice;
// which control gets which text in a language.
TEST(LanguageDialogLogicTest, LayoutAndTextsOfTheDialog) {
  const std::vector<int> withList = {kHeadingAloneId, kAdviceAloneId};
  const std::vector<int> withoutList = {kHeadingWithListId, kAdviceWithListId, kLanguageListId, kLanguageLabelId};
  struct LayoutCase {
    std::size_t packs;
    ConfigureAction action;
    std::vector<int> hidden;
    bool notice;
  };
  for (const LayoutCase& c : {LayoutCase{1, ActionFreshInstall, withoutList, false},
                              LayoutCase{2, ActionFreshInstall, withList, false},
                              LayoutCase{kLanguageCount, ActionReplaceOlder, withList, false},
                              LayoutCase{kLanguageCount, ActionUpgradeMajor9, withList, true},
                              LayoutCase{1, ActionUpgradeMajor9, withoutList, true}}) {
    const LanguageDialogLayout layout = ChooseLanguageDialogLayout(c.packs, c.action);
    EXPECT_EQ(layout.hidden, c.hidden) << c.packs << " packs, action " << c.action;
    EXPECT_EQ(layout.upgradeNotice, c.notice) << c.packs << " packs, action " << c.action;
  }

  BuildLanguageTexts();
  const auto textsOf = [](const std::u16string& code, bool notice) {
    std::map<int, std::u16string> texts;
    for (const ControlText& text : LanguageDialogTexts(code, notice)) texts[text.control] = text.text;
    return texts;
  };
  const std::u16string englishHeading = u"Welcome to the installation of Orvex Utilities 2011";
  const std::u16string englishAdvice = u"Before installation, we recommend that you save all files and close all programs.";
  EXPECT_EQ(textsOf(u"en-US", false), (std::map<int, std::u16string>{
                                          {kCaptionOfDialog, u"Orvex Utilities 2011 Installation"},
                                          {kNextButtonId, u"Next >"},
                                          {kCustomInstallBoxId, u"Custom installation"},
                                          {kHeadingWithListId, englishHeading},
                                          {kAdviceWithListId, englishAdvice},
                                          {kHeadingAloneId, englishHeading},
                                          {kAdviceAloneId, englishAdvice},
                                          {kLanguageLabelId, u"Language:"}}));
  const std::map<int, std::u16string> german = textsOf(u"de-DE", true);
  EXPECT_EQ(german.at(kCaptionOfDialog), u"Orvex Utilities 2011-Installation");
  EXPECT_EQ(german.at(kNextButtonId), u"Weiter >");
  EXPECT_EQ(german.at(kNoticeTextId), u"Ihre installierte Orvex Utilities Version wird automatisch deinstalliert.");
  // The Danish row names the dialog in German but labels the list in Danish.
  const std::map<int, std::u16string> danish = textsOf(u"da-DK", false);
  EXPECT_EQ(danish.at(kCaptionOfDialog), u"Orvex Utilities 2011-Installation");
  EXPECT_EQ(danish.at(kLanguageLabelId), u"Sprog:");
  EXPECT_EQ(danish.at(kNextButtonId), u"Næste >");
}

// Escape or the close box: the question in the user's default language, with the hint only over
// an installed 9.x; Yes opens the cancellation page where the installed version calls for it.
TEST_F(LanguageDialogTest, CancelQuestionByDefaultLanguageAndInstalledVersion) {
  const std::u16string english = u"Are you sure you want to cancel the installation of Orvex Utilities 2011?";
  const std::u16string german =
      u"Sind Sie sicher, dass die Installation von Orvex Utilities 2011 abgebrochen werden soll?\n\n"
      u"Sie können später wieder problemlos zu Orvex Utilities 2010 zurückkehren, indem Sie es erneut installieren.\n"
      u"Orvex Utilities 2011 enthält alle Funktionen der Vorversion und darüber hinaus bahnbrechende neue Funktionen.";
  const std::u16string englishWithHint = english +
      u"\n\nYou can easily return to your current version of Orvex Utilities 2010 at a later stage by reinstalling it.\n"
      u"Orvex Utilities 2011 includes all functions of the previous version with additional brand new functions.";
  struct Case {
    std::uint16_t uiLanguage;
    std::uint32_t installedMajor;
    int answer;
    std::u16string text;
    std::u16string caption;
    bool confirmed;
    bool pageOpened;
  };
  const Case cases[] = {
      {0x0409, 0, platform::kIdNo, english, u"Orvex Utilities 2011 Installation", false, false},
      {0x0409, 8, platform::kIdYes, english, u"Orvex Utilities 2011 Installation", true, false},
      {0x0409, 9, platform::kIdYes, englishWithHint, u"Orvex Utilities 2011 Installation", true, true},
      {0x0407, 9, platform::kIdYes, german, u"Orvex Utilities 2011-Installation", true, true},
      {0x0407, 9, platform::kIdNo, german, u"Orvex Utilities 2011-Installation", false, false},
      {0x0409, 10, platform::kIdYes, english, u"Orvex Utilities 2011 Installation", true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "language " << c.uiLanguage << ", major " << c.installedMajor);
    fakes::ResetWorld();
    fakes::SystemInfo().uiLanguage = c.uiLanguage;
    fakes::AddLocale(0x0407, u"de", u"DE");
    fakes::AddLocale(0x0409, u"en", u"US");
    for (const char16_t* name : {u"QZLANGPACK_DE_DE", u"QZLANGPACK_EN_US"}) fakes::AddRcdata(name);
    installedMajorVersion = c.installedMajor;
    fakes::Ui().answers = {c.answer};
    int dialog = 0;

    EXPECT_EQ(ConfirmDialogCancel(&dialog), c.confirmed);
    ASSERT_EQ(fakes::Ui().boxes.size(), 1u);
    EXPECT_EQ(fakes::Ui().boxes[0].text, c.text);
    EXPECT_EQ(fakes::Ui().boxes[0].caption, c.caption);
    EXPECT_EQ(fakes::Ui().boxes[0].style, platform::kMbIconQuestion | platform::kMbYesNo);
    EXPECT_EQ(fakes::Ui().boxes[0].owner, &dialog);
    ASSERT_EQ(fakes::Shell().opened.size(), c.pageOpened ? 1u : 0u);
    if (c.pageOpened) {
      const std::u16string& url = fakes::Shell().opened[0].file;
      EXPECT_NE(url.find(u"/link/?target=cancelationduringupgrade&qz_"), std::u16string::npos) << fakes::Utf8(url);
      EXPECT_NE(url.find(c.uiLanguage == 0x0407 ? u"&qz_lang=de-DE&" : u"&qz_lang=en-US&"), std::u16string::npos);
    }
  }
}

}  // namespace
