// Plays the other program in the hardening tests.
//
//   hardening_probe.exe hold SECONDS [READY]  holds the setup's mutex "Orvex2011Installer" for
//                                      SECONDS, so a setup started meanwhile ends right after
//                                      taking it; once it holds it, writes a line to the file READY
//   hardening_probe.exe load NAME...   loads each NAME the default way (the program's folder
//                                      first), as a program without the setup's restriction does
//   hardening_probe.exe preload NAME...  the same after the setup's preloading of system DLLs, as
//                                      on systems where the search cannot be restricted
//   hardening_probe.exe write PATH     opens an existing file for writing, sharing everything;
//                                      the exit code is 0 or the error (32: sharing violation)
//   hardening_probe.exe open PATH FLAG  holds an existing file open for reading, letting others
//                                      only read it, as a viewer or a virus scanner does, for as
//                                      long as the file FLAG exists
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "platform/win32/system_library.h"
#include "tests/wine/tools/bench_tool.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (arguments == nullptr || count < 3) return 64;
  const std::wstring mode = arguments[1];
  int status = 64;
  if (mode == L"hold") {
    HANDLE mutex = CreateMutexW(nullptr, TRUE, L"Orvex2011Installer");
    if (mutex != nullptr && count > 3) bench::AppendUtf8(arguments[3], L"holding\n");
    Sleep(static_cast<DWORD>(_wtoi(arguments[2])) * 1000);
    if (mutex != nullptr) CloseHandle(mutex);
    status = 0;
  } else if (mode == L"write") {
    HANDLE file = CreateFileW(arguments[2], GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    status = file == INVALID_HANDLE_VALUE ? static_cast<int>(GetLastError()) : 0;
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  } else if (mode == L"open" && count == 4) {
    HANDLE file = CreateFileW(arguments[2], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    status = file == INVALID_HANDLE_VALUE ? static_cast<int>(GetLastError()) : 0;
    while (file != INVALID_HANDLE_VALUE && GetFileAttributesW(arguments[3]) != INVALID_FILE_ATTRIBUTES) Sleep(100);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  } else if (mode == L"load" || mode == L"preload") {
    if (mode == L"preload") platform::win32::PreloadSystemLibraries();
    status = 0;
    for (int i = 2; i < count; ++i) {
      if (LoadLibraryW(arguments[i]) == nullptr) status = 1;
    }
  }
  LocalFree(arguments);
  return status;
}
