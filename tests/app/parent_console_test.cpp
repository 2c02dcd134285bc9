#include "app/parent_console.h"

#include <gtest/gtest.h>

#include "tests/fakes/ui.h"
#include "tests/fakes/world.h"

namespace {

class ParentConsoleTest : public WorldTest {};

TEST_F(ParentConsoleTest, AttachPrintsOneLineBreakAndReleaseSendsEnter) {
  EXPECT_FALSE(AttachParentConsole());
  EXPECT_TRUE(fakes::Ui().strayOutput.empty());
  EXPECT_TRUE(fakes::CallsStartingWith("WriteStandardOutput").empty());

  fakes::Ui().parentConsole = true;
  fakes::Calls().clear();
  EXPECT_TRUE(AttachParentConsole());
  ReleaseConsole();
  EXPECT_EQ(fakes::Ui().consoleOutput, u"\n");
  EXPECT_EQ(fakes::Calls(), (std::vector<std::string>{
                                "AttachToParentConsole",
                                "ReopenStandardOutputOnConsole",
                                "WriteStandardOutput \n",
                                "DetachFromConsole",
                                "SendKeyboardInput 0xd 0x0",
                                "SendKeyboardInput 0xd 0x2",
                            }));
}

}  // namespace
