#include "app/errors.h"

#include "i18n/text_format.h"
#include "platform/console.h"
#include "platform/process.h"
#include "platform/system_info.h"
#include "platform/ui.h"

namespace {
constexpr std::uint16_t kVirtualKeyReturn = 0x0D;
constexpr std::uint32_t kKeyEventKeyUp = 0x2;
}  // namespace

std::u16string SystemMessageText(std::uint32_t number) {
  std::u16string text;
  if (platform::FormatSystemMessage(number, text)) return text;
  return UnsignedDecimal(number);
}

void ReportFatalError(HResult code, const std::u16string& message) {
  std::u16string text = message;
  if (code != 0) text += SystemMessageText(static_cast<std::uint32_t>(code) & 0xFFFFu);
  platform::ShowMessageBox(text, nullptr, platform::kMbIconError);
  platform::EndProcess(ExitCodeFromResult(code));
}

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
