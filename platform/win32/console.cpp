#include "platform/console.h"

#include <windows.h>
#include <io.h>

#include <cstdio>

#include "platform/win32/system_functions.h"
#include "platform/win32/text.h"

namespace platform {
namespace {

// The stream console text goes to: standard output once reopened on "CON", or a stream opened on
// "CONOUT$" where the reopened standard output is not usable (as under some compatibility layers).
FILE* consoleStream = nullptr;

bool IsUsable(FILE* stream) {
  if (stream == nullptr) return false;
  const int descriptor = _fileno(stream);
  if (descriptor < 0) return false;
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
  return handle != INVALID_HANDLE_VALUE && handle != nullptr;
}

}  // namespace

// Windows 2000 has no AttachConsole: there the setup gives no console answers.
bool AttachToParentConsole() {
  using Function = BOOL(WINAPI*)(DWORD);
  const auto attachConsole = win32::SystemFunction<Function>(L"kernel32.dll", "AttachConsole");
  if (attachConsole == nullptr) return false;
  return attachConsole(ATTACH_PARENT_PROCESS) != FALSE;
}

void ReopenStandardOutputOnConsole() {
  ::_wfreopen(L"CON", L"w", stdout);
  if (IsUsable(stdout)) {
    consoleStream = stdout;
    return;
  }
  consoleStream = ::_wfopen(L"CONOUT$", L"w");
}

void WriteStandardOutput(const std::u16string& text) {
  FILE* stream = consoleStream != nullptr ? consoleStream : stdout;
  std::fflush(stream);
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  DWORD mode = 0;
  if (handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode)) {
    DWORD written = 0;
    ::WriteConsoleW(handle, Wide(text), static_cast<DWORD>(text.size()), &written, nullptr);
    return;
  }
  std::fputws(Wide(text), stream);
  std::fflush(stream);
}

void DetachFromConsole() {
  if (consoleStream != nullptr) std::fflush(consoleStream);
  ::FreeConsole();
}

}  // namespace platform
