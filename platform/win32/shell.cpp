#include "platform/shell.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/win32/text.h"

namespace platform {

std::intptr_t ShellOpen(const char16_t* verb, const std::u16string& file, const std::u16string& parameters,
                        int showCommand) {
  const HINSTANCE result = ::ShellExecuteW(nullptr, verb != nullptr ? Wide(verb) : nullptr, Wide(file),
                                           parameters.empty() ? nullptr : Wide(parameters), nullptr, showCommand);
  return reinterpret_cast<std::intptr_t>(result);
}

}  // namespace platform
