// A canary planted beside the setup under the name of a DLL the setup loads. When a process loads
// it, it appends its own path to the file named by ORVEX_CANARY_LOG, so a test can tell that a
// planted copy was taken instead of the system's.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t log[MAX_PATH];
  wchar_t path[MAX_PATH];
  const DWORD logLength = GetEnvironmentVariableW(L"ORVEX_CANARY_LOG", log, MAX_PATH);
  const DWORD pathLength = GetModuleFileNameW(self, path, MAX_PATH);
  if (logLength == 0 || logLength >= MAX_PATH || pathLength == 0 || pathLength >= MAX_PATH) return TRUE;
  HANDLE file = CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return TRUE;
  char line[MAX_PATH * 3 + 2];
  int length = WideCharToMultiByte(CP_UTF8, 0, path, static_cast<int>(pathLength), line, MAX_PATH * 3, nullptr,
                                   nullptr);
  line[length++] = '\n';
  DWORD written = 0;
  WriteFile(file, line, static_cast<DWORD>(length), &written, nullptr);
  CloseHandle(file);
  return TRUE;
}
