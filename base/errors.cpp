#include "base/errors.h"

#include "base/outcome.h"
#include "base/setup_log.h"
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
  LogEvent({u"Setup failure: ", text, u" (", HexResult(static_cast<std::uint32_t>(code)), u")"});
  // Nobody would answer the box in an unattended run; the log and the exit code say it instead.
  if (!unattendedRun) platform::ShowMessageBox(text, nullptr, platform::kMbIconError);
  EndRun(Outcome::FatalError, static_cast<std::uint32_t>(code));
}
