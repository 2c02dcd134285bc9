#include "platform/files.h"

#include <windows.h>
#include <accctrl.h>
#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <cwchar>
#include <vector>

#include "platform/win32/owners.h"
#include "platform/win32/system_functions.h"
#include "platform/win32/text.h"

namespace platform {
namespace {

// Full control for SYSTEM and the Administrators, read and execute for Users, inherited by files
// and folders inside; "P" protects it from what the parent folder passes on.
constexpr wchar_t kRestrictedFolderDacl[] =
    L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

// The restricted folder's security descriptor, in a LocalAlloc block.
win32::LocalMemory RestrictedDescriptor() {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(kRestrictedFolderDacl, SDDL_REVISION_1, &descriptor,
                                                              nullptr)) {
    return win32::LocalMemory();
  }
  return win32::LocalMemory(descriptor);
}

bool IsPlainFile(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION information{};
  if (!::GetFileInformationByHandle(file, &information)) return false;
  return (information.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) == 0 &&
         information.nNumberOfLinks == 1;
}

// A SID of the NT authority, freed with FreeSid.
struct SidTraits {
  using Value = PSID;
  static Value Invalid() { return nullptr; }
  static void Close(Value sid) { ::FreeSid(sid); }
};
using Sid = UniqueHandle<SidTraits>;

Sid WellKnownSid(DWORD subAuthority0, DWORD subAuthority1, BYTE count) {
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID known = nullptr;
  if (!::AllocateAndInitializeSid(&nt, count, subAuthority0, subAuthority1, 0, 0, 0, 0, 0, 0, &known)) return Sid();
  return Sid(known);
}

Sid Administrators() { return WellKnownSid(SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 2); }

bool EqualsSid(PSID sid, const Sid& other) { return other && ::EqualSid(sid, other.get()) != FALSE; }

// Whether `sid` is the owner this process's token gives the objects it creates.
bool IsDefaultOwner(PSID sid) {
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) return false;
  const win32::KernelHandle token(raw);
  DWORD size = 0;
  ::GetTokenInformation(token.get(), TokenOwner, nullptr, 0, &size);
  if (size == 0) return false;
  std::vector<std::uint8_t> buffer(size);
  if (!::GetTokenInformation(token.get(), TokenOwner, buffer.data(), size, &size)) return false;
  return ::EqualSid(sid, reinterpret_cast<TOKEN_OWNER*>(buffer.data())->Owner) != FALSE;
}

// Whether the handle's file is the one at `path` itself and not one that a link in the path led
// to (some systems follow links even when asked to open the link). From Vista on the system names
// the file a handle refers to; before, there are no file links and opening the reparse point
// itself is all it takes.
bool IsFileAtName(HANDLE file, const std::u16string& path) {
  using FinalPathFunction = DWORD(WINAPI*)(HANDLE file, LPWSTR buffer, DWORD capacity, DWORD flags);
  const auto finalPath = win32::SystemFunction<FinalPathFunction>(L"kernel32.dll", "GetFinalPathNameByHandleW");
  if (finalPath == nullptr) return true;
  std::vector<wchar_t> buffer(MAX_PATH);
  DWORD length = finalPath(file, buffer.data(), static_cast<DWORD>(buffer.size()), 0);
  if (length >= buffer.size()) {
    buffer.resize(length + 1);
    length = finalPath(file, buffer.data(), static_cast<DWORD>(buffer.size()), 0);
  }
  if (length == 0 || length >= buffer.size()) return false;
  std::wstring named(buffer.data(), length);
  constexpr wchar_t kLongPrefix[] = L"\\\\?\\";
  constexpr wchar_t kLongUncPrefix[] = L"\\\\?\\UNC\\";
  if (named.rfind(kLongUncPrefix, 0) == 0) {
    named = L"\\" + named.substr(std::wcslen(kLongUncPrefix) - 1);
  } else if (named.rfind(kLongPrefix, 0) == 0) {
    named.erase(0, std::wcslen(kLongPrefix));
  }
  return ::lstrcmpiW(named.c_str(), Wide(path)) == 0;
}

// A search of FindFirstFileW, ended with FindClose.
struct FileSearchTraits {
  using Value = HANDLE;
  static Value Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Value search) { ::FindClose(search); }
};
using FileSearch = UniqueHandle<FileSearchTraits>;

// A plain file with one name, the one at `path`.
bool IsPlainFileAt(HANDLE file, const std::u16string& path) { return IsPlainFile(file) && IsFileAtName(file, path); }

}  // namespace

FileHandle CreateFileForWriting(const std::u16string& path) {
  // Nothing at the name is removed or followed: CREATE_NEW fails on anything there, a link
  // included (some systems' deletion by name follows links; this never needs one).
  FileHandle file(::CreateFileW(Wide(path), GENERIC_WRITE | FILE_READ_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (file && !IsPlainFile(file.get())) {
    file.reset();
    ::SetLastError(ERROR_ACCESS_DENIED);
  }
  return file;
}

FileHandle OpenFileForRewriting(const std::u16string& path) {
  // Never truncated by the open itself: only a file that passed the checks is emptied.
  FileHandle file(::CreateFileW(Wide(path), GENERIC_WRITE | FILE_READ_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file) return file;
  if (!IsPlainFileAt(file.get(), path)) {
    file.reset();
    ::SetLastError(ERROR_ACCESS_DENIED);
    return file;
  }
  if (::SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER || !::SetEndOfFile(file.get())) {
    const DWORD error = ::GetLastError();
    file.reset();
    ::SetLastError(error);
  }
  return file;
}

bool ReadFromFile(const FileHandle& file, std::uint8_t* buffer, std::uint32_t capacity, std::uint32_t& read) {
  DWORD count = 0;
  if (!::ReadFile(file.get(), buffer, capacity, &count, nullptr)) return false;
  read = count;
  return true;
}

bool DeleteUnusedPlainFile(const std::u16string& path) {
  // Shared with nobody but the deletion below: a file someone has open is left.
  const FileHandle file(::CreateFileW(Wide(path), DELETE | FILE_READ_ATTRIBUTES, FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file) return false;
  if (!IsPlainFileAt(file.get(), path)) {
    ::SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  // Checked and still open: the name cannot meanwhile be given to another file (replacing it needs
  // the delete access this handle shares only with the deletion, in a folder only administrators
  // may write to).
  return ::DeleteFileW(Wide(path)) != FALSE;
}

std::vector<std::u16string> FindFileNames(const std::u16string& pattern) {
  std::vector<std::u16string> names;
  WIN32_FIND_DATAW found{};
  const FileSearch search(::FindFirstFileW(Wide(pattern), &found));
  if (!search) return names;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names.push_back(FromWide(found.cFileName));
  } while (::FindNextFileW(search.get(), &found));
  return names;
}

bool QueryFileIdentity(const FileHandle& file, FileIdentity& identity) {
  BY_HANDLE_FILE_INFORMATION information{};
  if (!::GetFileInformationByHandle(file.get(), &information)) return false;
  identity.volume = information.dwVolumeSerialNumber;
  identity.index = (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow;
  return true;
}

FileHandle OpenFileForHolding(const std::u16string& path) {
  FileHandle file(::CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (file && !IsPlainFile(file.get())) {
    file.reset();
    ::SetLastError(ERROR_ACCESS_DENIED);
  }
  return file;
}

FileHandle OpenFolderForSecurity(const std::u16string& path) {
  return FileHandle(::CreateFileW(Wide(path), READ_CONTROL | WRITE_DAC | WRITE_OWNER | FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

bool QueryFolderFacts(const FileHandle& folder, FolderFacts& facts) {
  BY_HANDLE_FILE_INFORMATION information{};
  if (!::GetFileInformationByHandle(folder.get(), &information)) return false;
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD status = ::GetSecurityInfo(folder.get(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                                         nullptr, nullptr, &descriptor);
  if (status != ERROR_SUCCESS) {
    ::SetLastError(status);
    return false;
  }
  win32::LocalMemory descriptorOwner(descriptor);
  facts.isDirectory = (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  facts.isReparsePoint = (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  facts.ownedBySystemOrAdministrators =
      owner != nullptr &&
      (EqualsSid(owner, WellKnownSid(SECURITY_LOCAL_SYSTEM_RID, 0, 1)) || EqualsSid(owner, Administrators()));
  facts.ownedByDefaultOwner = owner != nullptr && IsDefaultOwner(owner);
  return true;
}

bool RestrictFolder(const FileHandle& folder, bool giveToAdministrators) {
  const win32::LocalMemory descriptor = RestrictedDescriptor();
  if (!descriptor) return false;
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  PACL dacl = nullptr;
  if (!::GetSecurityDescriptorDacl(descriptor.get(), &present, &dacl, &defaulted)) return false;
  const Sid administrators = giveToAdministrators ? Administrators() : Sid();
  if (giveToAdministrators && !administrators) return false;
  SECURITY_INFORMATION what = DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION;
  if (giveToAdministrators) what |= OWNER_SECURITY_INFORMATION;
  const DWORD status =
      ::SetSecurityInfo(folder.get(), SE_FILE_OBJECT, what, administrators.get(), nullptr, dacl, nullptr);
  if (status == ERROR_SUCCESS) return true;
  ::SetLastError(status);
  return false;
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

bool CreateFolder(const std::u16string& path, bool restricted) {
  if (!restricted) return ::CreateDirectoryW(Wide(path), nullptr) != FALSE;
  const win32::LocalMemory descriptor = RestrictedDescriptor();
  if (!descriptor) return false;
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.get(), FALSE};
  return ::CreateDirectoryW(Wide(path), &attributes) != FALSE;
}

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
  // Some systems leave the name unterminated when the folder is too long for it (seen with a
  // 254-character folder): the extra character and the length check refuse that name.
  wchar_t buffer[MAX_PATH + 1] = {};
  const UINT result = ::GetTempFileNameW(Wide(folder), Wide(prefix), unique, buffer);
  if (result == 0) return 0;
  if (std::wcslen(buffer) >= MAX_PATH) {
    ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return 0;
  }
  path = FromWide(buffer);
  return result;
}

}  // namespace platform
