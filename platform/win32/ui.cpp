#include "platform/ui.h"

#include <windows.h>
#include <commctrl.h>

#include "platform/win32/system_library.h"
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

// The common controls library is loaded at run time from the system folder (after the DLL search
// has been restricted), not imported: it is not one of the KnownDLLs, so an import would be
// resolved from the program's folder first. The manifest's activation context still selects
// version 6. The module stays loaded until the process ends.
void InitCommonControlsStandard() {
  using InitFunction = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  static const HMODULE comctl32 = win32::LoadSystemLibrary(L"comctl32.dll");
  if (comctl32 == nullptr) return;
  const auto init = reinterpret_cast<InitFunction>(
      reinterpret_cast<void*>(::GetProcAddress(comctl32, "InitCommonControlsEx")));
  if (init == nullptr) return;
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_STANDARD_CLASSES;
  init(&controls);
}

}  // namespace platform
