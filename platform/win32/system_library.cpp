#include "platform/win32/system_library.h"

#include <string>

namespace platform::win32 {

// Systems that do not know the search flag (Windows XP, Vista and 7 without KB2533623) refuse it
// as an invalid parameter; there the file is named by its full path in the system folder, and its
// own imports are looked for beside it.
HMODULE LoadSystemLibrary(const wchar_t* fileName) {
  HMODULE module = ::LoadLibraryExW(fileName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module != nullptr || ::GetLastError() != ERROR_INVALID_PARAMETER) return module;
  wchar_t folder[MAX_PATH] = {};
  const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  const std::wstring path = std::wstring(folder, length) + L"\\" + fileName;
  return ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace platform::win32
