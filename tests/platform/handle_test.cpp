#include "platform/handle.h"

#include <gtest/gtest.h>

#include "platform/process.h"
#include "tests/fakes/world.h"

namespace {

// A handle whose release changes the thread's last error, as a failing close does.
struct ClobberingTraits {
  using Value = int;
  static Value Invalid() { return 0; }
  static void Close(Value) {
    ++closed;
    platform::SetLastError(6);
  }
  static inline int closed = 0;
};
using Owner = platform::UniqueHandle<ClobberingTraits>;

class UniqueHandleTest : public WorldTest {};

TEST_F(UniqueHandleTest, ReleasingKeepsTheLastErrorOfTheFailureBefore) {
  ClobberingTraits::closed = 0;
  platform::SetLastError(87);
  {
    Owner first(1);
    Owner second(2);
    first.reset(3);             // releases 1
    second = std::move(first);  // releases 2
    EXPECT_EQ(platform::LastError(), 87u);
  }  // releases 3
  EXPECT_EQ(ClobberingTraits::closed, 3);
  EXPECT_EQ(platform::LastError(), 87u);
}

}  // namespace
