#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/handle.h"

namespace platform {

// The module instance handle of the program, passed through to the operations that need its
// resources. Opaque outside the Windows adapters.
using InstanceHandle = void*;

// From here on, DLLs the process loads by name come from the system folder only, not from the
// program's folder or the current one (SetDefaultDllDirectories where the system has it, else
// SetDllDirectoryW with an empty folder where it exists, and the DLLs that system DLLs load by
// name loaded from the system folder beforehand). False when neither function exists.
[[nodiscard]] bool RestrictDllSearchToSystemFolder();

enum class MutexResult { Created, AlreadyExists, Failed };

// Creates the named mutex with initial ownership and keeps it open until the process ends.
[[nodiscard]] MutexResult CreateNamedMutex(const std::u16string& name);

// The program's command line split by the system's rules; argument 0 is the program path as it
// stands on the command line. Empty when the system cannot split it.
[[nodiscard]] std::vector<std::u16string> CommandLineArguments();

// The full path of the running program's own file as the system reports it (the module that
// started the process), whatever name it was started by. Empty when the system cannot say.
[[nodiscard]] std::u16string ProgramFilePath();

// Ends the process through the C run-time, so static objects are destroyed.
[[noreturn]] void EndProcess(int exitCode);

// The calling thread's last error (GetLastError, SetLastError).
[[nodiscard]] std::uint32_t LastError();
void SetLastError(std::uint32_t error);

// ExpandEnvironmentStringsW into a buffer of `capacity` characters. Returns the call's result: the
// expanded text's length with its terminator, the size needed when it does not fit (`expanded`
// is then left alone), 0 on failure.
[[nodiscard]] std::uint32_t ExpandEnvironmentText(const std::u16string& text, std::uint32_t capacity,
                                                  std::u16string& expanded);

struct TokenTraits {
  using Value = void*;
  static Value Invalid() { return nullptr; }
  static void Close(Value token);
};
using TokenHandle = UniqueHandle<TokenTraits>;

// OpenProcessToken of the current process with TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY.
[[nodiscard]] bool OpenOwnProcessToken(TokenHandle& token);
// LookupPrivilegeValueW then AdjustTokenPrivileges enabling that one privilege. False when the
// privilege name is unknown; the adjustment's own result is not reported.
[[nodiscard]] bool EnableTokenPrivilege(const TokenHandle& token, const std::u16string& privilegeName);
// ExitWindowsEx(EWX_REBOOT, 0); the result is not reported.
void RequestSystemReboot();

enum class Elevation { Elevated, NotElevated, Unknown };

// Whether the process runs elevated (the token's TokenElevation, from Vista on); Unknown where the
// system has no such notion or the query fails.
[[nodiscard]] Elevation QueryProcessElevation();

struct MutexHandleTraits {
  using Value = void*;
  static Value Invalid() { return nullptr; }
  static void Close(Value mutex);
};
using MutexHandle = UniqueHandle<MutexHandleTraits>;

// Whether a named mutex exists (OpenMutexW for SYNCHRONIZE succeeds, or fails only for want of
// access). Nothing is kept open.
[[nodiscard]] bool NamedMutexExists(const std::u16string& name);

struct ProcessHandleTraits {
  using Value = void*;
  static Value Invalid() { return nullptr; }
  static void Close(Value process);
};
using ProcessHandle = UniqueHandle<ProcessHandleTraits>;

// Waits without a time limit until the process has ended (WaitForSingleObject). False when the
// wait failed, for example on an empty handle.
[[nodiscard]] bool WaitForProcessEnd(const ProcessHandle& process);
// GetExitCodeProcess. Read after the process ended: a process may end with any code, 259
// (STILL_ACTIVE) too.
[[nodiscard]] bool GetProcessExitCode(const ProcessHandle& process, std::uint32_t& code);

}  // namespace platform
