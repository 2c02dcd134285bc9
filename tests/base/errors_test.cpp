#include "base/errors.h"

#include <gtest/gtest.h>

#include "tests/fakes/system_info.h"
#include "tests/fakes/ui.h"
#include "tests/fakes/world.h"

namespace {

class ErrorReportingTest : public WorldTest {};

TEST(ResultCodeTest, WindowsErrorNumbersBecomeFailureCodes) {
  EXPECT_EQ(HResultFromWin32(0), 0);
  EXPECT_EQ(static_cast<std::uint32_t>(HResultFromWin32(2)), 0x80070002u);
  EXPECT_EQ(static_cast<std::uint32_t>(HResultFromWin32(1603)), 0x80070643u);
  EXPECT_EQ(static_cast<std::uint32_t>(HResultFromWin32(0x12345)), 0x80072345u);
  EXPECT_EQ(static_cast<std::uint32_t>(HResultFromWin32(0x80004005u)), 0x80004005u);
  EXPECT_EQ(ExitCodeFromResult(kEFail), 16389);
  EXPECT_EQ(ExitCodeFromResult(HResultFromWin32(5)), 5);
}

TEST_F(ErrorReportingTest, FatalErrorAppendsTheSystemTextAndExitsWithTheLowBits) {
  fakes::SystemInfo().messages[2] = u"The system cannot find the file specified.\r\n";
  const int code = ExitCodeOf([] { ReportFatalError(HResultFromWin32(2), u"ResExportToFile"); });
  EXPECT_EQ(code, 2);
  ASSERT_EQ(fakes::Ui().boxes.size(), 1u);
  EXPECT_EQ(fakes::Ui().boxes[0].text, u"ResExportToFileThe system cannot find the file specified.\r\n");
  EXPECT_FALSE(fakes::Ui().boxes[0].caption.has_value());
  EXPECT_EQ(fakes::Ui().boxes[0].style, 0x10u);
}

TEST_F(ErrorReportingTest, FatalErrorWithEFailUsesMessageNumber16389OrItsDigits) {
  EXPECT_EQ(ExitCodeOf([] { ReportFatalError(kEFail, u"No language pack found"); }), 16389);
  ASSERT_EQ(fakes::Ui().boxes.size(), 1u);
  EXPECT_EQ(fakes::Ui().boxes[0].text, u"No language pack found16389");
  EXPECT_EQ(fakes::CallsStartingWith("FormatSystemMessage"), std::vector<std::string>{"FormatSystemMessage 16389"});
}

TEST_F(ErrorReportingTest, FatalErrorWithCodeZeroShowsTheMessageAlone) {
  fakes::SystemInfo().messages[0] = u"The operation completed successfully.\r\n";
  EXPECT_EQ(ExitCodeOf([] { ReportFatalError(0, u"Plain"); }), 0);
  EXPECT_EQ(fakes::Ui().boxes.at(0).text, u"Plain");
}

TEST_F(ErrorReportingTest, FatalErrorWithZeroLowBitsAppendsTextOfNumberZero) {
  fakes::SystemInfo().messages[0] = u"The operation completed successfully.\r\n";
  EXPECT_EQ(ExitCodeOf([] { ReportFatalError(static_cast<HResult>(0x80070000u), u"X: "); }), 0);
  EXPECT_EQ(fakes::Ui().boxes.at(0).text, u"X: The operation completed successfully.\r\n");
}

TEST_F(ErrorReportingTest, SystemMessageTextFallsBackToUnsignedDecimal) {
  fakes::SystemInfo().messages[1618] = u"Another installation is already in progress.\r\n";
  EXPECT_EQ(SystemMessageText(1618), u"Another installation is already in progress.\r\n");
  EXPECT_EQ(SystemMessageText(0), u"0");
  EXPECT_EQ(SystemMessageText(16389), u"16389");
  EXPECT_EQ(SystemMessageText(0xFFFFFFFFu), u"4294967295");
}

}  // namespace
