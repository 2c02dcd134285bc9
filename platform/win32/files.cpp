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

using FinalPathFunction = DWORD(WINAPI*)(HANDLE file, LPWSTR buffer, DWORD capacity, DWORD flags);

// The system's name of what a handle refers to, every link on the way resolved (the "\\?\" form);
// empty when it cannot say.
std::wstring FinalPathOf(FinalPathFunction finalPath, HANDLE handle) {
  std::vector<wchar_t> buffer(MAX_PATH);
  DWORD length = finalPath(handle, buffer.data(), static_cast<DWORD>(buffer.size()), 0);
  if (length >= buffer.size()) {
    buffer.resize(length + 1);
    length = finalPath(handle, buffer.data(), static_cast<DWORD>(buffer.size()), 0);
  }
  if (length == 0 || length >= buffer.size()) return std::wstring();
  return std::wstring(buffer.data(), length);
}

// Whether the handle's file is the one at the last component of `path` in its folder, not one that
// a link at that name led to (some systems follow links even when asked to open the link). The
// folder is opened the usual way, following the links on the way to it: a relocated or redirected
// profile, or a ProgramData behind a junction, has its folder under another name than the path
// given. The system's names of that folder and of the file, both with every link resolved, must
// then differ by exactly the file's name. From Vista on the system names a handle's file; before,
// there are no file links and opening the reparse point itself is all it takes.
bool IsFileAtName(HANDLE file, const std::u16string& path) {
  const auto finalPath = win32::SystemFunction<FinalPathFunction>(L"kernel32.dll", "GetFinalPathNameByHandleW");
  if (finalPath == nullptr) return true;
  using CompareFunction = int(WINAPI*)(LPCWSTR first, int firstLength, LPCWSTR second, int secondLength, BOOL noCase);
  const auto compare = win32::SystemFunction<CompareFunction>(L"kernel32.dll", "CompareStringOrdinal");
  const std::size_t slash = path.rfind(u'\\');
  if (compare == nullptr || slash == std::u16string::npos) return false;
  const FileHandle folder(::CreateFileW(Wide(path.substr(0, slash + 1)), FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!folder) return false;
  std::wstring expected = FinalPathOf(finalPath, folder.get());
  const std::wstring named = FinalPathOf(finalPath, file);
  if (expected.empty() || named.empty()) return false;
  if (expected.back() != L'\\') expected += L'\\';
  expected += Wide(path.substr(slash + 1));
  // Without case, as the file system compares names.
  return compare(named.c_str(), -1, expected.c_str(), -1, TRUE) == CSTR_EQUAL;
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
  // Never created nor truncated by the open itself: only a file that passed the checks is emptied.
  FileHandle file(::CreateFileW(Wide(path), GENERIC_WRITE | FILE_READ_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
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
  using SetInformationFunction = BOOL(WINAPI*)(HANDLE file, int informationClass, LPVOID information, DWORD size);
  const auto setInformation =
      win32::SystemFunction<SetInformationFunction>(L"kernel32.dll", "SetFileInformationByHandle");
  // Shared with nobody: a file someone has open is left, and while it is checked and deleted
  // nobody can rename, replace or link it. Before Vista the deletion needs a second handle, which
  // this one then admits.
  const FileHandle file(::CreateFileW(Wide(path), DELETE | FILE_READ_ATTRIBUTES,
                                      setInformation != nullptr ? 0 : FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file) return false;
  if (!IsPlainFileAt(file.get(), path)) {
    ::SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  if (setInformation != nullptr) {
    // FILE_DISPOSITION_INFO through the checked handle: the file goes as its only handle closes.
    constexpr int kFileDispositionInfo = 4;
    struct {
      BOOLEAN deleteFile;
    } disposition{TRUE};
    return setInformation(file.get(), kFileDispositionInfo, &disposition, sizeof disposition) != FALSE;
  }
  // Before Vista a second handle deletes it on closing. Should the checked file have been renamed
  // away meanwhile, that handle deletes the name put in its place by someone who could put one
  // there, and no more: these systems have no file links, and the name is opened itself.
  const FileHandle deleting(::CreateFileW(Wide(path), DELETE, FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  return deleting.valid();
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
