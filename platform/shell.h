#pragma once
#include <cstdint>
#include <string>

#include "platform/process.h"
#include "platform/ui.h"

namespace platform {

inline constexpr int kSwHide = 0;
inline constexpr int kSwShowNormal = 1;
inline constexpr int kSwShow = 5;

// ShellExecuteW without an owner window; `verb` may be null for the default action. Returns the
// call's result (greater than 32 on success).
[[nodiscard]] std::intptr_t ShellOpen(const char16_t* verb, const std::u16string& file,
                                      const std::u16string& parameters, int showCommand);
// The same with an owner window for any message the system shows on the way.
[[nodiscard]] std::intptr_t ShellOpen(WindowHandle owner, const char16_t* verb, const std::u16string& file,
                                      const std::u16string& parameters, int showCommand);

// ShellExecuteExW without an owner window or working folder, waiting for the launch to finish,
// keeping the started process's handle and showing no error box of the shell's own
// (SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_DDEWAIT | SEE_MASK_FLAG_NO_UI, 0x540): a missing file
// or folder is a failed launch like any other. True when the launch succeeded; `process` then
// owns the handle, which the system may leave empty when no new process was started.
[[nodiscard]] bool ShellExecuteKeepingProcess(const char16_t* verb, const std::u16string& file,
                                              const std::u16string& parameters, int showCommand,
                                              ProcessHandle& process);

}  // namespace platform
