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

// A kind whose functions fail with either of two values: neither is owned or closed.
struct TwoInvalidValuesTraits {
  using Value = int;
  static Value Invalid() { return 0; }
  static bool IsInvalid(Value value) { return value == 0 || value == -1; }
  static void Close(Value) { ++closed; }
  static inline int closed = 0;
};

TEST_F(UniqueHandleTest, NeitherInvalidValueIsOwnedOrClosed) {
  TwoInvalidValuesTraits::closed = 0;
  {
    platform::UniqueHandle<TwoInvalidValuesTraits> failed(-1);
    EXPECT_FALSE(failed.valid());
    failed.reset(0);
    failed.reset(5);
    EXPECT_TRUE(failed.valid());
  }
  EXPECT_EQ(TwoInvalidValuesTraits::closed, 1);
}

}  // namespace
