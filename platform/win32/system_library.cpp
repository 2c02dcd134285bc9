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

HMODULE CommonControlsLibrary() {
  static const HMODULE comctl32 = LoadSystemLibrary(L"comctl32.dll");
  return comctl32;
}

}  // namespace platform::win32
