#pragma once
#include <cstdint>
#include <string>

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

// MessageBoxW without an owner window. A null caption leaves the system's default caption.
int ShowMessageBox(const std::u16string& text, const char16_t* caption, std::uint32_t style);

// SendInput with one keyboard input record: the virtual key, scan code 0, the given flags.
void SendKeyboardInput(std::uint16_t virtualKey, std::uint32_t flags);

// A top-level window; opaque outside the Windows adapters.
using WindowHandle = void*;
// FindWindowW by class name, any title; null when there is none.
[[nodiscard]] WindowHandle FindWindowOfClass(const std::u16string& className);
// IsWindow: the handle still names a window.
[[nodiscard]] bool IsExistingWindow(WindowHandle window);

// InitCommonControlsEx with the standard control classes.
void InitCommonControlsStandard();

}  // namespace platform
