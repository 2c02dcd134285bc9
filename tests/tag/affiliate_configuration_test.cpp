#include "tag/affiliate_configuration.h"

#include <gtest/gtest.h>

#include "tag/tag_format.h"
#include "tests/fakes/file_mapping.h"
#include "tests/fakes/ui.h"
#include "tests/fakes/world.h"
#include "tests/fakes/signed_image.h"
#include "tests/tag/temp_file.h"

namespace {

constexpr char16_t kDefault[] = u"AFFILIATEID=qzv2011aid30017xx-XX AFFILIATEIDFLAGS=#0";

class AffiliateConfigurationTest : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    fakes::FileMapping().otherFiles.reset();
    ResetAffiliatePropertiesForTesting();
  }
  void TearDown() override {
    EXPECT_EQ(fakes::OpenMappingObjects(), 0u);
    ResetAffiliatePropertiesForTesting();
  }

  tagtest::TempFile file_;
};

TEST(AffiliatePropertiesFromTagTest, ConvertsTheTagTextIntoInstallerProperties) {
  struct Case {
    std::string text;  // the tag bytes; the count passed is its size plus the terminator
    std::u16string properties;
  };
  const std::vector<Case> cases = {
      {"AFFILIATEID=qzv2011aid31051en-US&AFFILIATEIDFLAGS=.0", u"AFFILIATEID=qzv2011aid31051en-US AFFILIATEIDFLAGS=#0"},
      {"A=1&&B=2", u"A=1  B=2"},
      {"&A=1&", u" A=1 "},
      {"V=1.5", u"V=1#5"},
      {"...", u"###"},
      {"#% +=", u"#% +="},
      {"N=\xE9t\xE9", u"N=\xFFE9t\xFFE9"},
      {"\x7F\x80\xFF", u"\x007F\xFF80\xFFFF"},
      {std::string("A=1\0B=2", 7), u"A=1"},
      {std::string("\0A=1", 4), u""},
      {"", u""},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> buffer(c.text.begin(), c.text.end());
    buffer.push_back(0);
    EXPECT_EQ(AffiliatePropertiesFromTag(buffer.data(), static_cast<std::int32_t>(buffer.size())), c.properties)
        << c.text;
  }
}

TEST(TagTextFormTest, OnlyAllowedPropertiesWithPlainValuesMayReachTheCommandLine) {
  using tagging::TagTextFault;
  struct Case {
    std::string text;
    TagTextFault fault;
    std::size_t pieceNumber;  // of the refused piece
  };
  const std::string longest(64, 'v');
  const std::vector<Case> cases = {
      {"AFFILIATEID=qzv2011aid31051en-US&AFFILIATEIDFLAGS=.0", TagTextFault::None, 0},
      {"", TagTextFault::None, 0},
      {"&AFFILIATEID=a_b-C.9&&", TagTextFault::None, 0},
      {"AFFILIATEID=" + longest, TagTextFault::None, 0},
      {std::string("AFFILIATEID=1\0 \"", 16), TagTextFault::None, 0},  // the setup stops reading at the zero byte
      {"AFFILIATEID=x&INSTALLDIR=C:\\ProgramData\\evil\\", TagTextFault::NameNotAllowed, 2},
      {"PATCH=x", TagTextFault::NameNotAllowed, 1},
      {"TRANSFORMS=x", TagTextFault::NameNotAllowed, 1},
      {"affiliateid=x", TagTextFault::NameNotAllowed, 1},
      {"AFFILIATEID=x&AFFILIATEID=y", TagTextFault::NameTwice, 2},
      {"AFFILIATEIDFLAGS=", TagTextFault::EmptyValue, 1},
      {"AFFILIATEID=x&AFFILIATEIDFLAGS=&", TagTextFault::EmptyValue, 2},
      {"AFFILIATEID=" + longest + "v", TagTextFault::ValueTooLong, 1},
      {"AFFILIATEID=hello world", TagTextFault::ValueCharacter, 1},
      {"AFFILIATEID=\"x\"", TagTextFault::ValueCharacter, 1},
      {"AFFILIATEID=a=b", TagTextFault::ValueCharacter, 1},
      {"AFFILIATEID=x;y", TagTextFault::ValueCharacter, 1},
      {"AFFILIATEID=\xE9", TagTextFault::ValueCharacter, 1},
      {"AFFILIATEID=1\r\n", TagTextFault::ValueCharacter, 1},
      {"AFFILIATEID", TagTextFault::NotNameValue, 1},
      {"=1", TagTextFault::NotNameValue, 1},
  };
  for (const Case& c : cases) {
    const tagging::TagTextCheck check = tagging::CheckTagText(c.text);
    EXPECT_EQ(check.fault, c.fault) << c.text;
    EXPECT_EQ(tagging::IsWellFormedTagText(c.text), c.fault == TagTextFault::None) << c.text;
    if (c.fault != TagTextFault::None) {
      EXPECT_EQ(check.pieceNumber, c.pieceNumber) << c.text;
    }
  }
  // A release may allow more properties; the list is part of the signed program.
  const char* const wider[] = {"AFFILIATEID", "CHANNEL"};
  EXPECT_EQ(tagging::CheckTagText("AFFILIATEID=x&CHANNEL=y", wider).fault, TagTextFault::None);
  EXPECT_EQ(tagging::CheckTagText("AFFILIATEIDFLAGS=x", wider).fault, TagTextFault::NameNotAllowed);
}

TEST(AffiliatePropertiesFromTagTest, StopsAfterCountBytesWithoutATerminator) {
  const std::uint8_t text[] = {'A', '=', '1', '&', 'B'};
  EXPECT_EQ(AffiliatePropertiesFromTag(text, 3), u"A=1");
  EXPECT_EQ(AffiliatePropertiesFromTag(text, 5), u"A=1 B");
  EXPECT_EQ(AffiliatePropertiesFromTag(text, 0), u"");
}

TEST_F(AffiliateConfigurationTest, TheDefaultHoldsUntilATagIsRead) {
  EXPECT_EQ(affiliateProperties, kDefault);
  EXPECT_EQ(affiliateProperties.size(), 52u);
}

TEST_F(AffiliateConfigurationTest, TheTagTextReplacesTheDefaultWithoutAWarning) {
  const std::string text = "AFFILIATEID=qzv2011aid31051en-US&AFFILIATEIDFLAGS=.0";
  ASSERT_EQ(text.size(), 52u);
  file_.Write(fakes::TaggedImage(text));
  LoadAffiliateConfiguration(file_.widePath());
  EXPECT_EQ(affiliateProperties, u"AFFILIATEID=qzv2011aid31051en-US AFFILIATEIDFLAGS=#0");
  EXPECT_TRUE(fakes::Ui().boxes.empty());
  // The path is used as given, and the file is released when done.
  ASSERT_FALSE(fakes::Calls().empty());
  EXPECT_EQ(fakes::Calls().front(), "OpenFileForReading " + file_.path().string());
  EXPECT_EQ(fakes::Calls().back(), "CloseHandle file");
}

TEST_F(AffiliateConfigurationTest, AnEmptyTagLeavesNoPropertiesAndAZeroByteEndsTheText) {
  file_.Write(fakes::TaggedImage(""));
  LoadAffiliateConfiguration(file_.widePath());
  EXPECT_EQ(affiliateProperties, u"");

  file_.Write(fakes::TaggedImage(std::string("AFFILIATEID=1.5&&AFFILIATEIDFLAGS=2\0C=\xE9", 39)));
  LoadAffiliateConfiguration(file_.widePath());
  EXPECT_EQ(affiliateProperties, u"AFFILIATEID=1#5  AFFILIATEIDFLAGS=2");
  EXPECT_TRUE(fakes::Ui().boxes.empty());
}

TEST_F(AffiliateConfigurationTest, EachFailureWarnsWithItsStageAndKeepsTheDefault) {
  std::vector<std::uint8_t> unsignedImage = fakes::MinimalPe();
  std::vector<std::uint8_t> truncatedTag = fakes::TaggedImage("A=1");
  truncatedTag.pop_back();
  struct Case {
    std::string name;
    std::vector<std::uint8_t> image;  // empty: no file at all
    const char16_t* stage;
  };
  const std::vector<Case> cases = {
      {"missing file", {}, u"extract_aidconfig1"},
      {"unsigned", unsignedImage, u"extract_aidconfig2"},
      // Its length counts one byte past the file, which the view's rest of the page shows as zero.
      {"tag past the end of the file", truncatedTag, u"extract_aidconfig2"},
      // Windows Installer would drop whatever follows a blank, TRANSFORMS included.
      {"blank in the text", fakes::TaggedImage("AFFILIATEID=hello world"), u"extract_aidconfig3"},
      {"quote in the text", fakes::TaggedImage("AFFILIATEID=\"a&B=1\""), u"extract_aidconfig3"},
      {"a property the package trusts", fakes::TaggedImage("AFFILIATEID=x&INSTALLDIR=C:\\evil\\"),
       u"extract_aidconfig3"},
  };
  for (const Case& c : cases) {
    fakes::ResetWorld();
    fakes::FileMapping().otherFiles.reset();
    tagtest::TempFile file;
    if (!c.image.empty()) file.Write(c.image);
    LoadAffiliateConfiguration(file.widePath());
    EXPECT_EQ(affiliateProperties, kDefault) << c.name;
    ASSERT_EQ(fakes::Ui().boxes.size(), 1u) << c.name;
    const fakes::MessageBoxShown& box = fakes::Ui().boxes[0];
    EXPECT_EQ(box.text, u"No AID Config found.  Using default values.");
    EXPECT_EQ(box.caption, std::u16string(c.stage)) << c.name;
    EXPECT_EQ(box.style, 0x30u);
    EXPECT_EQ(fakes::OpenMappingObjects(), 0u) << c.name;
  }
}

TEST_F(AffiliateConfigurationTest, AFailedMappingStepWarnsWithTheFirstStage) {
  file_.Write(fakes::TaggedImage("A=1"));
  for (fakes::MappingStep step : {fakes::MappingStep::Open, fakes::MappingStep::FileSize,
                                  fakes::MappingStep::CreateMapping, fakes::MappingStep::MapView,
                                  fakes::MappingStep::QueryRegion}) {
    fakes::ResetWorld();
    fakes::FileMapping().failingStep = step;
    LoadAffiliateConfiguration(file_.widePath());
    ASSERT_EQ(fakes::Ui().boxes.size(), 1u);
    EXPECT_EQ(fakes::Ui().boxes[0].caption, std::u16string(u"extract_aidconfig1"));
    EXPECT_EQ(affiliateProperties, kDefault);
  }
}

TEST_F(AffiliateConfigurationTest, ThePathIsOpenedAsGiven) {
  const std::u16string path = u"C:\\Downloads\\OrvexUtilities2011Setup.exe";
  fakes::FileMapping().files[path] = fakes::TaggedImage("AFFILIATEID=x1");
  LoadAffiliateConfiguration(u"C:\\Downloads\\OrvexUtilities2011Setup");
  ASSERT_EQ(fakes::Ui().boxes.size(), 1u);
  EXPECT_EQ(fakes::Ui().boxes[0].caption, std::u16string(u"extract_aidconfig1"));

  LoadAffiliateConfiguration(path);
  EXPECT_EQ(affiliateProperties, u"AFFILIATEID=x1");
  EXPECT_EQ(fakes::CallsStartingWith("OpenFileForReading"),
            (std::vector<std::string>{"OpenFileForReading C:\\Downloads\\OrvexUtilities2011Setup",
                                      "OpenFileForReading C:\\Downloads\\OrvexUtilities2011Setup.exe"}));
}

TEST_F(AffiliateConfigurationTest, AWarningAfterASuccessfulLoadKeepsTheLoadedText) {
  file_.Write(fakes::TaggedImage("AFFILIATEID=1"));
  LoadAffiliateConfiguration(file_.widePath());
  LoadAffiliateConfiguration(u"/nonexistent/orvex/setup.exe");
  EXPECT_EQ(affiliateProperties, u"AFFILIATEID=1");
  EXPECT_EQ(fakes::Ui().boxes.size(), 1u);
}

}  // namespace
