#include "platform/win32/system_library.h"

#include <string>

namespace platform::win32 {

HMODULE LoadSystemLibrary(const wchar_t* fileName) {
  HMODULE module = ::LoadLibraryExW(fileName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module != nullptr || ::GetLastError() != ERROR_INVALID_PARAMETER) return module;
  wchar_t folder[MAX_PATH] = {};
  const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    if (length != 0) ::SetLastError(ERROR_BUFFER_OVERFLOW);
    return nullptr;
  }
  const std::wstring path = std::wstring(folder, length) + L"\\" + fileName;
  return ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

void PreloadSystemLibraries() {
  static constexpr const wchar_t* kLoadedByName[] = {
      L"version.dll", L"msimg32.dll", L"uxtheme.dll", L"dwmapi.dll",  L"profapi.dll", L"userenv.dll", L"cryptbase.dll",
      L"cryptsp.dll", L"rsaenh.dll",  L"kerberos.dll", L"msv1_0.dll", L"sspicli.dll", L"secur32.dll", L"ntmarta.dll",
      L"propsys.dll", L"apphelp.dll"};
  // kerberos and msv1_0 before secur32, which loads them by name as it starts; their own imports
  // come from the system folder they are loaded from.
  // Kept loaded until the process ends; a name this system lacks is no error.
  for (const wchar_t* name : kLoadedByName) (void)LoadSystemLibrary(name);
}

HMODULE CommonControlsLibrary() {
  static const HMODULE comctl32 = LoadSystemLibrary(L"comctl32.dll");
  return comctl32;
}

}  // namespace platform::win32
