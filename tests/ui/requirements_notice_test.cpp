#include "ui/requirements_notice.h"

#include <gtest/gtest.h>

#include "base/product.h"
#include "report/system_info_query.h"
#include "tests/fakes/shell.h"
#include "tests/fakes/system_info.h"
#include "tests/fakes/ui.h"
#include "tests/fakes/world.h"

namespace {

using Calls = std::vector<std::string>;

std::string Link(const std::string& query) {
  return fakes::Utf8(linkBase) + "/link/?target=osrequirements&app=" + fakes::Utf8(kProductCode) +
         "&version=" + fakes::Utf8(kProductVersion) + query;
}

// Windows 2000 SP4 for a Swedish user, and the program's three strings.
void ScriptMachine() {
  fakes::Ui().strings = {{104, u"Caption"}, {105, u"Too old"}, {106, u"No SP2"}};
  fakes::SystemInfoWorld& system = fakes::SystemInfo();
  system.version = {true, 5, 0, 2195, 4, 0, 0, 1};
  system.userLcid = 0x041D;
  fakes::AddLocale(1031, u"de", u"DE");
  fakes::AddLocale(0x041D, u"sv", u"SE");
}

class RequirementsNoticeTest : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    ScriptMachine();
  }
};

TEST_F(RequirementsNoticeTest, RequirementsLinkKeysInOrderWithOptionalTagsAndServicePack) {
  struct Case {
    platform::VersionFacts version;
    std::optional<std::u16string> packageTag;
    std::optional<std::u16string> userTag;
    std::string query;
  };
  const Case cases[] = {
      {{true, 5, 0, 2195, 4, 0, 0, 1}, u"de-DE", u"sv-SE", "&qzlang=de-DE&lang=sv-SE&os_ver=5.0&os_sp=4.0"},
      {{true, 5, 0, 2195, 0, 0, 0, 1}, u"de-DE", std::nullopt, "&qzlang=de-DE&os_ver=5.0"},
      {{true, 5, 1, 2600, 1, 2, 0, 1}, std::nullopt, u"x_y", "&lang=x%5fy&os_ver=5.1&os_sp=1.2"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(fakes::Utf8(RequirementsLink(c.version, c.packageTag, c.userTag)), Link(c.query));
  }
}

TEST_F(RequirementsNoticeTest, BoxAndPagesForEachStatusAndButton) {
  const std::string kb = "ShellOpen open http://support.microsoft.com/kb/322389 |  | 5 | owner 0x100";
  const std::string update = "ShellOpen open http://windowsupdate.microsoft.com/ |  | 5 | owner 0x100";
  const std::string requirements = "ShellOpen open " + Link("&qzlang=de-DE&lang=sv-SE&os_ver=5.0&os_sp=4.0") +
                                   " |  | 5 | owner 0x100";
  const std::string help = "DefaultWindowProcedure 0x100 0x53";
  const std::string created = "CreateHiddenWindow hiddenwindow hiddenwindow -> 0x100";
  const std::string registered = "RegisterWindowClass hiddenwindow";
  const std::string question = "ShowOwnedMessageBox 0x100 0x4034 Caption | No SP2";
  const std::string plainError = "ShowMessageBox 0x10 Caption | Too old";
  struct Case {
    const char* name;
    std::int32_t status;
    bool classRegisters;
    bool windowCreates;
    std::deque<int> answers;
    Calls calls;
  };
  const Case cases[] = {
      {"XP SP1: Help, then Yes", kServicePackMissing, true, true, {fakes::kPressHelp, platform::kIdYes},
       {registered, created, question, kb, help, update, "DestroyWindow 0x100"}},
      {"XP SP1: No", kServicePackMissing, true, true, {platform::kIdNo},
       {registered, created, question, "DestroyWindow 0x100"}},
      {"2000: Help twice, then OK", kWindowsTooOld, true, true, {fakes::kPressHelp, fakes::kPressHelp, platform::kIdOk},
       {registered, created, "ShowOwnedMessageBox 0x100 0x4010 Caption | Too old", requirements, help, requirements,
        help, "DestroyWindow 0x100"}},
      {"class refused", kServicePackMissing, false, true, {}, {registered, plainError}},
      {"window refused", kServicePackMissing, true, false, {},
       {registered, "CreateHiddenWindow hiddenwindow hiddenwindow -> <none>", plainError}},
      {"requirements met", kRequirementsMet, true, true, {}, {registered, created, "DestroyWindow 0x100"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fakes::ResetWorld();
    ScriptMachine();
    fakes::Ui().classRegisters = c.classRegisters;
    fakes::Ui().windowCreates = c.windowCreates;
    fakes::Ui().answers = c.answers;
    requirementsStatus = c.status;
    ShowRequirementsNotice(nullptr);
    EXPECT_EQ(fakes::Calls(), c.calls);
    EXPECT_TRUE(fakes::Ui().windows.empty());
  }
}

TEST_F(RequirementsNoticeTest, EveryMessageEndsInTheDefaultProcedure) {
  fakes::Ui().defaultProcedureResult = 77;
  requirementsStatus = kServicePackMissing;
  const auto window = reinterpret_cast<platform::WindowHandle>(0x300);
  constexpr std::uint32_t kWmPaint = 0x0F;
  EXPECT_EQ(RequirementsWindowProc(window, kWmPaint, 1, 2), 77);
  EXPECT_EQ(RequirementsWindowProc(window, platform::kWmHelp, 0, 0), 77);
  EXPECT_EQ(fakes::Calls(), (Calls{"DefaultWindowProcedure 0x300 0xf",
                                   "ShellOpen open http://support.microsoft.com/kb/322389 |  | 5 | owner 0x300",
                                   "DefaultWindowProcedure 0x300 0x53"}));
}

}  // namespace
