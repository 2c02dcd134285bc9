#include "platform/system_info.h"

#include <windows.h>

#include "platform/win32/owners.h"
#include "platform/win32/system_functions.h"
#include "platform/win32/system_library.h"
#include "platform/win32/text.h"

namespace platform {

bool FormatSystemMessage(std::uint32_t number, std::u16string& text) {
  LPWSTR buffer = nullptr;
  const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, number,
                                        0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
  if (length == 0 || buffer == nullptr) return false;
  win32::LocalMemory owner(reinterpret_cast<HLOCAL>(buffer));
  text = FromWide(buffer, length);
  return true;
}

std::uint16_t UserDefaultUiLanguage() { return ::GetUserDefaultUILanguage(); }
std::uint32_t UserDefaultLcid() { return ::GetUserDefaultLCID(); }
std::uint32_t SystemDefaultLcid() { return ::GetSystemDefaultLCID(); }

bool GetLocaleString(std::uint32_t lcid, std::uint32_t type, std::uint32_t capacity, std::u16string& text) {
  std::wstring buffer(capacity, L'\0');
  if (::GetLocaleInfoW(lcid, type, buffer.data(), static_cast<int>(capacity)) == 0) return false;
  text = FromWide(buffer.c_str());
  return true;
}

VersionFacts QueryVersionFacts() {
  OSVERSIONINFOEXW info{};
  info.dwOSVersionInfoSize = sizeof info;
  VersionFacts facts;
  facts.queried = ::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info)) != FALSE;
  facts.major = info.dwMajorVersion;
  facts.minor = info.dwMinorVersion;
  facts.build = info.dwBuildNumber;
  facts.servicePackMajor = info.wServicePackMajor;
  facts.servicePackMinor = info.wServicePackMinor;
  facts.suiteMask = info.wSuiteMask;
  facts.productType = info.wProductType;
  return facts;
}

namespace {
template <typename Function>
Function Kernel32Function(const char* name) {
  return win32::SystemFunction<Function>(L"kernel32.dll", name);
}
}  // namespace

bool QueryUserGeoId(std::uint32_t geoClass, std::int32_t& geoId) {
  using Function = LONG(WINAPI*)(DWORD);
  const auto getUserGeoId = Kernel32Function<Function>("GetUserGeoID");
  if (getUserGeoId == nullptr) return false;
  geoId = getUserGeoId(geoClass);
  return true;
}

bool QueryGeoInfo(std::int32_t geoId, std::uint32_t geoType, std::uint32_t capacity, std::u16string& text) {
  using Function = int(WINAPI*)(LONG, DWORD, LPWSTR, int, LANGID);
  const auto getGeoInfo = Kernel32Function<Function>("GetGeoInfoW");
  if (getGeoInfo == nullptr) return false;
  std::wstring buffer(capacity, L'\0');
  if (getGeoInfo(geoId, geoType, buffer.data(), static_cast<int>(capacity), 0) == 0) return false;
  text = FromWide(buffer.c_str());
  return true;
}

bool QueryIsWow64Process(bool& wow64) {
  using Function = BOOL(WINAPI*)(HANDLE, PBOOL);
  const auto isWow64Process = Kernel32Function<Function>("IsWow64Process");
  if (isWow64Process == nullptr) return false;
  BOOL result = FALSE;
  if (!isWow64Process(::GetCurrentProcess(), &result)) return false;
  wow64 = result != FALSE;
  return true;
}

bool QueryProductInfo(std::uint32_t major, std::uint32_t minor, std::uint32_t spMajor, std::uint32_t spMinor,
                      std::uint32_t& productType) {
  using Function = BOOL(WINAPI*)(DWORD, DWORD, DWORD, DWORD, PDWORD);
  const auto getProductInfo = Kernel32Function<Function>("GetProductInfo");
  if (getProductInfo == nullptr) return false;
  DWORD type = 0;
  getProductInfo(major, minor, spMajor, spMinor, &type);
  productType = type;
  return true;
}

int SystemMetric(int index) { return ::GetSystemMetrics(index); }

namespace {

// WTS_INFO_CLASS and the functions of wtsapi32.dll, which is loaded from the system folder when
// first needed and stays loaded until the process ends.
using QuerySessionFunction = BOOL(WINAPI*)(HANDLE server, DWORD session, int infoClass, LPWSTR* buffer,
                                           DWORD* bytes);
using FreeMemoryFunction = void(WINAPI*)(void* memory);
const HANDLE kCurrentServer = nullptr;
constexpr DWORD kCurrentSession = static_cast<DWORD>(-1);

struct SessionFunctions {
  QuerySessionFunction query = nullptr;
  FreeMemoryFunction free = nullptr;
};

const SessionFunctions& Wtsapi() {
  static const win32::LoadedModule module(win32::LoadSystemLibrary(L"wtsapi32.dll"));
  static const SessionFunctions functions = [] {
    SessionFunctions bound;
    if (!module) return bound;
    const auto query = ::GetProcAddress(module.get(), "WTSQuerySessionInformationW");
    const auto free = ::GetProcAddress(module.get(), "WTSFreeMemory");
    if (query == nullptr || free == nullptr) return bound;
    bound.query = reinterpret_cast<QuerySessionFunction>(reinterpret_cast<void*>(query));
    bound.free = reinterpret_cast<FreeMemoryFunction>(reinterpret_cast<void*>(free));
    return bound;
  }();
  return functions;
}

}  // namespace

bool QuerySessionText(std::uint32_t infoClass, std::u16string& text) {
  const SessionFunctions& wts = Wtsapi();
  if (wts.query == nullptr) return false;
  LPWSTR buffer = nullptr;
  DWORD bytes = 0;
  if (!wts.query(kCurrentServer, kCurrentSession, static_cast<int>(infoClass), &buffer, &bytes)) return false;
  if (buffer == nullptr) return false;
  const std::size_t units = bytes / sizeof(wchar_t);
  std::size_t length = 0;
  while (length < units && buffer[length] != L'\0') ++length;
  text = FromWide(buffer, length);
  wts.free(buffer);
  return true;
}

}  // namespace platform
