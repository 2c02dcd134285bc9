#include "base/setup_log.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/fakes/files.h"
#include "tests/fakes/world.h"

namespace {

const std::u16string kDefaultStem = std::u16string(fakes::kTempFolder) + u"OrvexUtilities2011Setup_20110615143045";

std::string Text(const std::u16string& path) {
  const std::vector<std::uint8_t>& bytes = fakes::Files().files[path];
  return std::string(bytes.begin(), bytes.end());
}

class SetupLogTest : public WorldTest {};

TEST_F(SetupLogTest, LinesBeforeTheOpenComeFirstInUtf8WithTheLocalTime) {
  LogEvent({u"Tag: read; ", u"Gr\u00FC\u00DFe \u65E5\u672C \U0001F600"});
  OpenSetupLog(u"");
  LogEvent({u"second"});
  ASSERT_EQ(SetupLogPath(), kDefaultStem + u".log");
  EXPECT_EQ(Text(SetupLogPath()), "2011-06-15 14:30:45.500  Tag: read; Gr\xC3\xBC\xC3\x9F" "e \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80\r\n"
                                  "2011-06-15 14:30:45.500  second\r\n");
}

// Nothing standing at a name is written through or replaced: a taken name or a planted link is
// passed over for the next number, for the log and for the Windows Installer logs beside it.
TEST_F(SetupLogTest, TakenNamesAndPlantedLinksArePassedOver) {
  fakes::Files().files[kDefaultStem + u".log"] = {'o', 'l', 'd'};
  fakes::Files().files[kDefaultStem + u"_2.log"] = {'l', 'n', 'k'};
  fakes::Files().notPlainFiles.insert(kDefaultStem + u"_2.log");
  fakes::Files().files[kDefaultStem + u"_3_main.log"] = {};
  OpenSetupLog(u"");
  LogEvent({u"x"});
  EXPECT_EQ(SetupLogPath(), kDefaultStem + u"_3.log");
  EXPECT_EQ(Text(kDefaultStem + u".log"), "old");
  EXPECT_EQ(Text(kDefaultStem + u"_2.log"), "lnk");
  EXPECT_EQ(CreateCompanionLog(u"main"), kDefaultStem + u"_3_main_2.log");
  EXPECT_EQ(CreateCompanionLog(u"de-DE"), kDefaultStem + u"_3_de-DE.log");
}

TEST_F(SetupLogTest, AChosenPathGetsItsFolderAndAnUnusablePathFallsBackToTheTemporaryFolder) {
  OpenSetupLog(u"C:\\logs\\setup.log");
  EXPECT_EQ(SetupLogPath(), u"C:\\logs\\setup.log");
  EXPECT_EQ(CreateCompanionLog(u"main"), u"C:\\logs\\setup_main.log");

  fakes::ResetWorld();
  OpenSetupLog(u"Q:\\missing\\deeper\\setup.log");
  LogEvent({u"y"});
  EXPECT_EQ(SetupLogPath(), kDefaultStem + u".log");
  EXPECT_NE(Text(SetupLogPath()).find("could not be created at Q:\\missing\\deeper\\setup.log"), std::string::npos);
}

TEST_F(SetupLogTest, WithoutATemporaryFolderThereIsNoLogAndNoInstallerLogBesideIt) {
  fakes::Files().tempPathFailure = 5;
  OpenSetupLog(u"");
  LogEvent({u"lost"});
  EXPECT_TRUE(SetupLogPath().empty());
  EXPECT_TRUE(CreateCompanionLog(u"main").empty());
}

}  // namespace
