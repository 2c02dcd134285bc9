#include "platform/process.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdlib>

#include "platform/clock.h"
#include "platform/win32/owners.h"
#include "platform/win32/system_library.h"
#include "platform/win32/text.h"

namespace platform {

bool RestrictDllSearchToSystemFolder() {
  // Looked up at run time: Windows 2000 and XP before SP1 have neither function, and the first
  // comes with Windows 8 (or KB2533623 on Vista and 7).
  using SetDefaultFunction = BOOL(WINAPI*)(DWORD flags);
  using SetDirectoryFunction = BOOL(WINAPI*)(LPCWSTR folder);
  const HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
  if (kernel32 == nullptr) return false;
  const auto setDefault = reinterpret_cast<SetDefaultFunction>(
      reinterpret_cast<void*>(::GetProcAddress(kernel32, "SetDefaultDllDirectories")));
  if (setDefault != nullptr && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return true;
  // Here the program's folder stays first in the search for DLLs loaded by name; the current
  // folder at least leaves it, and what system DLLs load later by name is taken beforehand.
  const auto setDirectory = reinterpret_cast<SetDirectoryFunction>(
      reinterpret_cast<void*>(::GetProcAddress(kernel32, "SetDllDirectoryW")));
  const bool restricted = setDirectory != nullptr && setDirectory(L"");
  win32::PreloadSystemLibraries();
  return restricted;
}

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

std::u16string ProgramFilePath() {
  // Windows XP does not terminate a name that fills the buffer, and every system returns the
  // buffer's size then: only a shorter result is the whole name.
  for (DWORD capacity = MAX_PATH; capacity <= 32768; capacity *= 2) {
    std::wstring path(capacity, L'\0');
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), capacity);
    if (length == 0) return {};
    if (length < capacity) return FromWide(path.data(), length);
  }
  return {};
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

Elevation QueryProcessElevation() {
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) return Elevation::Unknown;
  const TokenHandle token(raw);
  // TOKEN_ELEVATION and class 20 (TokenElevation) from Vista on; older systems refuse the class.
  DWORD elevation = 0;
  DWORD size = 0;
  if (!::GetTokenInformation(token.get(), static_cast<TOKEN_INFORMATION_CLASS>(20), &elevation, sizeof elevation,
                             &size)) {
    return Elevation::Unknown;
  }
  return elevation != 0 ? Elevation::Elevated : Elevation::NotElevated;
}

bool NamedMutexExists(const std::u16string& name) {
  HANDLE mutex = ::OpenMutexW(SYNCHRONIZE, FALSE, Wide(name));
  if (mutex == nullptr) return ::GetLastError() == ERROR_ACCESS_DENIED;
  // Only whether it exists matters; the handle is let go at once.
  const MutexHandle held(mutex);
  return true;
}

void MutexHandleTraits::Close(Value mutex) { ::CloseHandle(mutex); }

bool EnableTokenPrivilege(const TokenHandle& token, const std::u16string& privilegeName) {
  TOKEN_PRIVILEGES privileges{};
  if (!::LookupPrivilegeValueW(nullptr, Wide(privilegeName), &privileges.Privileges[0].Luid)) return false;
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  ::AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr);
  return true;
}

void RequestSystemReboot() { ::ExitWindowsEx(EWX_REBOOT, 0); }

void ProcessHandleTraits::Close(Value process) { ::CloseHandle(process); }

bool WaitForProcessEnd(const ProcessHandle& process) {
  return ::WaitForSingleObject(process.get(), INFINITE) == WAIT_OBJECT_0;
}

bool GetProcessExitCode(const ProcessHandle& process, std::uint32_t& code) {
  DWORD exitCode = 0;
  if (!::GetExitCodeProcess(process.get(), &exitCode)) return false;
  code = exitCode;
  return true;
}

std::uint32_t TickCount() { return ::GetTickCount(); }

void SleepMilliseconds(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

namespace {
SystemTime FromSystemTime(const SYSTEMTIME& time) {
  return SystemTime{time.wYear, time.wMonth, time.wDayOfWeek, time.wDay, time.wHour, time.wMinute, time.wSecond,
                    time.wMilliseconds};
}
}  // namespace

SystemTime CurrentUtcTime() {
  SYSTEMTIME now{};
  ::GetSystemTime(&now);
  return FromSystemTime(now);
}

SystemTime CurrentLocalTime() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return FromSystemTime(now);
}

std::uint32_t ExpandEnvironmentText(const std::u16string& text, std::uint32_t capacity, std::u16string& expanded) {
  std::wstring buffer(capacity, L'\0');
  const DWORD length = ::ExpandEnvironmentStringsW(Wide(text), buffer.data(), capacity);
  if (length != 0 && length <= capacity) expanded = FromWide(buffer.c_str());
  return length;
}

}  // namespace platform
