#include "platform/shell.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/win32/text.h"

namespace platform {

std::intptr_t ShellOpen(const char16_t* verb, const std::u16string& file, const std::u16string& parameters,
                        int showCommand) {
  return ShellOpen(nullptr, verb, file, parameters, showCommand);
}

std::intptr_t ShellOpen(WindowHandle owner, const char16_t* verb, const std::u16string& file,
                        const std::u16string& parameters, int showCommand) {
  const HINSTANCE result = ::ShellExecuteW(static_cast<HWND>(owner), verb != nullptr ? Wide(verb) : nullptr, Wide(file),
                                           parameters.empty() ? nullptr : Wide(parameters), nullptr, showCommand);
  return reinterpret_cast<std::intptr_t>(result);
}

bool ShellExecuteKeepingProcess(const char16_t* verb, const std::u16string& file, const std::u16string& parameters,
                                int showCommand, ProcessHandle& process) {
  // Without SEE_MASK_FLAG_NO_UI a missing file or folder shows the shell's own error box, which
  // holds even a silent run until someone answers it; here it is only a failed launch.
  static_assert((SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_DDEWAIT | SEE_MASK_FLAG_NO_UI) == 0x540);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_DDEWAIT | SEE_MASK_FLAG_NO_UI;
  info.hwnd = nullptr;
  info.lpVerb = verb != nullptr ? Wide(verb) : nullptr;
  info.lpFile = Wide(file);
  info.lpParameters = parameters.empty() ? nullptr : Wide(parameters);
  info.lpDirectory = nullptr;
  info.nShow = showCommand;
  if (!::ShellExecuteExW(&info)) return false;
  process.reset(info.hProcess);
  return true;
}

}  // namespace platform
