#include "requirements/windows_version.h"

#include <gtest/gtest.h>

#include "tests/fakes/system_info.h"
#include "tests/fakes/ui.h"
#include "tests/fakes/world.h"
#include "ui/requirements_notice.h"

namespace {

class WindowsVersionTest : public WorldTest {};

TEST_F(WindowsVersionTest, OlderThanXpAndXpBeforeServicePack2AreRefusedWithMinusOne) {
  struct Case {
    const char* name;
    platform::VersionFacts version;
    std::int32_t status;
  };
  const Case cases[] = {
      {"NT 4.0 SP6", {true, 4, 0, 1381, 6, 0, 0, 1}, kWindowsTooOld},
      {"2000 SP4", {true, 5, 0, 2195, 4, 0, 0, 1}, kWindowsTooOld},
      {"XP SP0", {true, 5, 1, 2600, 0, 0, 0, 1}, kServicePackMissing},
      {"XP SP1", {true, 5, 1, 2600, 1, 0, 0, 1}, kServicePackMissing},
      {"XP SP2", {true, 5, 1, 2600, 2, 0, 0, 1}, kRequirementsMet},
      {"2003 SP0", {true, 5, 2, 3790, 0, 0, 0, 3}, kRequirementsMet},
      {"Vista", {true, 6, 0, 6000, 0, 0, 0, 1}, kRequirementsMet},
      {"10", {true, 10, 0, 19045, 0, 0, 0, 1}, kRequirementsMet},
      // The query failed: every fact reads 0, which must not count as an old Windows.
      {"failed query", {false, 0, 0, 0, 0, 0, 0, 0}, kRequirementsMet},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fakes::ResetWorld();
    fakes::SystemInfo().version = c.version;
    EXPECT_EQ(ClassifyWindowsVersion(c.version), c.status);
    if (c.status == kRequirementsMet) {
      CheckWindowsVersion(nullptr);
      EXPECT_TRUE(fakes::Ui().boxes.empty());
    } else {
      EXPECT_EQ(ExitCodeOf([] { CheckWindowsVersion(nullptr); }), -1);
      ASSERT_EQ(fakes::Ui().boxes.size(), 1u);
      EXPECT_EQ(fakes::Calls().back(), "EndProcess -1");
    }
    EXPECT_EQ(requirementsStatus, c.status);
  }
}

}  // namespace
