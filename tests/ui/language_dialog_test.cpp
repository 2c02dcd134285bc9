#include "ui/language_dialog.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "i18n/language_packs.h"
#include "platform/ui.h"
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
  // Until the dialog lands the default language is taken: German for this user.
  const LanguageChoice choice = ChooseLanguage(&marker, ActionUpgradeMajor9);
  EXPECT_EQ(choice.code, u"de-DE");
  ASSERT_EQ(fakes::Files().files.count(choice.packPath), 1u) << fakes::Utf8(choice.packPath);
  EXPECT_EQ(fakes::Files().files.at(choice.packPath), (std::vector<std::uint8_t>{'d', 'e'}));
  EXPECT_EQ(choice.packPath.rfind(fakes::kTempFolder, 0), 0u);
  EXPECT_EQ(languageDialogAction, ActionUpgradeMajor9);
  EXPECT_EQ(languageDialogInstance, &marker);

  const LanguageChoice other = AcceptLanguageDialogResult(2);
  EXPECT_EQ(other.code, u"en-US");
  EXPECT_NE(other.packPath, choice.packPath);
  EXPECT_EQ(fakes::Files().files.at(other.packPath), (std::vector<std::uint8_t>{'e', 'n'}));
}

}  // namespace
