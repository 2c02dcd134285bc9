#pragma once
#include <cstdint>
#include <string>

namespace platform {

inline constexpr int kSwShowNormal = 1;
inline constexpr int kSwShow = 5;

// ShellExecuteW without an owner window; `verb` may be null for the default action. Returns the
// call's result (greater than 32 on success).
[[nodiscard]] std::intptr_t ShellOpen(const char16_t* verb, const std::u16string& file,
                                      const std::u16string& parameters, int showCommand);

}  // namespace platform
