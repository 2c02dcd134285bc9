#include "platform/files.h"

#include <windows.h>
#include <shlobj.h>

#include <vector>

#include "platform/win32/text.h"

namespace platform {

FileHandle CreateFileForWriting(const std::u16string& path) {
  return FileHandle(
      ::CreateFileW(Wide(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool WriteToFile(const FileHandle& file, const std::uint8_t* data, std::uint32_t size) {
  DWORD written = 0;
  if (!::WriteFile(file.get(), data, size, &written, nullptr)) return false;
  if (written == size) return true;
  // A synchronous write to a disk file writes everything or fails. Should it ever come back short,
  // it fails with an error of its own rather than whatever the last error held before.
  ::SetLastError(ERROR_WRITE_FAULT);
  return false;
}

bool DeleteFileAt(const std::u16string& path) { return ::DeleteFileW(Wide(path)) != FALSE; }

std::int32_t GetSpecialFolderPath(int folder, std::u16string& path) {
  wchar_t buffer[MAX_PATH] = {};
  const HRESULT result = ::SHGetFolderPathW(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, buffer);
  if (result == S_OK) path = FromWide(buffer);
  return result;
}

bool CreateFolder(const std::u16string& path) { return ::CreateDirectoryW(Wide(path), nullptr) != FALSE; }

std::uint32_t ReadProfileString(const std::u16string& file, const std::u16string& section, const std::u16string& key,
                                const std::u16string& defaultText, std::uint32_t capacity, std::u16string& text) {
  std::wstring buffer(capacity, L'\0');
  const DWORD length = ::GetPrivateProfileStringW(Wide(section), Wide(key), Wide(defaultText), buffer.data(),
                                                  capacity, Wide(file));
  text = FromWide(buffer.c_str(), length < capacity ? length : 0);
  return length;
}

bool SetFileAttributesAt(const std::u16string& path, std::uint32_t attributes) {
  return ::SetFileAttributesW(Wide(path), attributes) != FALSE;
}

std::uint32_t GetTempFolderPath(std::uint32_t capacity, std::u16string& path) {
  std::vector<wchar_t> buffer(capacity + 1, L'\0');
  const DWORD result = ::GetTempPathW(capacity, buffer.data());
  if (result != 0 && result <= capacity) path = FromWide(buffer.data());
  return result;
}

std::uint32_t GetWindowsFolderPath(std::uint32_t capacity, std::u16string& path) {
  std::vector<wchar_t> buffer(capacity + 1, L'\0');
  const UINT result = ::GetWindowsDirectoryW(buffer.data(), capacity);
  if (result != 0 && result < capacity) path = FromWide(buffer.data());
  return result;
}

bool SetCurrentFolder(const std::u16string& path) { return ::SetCurrentDirectoryW(Wide(path)) != FALSE; }

std::uint32_t CreateTempFileName(const std::u16string& folder, const std::u16string& prefix, std::uint32_t unique,
                                 std::u16string& path) {
  wchar_t buffer[MAX_PATH] = {};
  const UINT result = ::GetTempFileNameW(Wide(folder), Wide(prefix), unique, buffer);
  if (result != 0) path = FromWide(buffer);
  return result;
}

}  // namespace platform
