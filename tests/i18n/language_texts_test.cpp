#include "i18n/language_table.h"
#include "base/text_format.h"
#include "i18n/language_texts.h"

#include <gtest/gtest.h>

#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr TextField kAllFields[] = {
    TextField::WindowTitle,
    TextField::LanguageLabel,
    TextField::NextButton,
    TextField::CustomInstallCheck,
    TextField::WelcomeHeading,
    TextField::CloseProgramsAdvice,
    TextField::ExistingVersionInstalled,
    TextField::ProductAlreadyInstalled,
    TextField::NewerVersionInstalled,
    TextField::RestartRequired,
    TextField::UpgradeNotice,
    TextField::CancelQuestion,
    TextField::CancelUpgradeHint,
};
static_assert(std::size(kAllFields) == kTextFieldCount);

// Fields the Danish row takes over from German, and those it has in Danish.
constexpr TextField kDanishFromGerman[] = {
    TextField::WindowTitle,    TextField::WelcomeHeading,    TextField::UpgradeNotice,
    TextField::CancelQuestion, TextField::CancelUpgradeHint,
};
constexpr TextField kDanishOwn[] = {
    TextField::LanguageLabel,
    TextField::NextButton,
    TextField::CustomInstallCheck,
    TextField::CloseProgramsAdvice,
    TextField::ExistingVersionInstalled,
    TextField::ProductAlreadyInstalled,
    TextField::NewerVersionInstalled,
    TextField::RestartRequired,
};

std::u16string Text(TextField field, const std::u16string& code) { return LookupText(field, code); }

// What a translation must keep from the English text: the "%s" placeholders and the
// line breaks, in their order. Any other "%" and a lone carriage return are recorded
// too, so that they show up as a difference.
std::string FormatSkeleton(const std::u16string& text) {
  std::string skeleton;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    const char16_t next = i + 1 < text.size() ? text[i + 1] : u'\0';
    if (unit == u'%') {
      skeleton += next == u's' ? "%s " : "% ";
      i += next == u's' ? 1 : 0;
    } else if (unit == u'\r') {
      skeleton += next == u'\n' ? "CRLF " : "CR ";
      i += next == u'\n' ? 1 : 0;
    } else if (unit == u'\n') {
      skeleton += "LF ";
    }
  }
  return skeleton;
}

std::string Narrow(const std::u16string& text) {
  std::string out;
  for (char16_t unit : text) {
    out += unit < 0x80 ? static_cast<char>(unit) : '?';
  }
  return out;
}

class LanguageTextsTest : public ::testing::Test {
 protected:
  void SetUp() override { BuildLanguageTexts(); }
};

TEST_F(LanguageTextsTest, EveryTranslationKeepsTheEnglishPlaceholdersAndLineBreaks) {
  for (TextField field : kAllFields) {
    const std::string english = FormatSkeleton(Text(field, u"en-US"));
    for (const LanguageEntry& language : kLanguages) {
      EXPECT_EQ(FormatSkeleton(Text(field, language.code)), english)
          << "language " << Narrow(language.code) << ", field " << static_cast<int>(field);
    }
  }
}

TEST_F(LanguageTextsTest, MessageFieldsTakeTheirNumberOfArguments) {
  struct Case {
    TextField field;
    std::string skeleton;
  };
  const Case cases[] = {
      {TextField::ExistingVersionInstalled, "%s %s %s %s CRLF CRLF %s "},
      {TextField::ProductAlreadyInstalled, "%s CRLF CRLF %s "},
      {TextField::NewerVersionInstalled, "%s %s %s "},
      {TextField::RestartRequired, "%s CRLF CRLF "},
      {TextField::CancelUpgradeHint, "LF "},
      {TextField::WelcomeHeading, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatSkeleton(Text(c.field, u"en-US")), c.skeleton) << "field " << static_cast<int>(c.field);
  }
}

TEST_F(LanguageTextsTest, EveryFieldHasATextForEveryLanguage) {
  for (const LanguageEntry& language : kLanguages) {
    for (TextField field : kAllFields) {
      EXPECT_FALSE(Text(field, language.code).empty())
          << "language " << Narrow(language.code) << ", field " << static_cast<int>(field);
    }
  }
}

TEST_F(LanguageTextsTest, TranslatedRowsDifferFromEnglish) {
  const std::u16string translated[] = {u"es-ES", u"fr-FR", u"it-IT", u"ja-JP", u"ko-KR", u"nl-NL",
                                       u"pl-PL", u"pt-BR", u"ru-RU", u"zh-CN", u"de-DE"};
  for (const std::u16string& code : translated) {
    for (TextField field : kAllFields) {
      EXPECT_NE(Text(field, code), Text(field, u"en-US"))
          << "language " << Narrow(code) << ", field " << static_cast<int>(field);
    }
  }
}

TEST_F(LanguageTextsTest, ProductNamesAppearWhereTheEnglishHasThem) {
  for (const LanguageEntry& language : kLanguages) {
    for (TextField field : kAllFields) {
      const std::u16string english = Text(field, u"en-US");
      const std::u16string text = Text(field, language.code);
      for (const std::u16string name : {u"Orvex Utilities 2011", u"Orvex Utilities 2010"}) {
        EXPECT_EQ(english.find(name) != std::u16string::npos, text.find(name) != std::u16string::npos)
            << "language " << Narrow(language.code) << ", field " << static_cast<int>(field) << ", name "
            << Narrow(name);
      }
      if (english.find(u"Orvex") != std::u16string::npos) {
        EXPECT_NE(text.find(u"Orvex"), std::u16string::npos)
            << "language " << Narrow(language.code) << ", field " << static_cast<int>(field);
      }
    }
  }
}

TEST_F(LanguageTextsTest, BritishAndAmericanEnglishAreIdentical) {
  for (TextField field : kAllFields) {
    EXPECT_EQ(Text(field, u"en-GB"), Text(field, u"en-US")) << static_cast<int>(field);
  }
}

TEST_F(LanguageTextsTest, DanishRowMixesDanishAndGermanTexts) {
  EXPECT_EQ(Text(TextField::LanguageLabel, u"da-DK"), u"Sprog:");
  EXPECT_EQ(Text(TextField::NextButton, u"da-DK"), u"Næste");
  EXPECT_EQ(Text(TextField::CancelQuestion, u"da-DK"),
            u"Sind Sie sicher, dass die Installation von Orvex Utilities 2011 abgebrochen "
            u"werden soll?");
  for (TextField field : kDanishFromGerman) {
    EXPECT_EQ(Text(field, u"da-DK"), Text(field, u"de-DE")) << static_cast<int>(field);
  }
  for (TextField field : kDanishOwn) {
    EXPECT_NE(Text(field, u"da-DK"), Text(field, u"de-DE")) << static_cast<int>(field);
    EXPECT_NE(Text(field, u"da-DK"), Text(field, u"en-US")) << static_cast<int>(field);
  }
}

TEST_F(LanguageTextsTest, ShortDialogTextsAreExact) {
  struct Case {
    const char16_t* code;
    TextField field;
    const char16_t* text;
  };
  const Case cases[] = {
      {u"ja-JP", TextField::WindowTitle, u"Orvex Utilities 2011\u3000\u30A4\u30F3\u30B9\u30C8\u30FC\u30EB"},
      {u"fr-FR", TextField::LanguageLabel, u"Langue :"},
      {u"zh-CN", TextField::LanguageLabel, u"\u8BED\u8A00\uFF1A"},
      {u"pl-PL", TextField::WindowTitle, u"Orvex Utilities 2011 \u2013 Instalacja"},
      {u"en-US", TextField::WindowTitle, u"Orvex Utilities 2011 Installation"},
      {u"de-DE", TextField::WindowTitle, u"Orvex Utilities 2011-Installation"},
      {u"de-DE", TextField::LanguageLabel, u"Sprache:"},
      {u"de-DE", TextField::NextButton, u"Weiter"},
      {u"de-DE", TextField::CustomInstallCheck, u"Benutzerdefiniert installieren"},
      {u"de-DE", TextField::ProductAlreadyInstalled,
       u"%s ist bereits installiert.\r\n\r\nMöchten Sie %s nun deinstallieren?"},
      {u"de-DE", TextField::UpgradeNotice,
       u"Ihre installierte Orvex Utilities Version wird automatisch deinstalliert."},
      {u"ru-RU", TextField::CustomInstallCheck,
       u"\u0423\u0441\u0442\u0430\u043D\u043E\u0432\u043A\u0430 \u043F\u043E "
       u"\u0432\u044B\u0431\u043E\u0440\u0443 \u043F\u043E\u043B\u044C\u0437\u043E"
       u"\u0432\u0430\u0442\u0435\u043B\u044F"},
      {u"es-ES", TextField::CustomInstallCheck, u"Instalar definido por el usuario"},
      {u"pt-BR", TextField::NextButton, u"Avan\u00E7ar"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Text(c.field, c.code), c.text)
        << "language " << Narrow(c.code) << ", field " << static_cast<int>(c.field);
  }
}

TEST_F(LanguageTextsTest, BuildingTwiceKeepsFourteenEntriesPerField) {
  const char16_t* before = LookupText(TextField::CancelQuestion, u"it-IT");
  BuildLanguageTexts();
  for (const LanguageTextMap& texts : LanguageTexts) {
    EXPECT_EQ(texts.size(), kLanguageCount);
  }
  EXPECT_EQ(LookupText(TextField::CancelQuestion, u"it-IT"), before);
}

TEST_F(LanguageTextsTest, EveryMapHoldsExactlyTheTableCodes) {
  std::set<std::u16string> codes;
  for (const LanguageEntry& language : kLanguages) {
    codes.insert(language.code);
  }
  for (const LanguageTextMap& texts : LanguageTexts) {
    std::set<std::u16string> keys;
    for (const auto& entry : texts) {
      keys.insert(entry.first);
    }
    EXPECT_EQ(keys, codes);
  }
}

TEST_F(LanguageTextsTest, UnknownCodesGiveAnEmptyText) {
  const std::u16string unknown[] = {u"xx-XX", u"", u"en-us", u"EN-US", u"en", u"de-DE "};
  for (const std::u16string& code : unknown) {
    const char16_t* text = LookupText(TextField::WindowTitle, code);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::u16string(text), u"") << Narrow(code);
  }
}

TEST_F(LanguageTextsTest, ExistingVersionMessageNamesBothVersionsInOrder) {
  const std::u16string message =
      FormatText(LookupText(TextField::ExistingVersionInstalled, u"en-US"),
                 {u"Orvex Utilities", u"9.0.100.5", u"Orvex Utilities", u"10.0.3000.101", u"Orvex Utilities"});
  const std::size_t firstSentenceEnd = message.find(u". ");
  ASSERT_NE(firstSentenceEnd, std::u16string::npos);
  const std::u16string first = message.substr(0, firstSentenceEnd);
  const std::u16string rest = message.substr(firstSentenceEnd + 2);
  const std::size_t secondSentenceEnd = rest.find(u".\r\n");
  ASSERT_NE(secondSentenceEnd, std::u16string::npos);
  const std::u16string second = rest.substr(0, secondSentenceEnd);

  EXPECT_EQ(first, u"Orvex Utilities version 9.0.100.5 is already installed");
  EXPECT_NE(second.find(u"10.0.3000.101"), std::u16string::npos);
  EXPECT_EQ(second.find(u"9.0.100.5"), std::u16string::npos);
  const std::u16string question = u"\r\n\r\nWould you like to uninstall the existing version of Orvex Utilities?";
  ASSERT_GE(message.size(), question.size());
  EXPECT_EQ(message.substr(message.size() - question.size()), question);
}

TEST(LanguageTableTest, CodesAreWellFormedAndUnique) {
  std::set<std::u16string> seen;
  for (const LanguageEntry& language : kLanguages) {
    const std::u16string code = language.code;
    ASSERT_EQ(code.size(), 5u) << Narrow(code);
    EXPECT_TRUE(code[0] >= u'a' && code[0] <= u'z') << Narrow(code);
    EXPECT_TRUE(code[1] >= u'a' && code[1] <= u'z') << Narrow(code);
    EXPECT_EQ(code[2], u'-') << Narrow(code);
    EXPECT_TRUE(code[3] >= u'A' && code[3] <= u'Z') << Narrow(code);
    EXPECT_TRUE(code[4] >= u'A' && code[4] <= u'Z') << Narrow(code);
    EXPECT_TRUE(seen.insert(code).second) << "duplicate " << Narrow(code);
    EXPECT_NE(language.displayName, nullptr);
    EXPECT_FALSE(std::u16string(language.displayName).empty()) << Narrow(code);
  }
}

// Every flag is a bitmap of its own, none the dialog's picture (202) or the notice icon (222).
TEST(LanguageTableTest, FlagBitmapsAreDistinct) {
  std::set<std::uint32_t> ids = {202, 222};
  for (const LanguageEntry& language : kLanguages) ids.insert(language.bitmapId);
  EXPECT_EQ(ids.size(), kLanguageCount + 2);
}

TEST(LanguageTableTest, RowsKeepTheirIndices) {
  struct Row {
    std::size_t index;
    const char16_t* code;
    const char16_t* displayName;
    std::uint32_t bitmapId;
  };
  const Row rows[] = {
      {0, u"da-DK", u"Dansk", 205},
      {1, u"de-DE", u"Deutsch", 207},
      {2, u"en-GB", u"English", 215},
      {3, u"en-US", u"English", 216},
      {4, u"es-ES", u"Espa\u00F1ol", 214},
      {5, u"fr-FR", u"Fran\u00E7ais", 206},
      {7, u"ja-JP", u"\u65E5\u672C\u8A9E", 209},
      {8, u"ko-KR", u"\uD55C\uAD6D\uC5B4", 210},
      {11, u"pt-BR", u"Portugu\u00EAs", 203},
      {12, u"ru-RU", u"\u0420\u0443\u0441\u0441\u043A\u0438\u0439", 213},
      {13, u"zh-CN", u"\u4E2D\u6587", 204},
  };
  for (const Row& row : rows) {
    const LanguageEntry& entry = kLanguages[row.index];
    EXPECT_EQ(std::u16string(entry.code), row.code) << row.index;
    EXPECT_EQ(std::u16string(entry.displayName), row.displayName) << row.index;
    EXPECT_EQ(entry.bitmapId, row.bitmapId) << row.index;
  }
}

}  // namespace
