#include "base/errors.h"

#include "base/text_format.h"
#include "platform/process.h"
#include "platform/system_info.h"
#include "platform/ui.h"

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
