#include "app/parent_console.h"

#include <cstdint>

#include "platform/console.h"
#include "platform/ui.h"

namespace {
constexpr std::uint16_t kVirtualKeyReturn = 0x0D;
constexpr std::uint32_t kKeyEventKeyUp = 0x2;
}  // namespace

bool AttachParentConsole() {
  if (!platform::AttachToParentConsole()) return false;
  platform::ReopenStandardOutputOnConsole();
  platform::WriteStandardOutput(u"\n");
  return true;
}

void ReleaseConsole() {
  platform::DetachFromConsole();
  platform::SendKeyboardInput(kVirtualKeyReturn, 0);
  platform::SendKeyboardInput(kVirtualKeyReturn, kKeyEventKeyUp);
}
