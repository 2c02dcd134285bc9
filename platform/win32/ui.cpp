#include "platform/ui.h"

#include <windows.h>
#include <commctrl.h>

#include "platform/win32/text.h"

namespace platform {

int ShowMessageBox(const std::u16string& text, const char16_t* caption, std::uint32_t style) {
  return ::MessageBoxW(nullptr, Wide(text), caption != nullptr ? Wide(caption) : nullptr, style);
}

void SendKeyboardInput(std::uint16_t virtualKey, std::uint32_t flags) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = virtualKey;
  input.ki.wScan = 0;
  input.ki.dwFlags = flags;
  input.ki.time = 0;
  input.ki.dwExtraInfo = 0;
  ::SendInput(1, &input, sizeof input);
}

WindowHandle FindWindowOfClass(const std::u16string& className) {
  return ::FindWindowW(Wide(className), nullptr);
}

bool IsExistingWindow(WindowHandle window) { return ::IsWindow(static_cast<HWND>(window)) != FALSE; }

void InitCommonControlsStandard() {
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_STANDARD_CLASSES;
  ::InitCommonControlsEx(&controls);
}

}  // namespace platform
