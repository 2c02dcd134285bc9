#include "platform/process.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdlib>

#include "platform/clock.h"
#include "platform/win32/owners.h"
#include "platform/win32/text.h"

namespace platform {

MutexResult CreateNamedMutex(const std::u16string& name) {
  // The handle is deliberately kept open: the system releases the mutex when the process ends.
  HANDLE mutex = ::CreateMutexW(nullptr, TRUE, Wide(name));
  if (mutex == nullptr) return MutexResult::Failed;
  if (::GetLastError() == ERROR_ALREADY_EXISTS) return MutexResult::AlreadyExists;
  return MutexResult::Created;
}

std::vector<std::u16string> CommandLineArguments() {
  int count = 0;
  LPWSTR* split = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  std::vector<std::u16string> arguments;
  if (split == nullptr) return arguments;
  win32::LocalMemory owner(reinterpret_cast<HLOCAL>(split));
  arguments.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) arguments.push_back(FromWide(split[i]));
  return arguments;
}

void EndProcess(int exitCode) { std::exit(exitCode); }

std::uint32_t LastError() { return ::GetLastError(); }

void SetLastError(std::uint32_t error) { ::SetLastError(error); }

void TokenTraits::Close(Value token) { ::CloseHandle(token); }

bool OpenOwnProcessToken(TokenHandle& token) {
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw)) return false;
  token.reset(raw);
  return true;
}

bool EnableTokenPrivilege(const TokenHandle& token, const std::u16string& privilegeName) {
  TOKEN_PRIVILEGES privileges{};
  if (!::LookupPrivilegeValueW(nullptr, Wide(privilegeName), &privileges.Privileges[0].Luid)) return false;
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  ::AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr);
  return true;
}

void RequestSystemReboot() { ::ExitWindowsEx(EWX_REBOOT, 0); }

std::uint32_t TickCount() { return ::GetTickCount(); }

void SleepMilliseconds(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

}  // namespace platform
