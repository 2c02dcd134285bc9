#pragma once
#include <cstdint>
#include <string>

#include "platform/handle.h"
#include "platform/process.h"

// The calling convention of procedures that the system calls back (CALLBACK in the Windows headers).
#ifdef _WIN32
#define PLATFORM_CALLBACK __stdcall
#else
#define PLATFORM_CALLBACK
#endif

namespace platform {

inline constexpr std::uint32_t kMbOk = 0x0;
inline constexpr std::uint32_t kMbYesNo = 0x4;
inline constexpr std::uint32_t kMbIconError = 0x10;
inline constexpr std::uint32_t kMbIconQuestion = 0x20;
inline constexpr std::uint32_t kMbIconWarning = 0x30;
inline constexpr std::uint32_t kMbIconInformation = 0x40;
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;
inline constexpr std::uint32_t kMbHelp = 0x4000;
inline constexpr std::uint32_t kWmHelp = 0x53;

// MessageBoxW without an owner window. A null caption leaves the system's default caption.
int ShowMessageBox(const std::u16string& text, const char16_t* caption, std::uint32_t style);

// A window; opaque outside the Windows adapters.
using WindowHandle = void*;

// A window procedure as the system calls it: window, message, the two message parameters.
using WindowProcedure = std::intptr_t(PLATFORM_CALLBACK*)(WindowHandle window, std::uint32_t message,
                                                          std::uintptr_t wParam, std::intptr_t lParam);

struct WindowTraits {
  using Value = WindowHandle;
  static Value Invalid() { return nullptr; }
  static void Close(Value window);  // DestroyWindow
};
using Window = UniqueHandle<WindowTraits>;

// RegisterClassExW of a class that redraws on horizontal and vertical size changes, with the
// given procedure, no extra bytes, the icon resource named "1" of `instance` (none when it has no
// such icon), the arrow cursor, the window colour as background and no menu. False when the
// system refuses the class.
[[nodiscard]] bool RegisterWindowClass(InstanceHandle instance, const char16_t* className, WindowProcedure procedure);

// CreateWindowExW of an overlapped window of the class at (0, 0), 1 x 1 pixel, without parent or
// menu, which is never shown. Holds no window when creation fails.
[[nodiscard]] Window CreateHiddenWindow(InstanceHandle instance, const char16_t* className, const char16_t* title);

// MessageBoxW owned by `owner`, which receives WM_HELP when the box has a Help button.
int ShowOwnedMessageBox(WindowHandle owner, const std::u16string& text, const std::u16string& caption,
                        std::uint32_t style);

// DefWindowProcW.
[[nodiscard]] std::intptr_t DefaultWindowProcedure(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                                   std::intptr_t lParam);

// LoadStringW of the string `id` of `instance` into `buffer` of `capacity` characters (the
// resource loader picks the language block); returns the number of characters copied, 0 when the
// string does not exist. The text is always terminated.
[[nodiscard]] int LoadStringResource(InstanceHandle instance, std::uint32_t id, char16_t* buffer, int capacity);

// SendInput with one keyboard input record: the virtual key, scan code 0, the given flags.
void SendKeyboardInput(std::uint16_t virtualKey, std::uint32_t flags);

// FindWindowW by class name, any title; null when there is none.
[[nodiscard]] WindowHandle FindWindowOfClass(const std::u16string& className);
// IsWindow: the handle still names a window.
[[nodiscard]] bool IsExistingWindow(WindowHandle window);

// InitCommonControlsEx with the standard control classes and the extended combo box
// (ComboBoxEx32), which must be registered before a dialog that holds one is created.
void InitCommonControlsStandard();

}  // namespace platform
