#include "platform/ui.h"

#include <windows.h>
#include <commctrl.h>

#include "platform/win32/system_library.h"
#include "platform/win32/text.h"

namespace platform {

int ShowMessageBox(const std::u16string& text, const char16_t* caption, std::uint32_t style) {
  return ::MessageBoxW(nullptr, Wide(text), caption != nullptr ? Wide(caption) : nullptr, style);
}

void WindowTraits::Close(Value window) { ::DestroyWindow(static_cast<HWND>(window)); }

bool RegisterWindowClass(InstanceHandle instance, const char16_t* className, WindowProcedure procedure) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  // The system calls the procedure exactly as a WNDPROC: same convention, same argument sizes.
  windowClass.lpfnWndProc = reinterpret_cast<WNDPROC>(reinterpret_cast<void*>(procedure));
  windowClass.cbClsExtra = 0;
  windowClass.cbWndExtra = 0;
  windowClass.hInstance = static_cast<HINSTANCE>(instance);
  windowClass.hIcon = ::LoadIconW(static_cast<HINSTANCE>(instance), L"1");
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
  windowClass.lpszMenuName = nullptr;
  windowClass.lpszClassName = Wide(className);
  windowClass.hIconSm = nullptr;
  return ::RegisterClassExW(&windowClass) != 0;
}

Window CreateHiddenWindow(InstanceHandle instance, const char16_t* className, const char16_t* title) {
  return Window(::CreateWindowExW(0, Wide(className), Wide(title), WS_OVERLAPPEDWINDOW, 0, 0, 1, 1, nullptr, nullptr,
                                  static_cast<HINSTANCE>(instance), nullptr));
}

int ShowOwnedMessageBox(WindowHandle owner, const std::u16string& text, const std::u16string& caption,
                        std::uint32_t style) {
  return ::MessageBoxW(static_cast<HWND>(owner), Wide(text), Wide(caption), style);
}

std::intptr_t DefaultWindowProcedure(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                     std::intptr_t lParam) {
  return ::DefWindowProcW(static_cast<HWND>(window), message, wParam, lParam);
}

int LoadStringResource(InstanceHandle instance, std::uint32_t id, char16_t* buffer, int capacity) {
  return ::LoadStringW(static_cast<HINSTANCE>(instance), id, reinterpret_cast<wchar_t*>(buffer), capacity);
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

// Through the library loaded from the system folder (CommonControlsLibrary), never an import.
void InitCommonControlsStandard() {
  using InitFunction = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  const HMODULE comctl32 = win32::CommonControlsLibrary();
  if (comctl32 == nullptr) return;
  const auto init = reinterpret_cast<InitFunction>(
      reinterpret_cast<void*>(::GetProcAddress(comctl32, "InitCommonControlsEx")));
  if (init == nullptr) return;
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_STANDARD_CLASSES | ICC_USEREX_CLASSES;
  init(&controls);
}

}  // namespace platform
