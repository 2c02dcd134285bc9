#pragma once
#include <cstdint>

// Result codes in the layout of a Windows HRESULT: 0 success, negative failure.
using HResult = std::int32_t;

inline constexpr HResult kSOk = 0;
inline constexpr HResult kEFail = static_cast<HResult>(0x80004005u);
inline constexpr HResult kEInvalidArg = static_cast<HResult>(0x80070057u);

// A positive Windows error number n becomes 0x80070000 | (n & 0xFFFF); 0 and values that are
// already negative as 32-bit results pass unchanged.
constexpr HResult HResultFromWin32(std::uint32_t error) {
  const auto asResult = static_cast<HResult>(error);
  if (asResult <= 0) return asResult;
  return static_cast<HResult>(0x80070000u | (error & 0xFFFFu));
}

// The thread's last Windows error as a result code. A failure whose last error reads 0 must not
// turn into success, so that case yields `whenNoError` (E_FAIL unless the caller names another).
HResult HResultFromLastError(HResult whenNoError = kEFail);

// The exit code a fatal error ends the process with: the low 16 bits of the result code.
constexpr int ExitCodeFromResult(HResult code) { return static_cast<int>(static_cast<std::uint32_t>(code) & 0xFFFFu); }
