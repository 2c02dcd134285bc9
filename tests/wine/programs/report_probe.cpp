// Opens the setup's help and cancellation links against the real shell, registry and system, and
// writes to a file (UTF-8) what it did and what the system reports, one "name=value" line each:
//
//   report_probe.exe OUTPUT-FILE install ACTION RESULT LANGUAGE
//       OpenInstallHelpLink(ACTION, LANGUAGE, RESULT)
//   report_probe.exe OUTPUT-FILE cancel WITH-VERSION MAJOR LANGUAGE
//       OpenUpgradeCancellationLink(WITH-VERSION != 0, LANGUAGE) with installedMajorVersion = MAJOR;
//       writes "opened=1" or "opened=0"; LANGUAGE "previous" stands for the "UILanguage" the
//       registry holds for that major version (PreviousUiLanguage)
//   report_probe.exe OUTPUT-FILE record
//       RecordInstalledVersion(kProductCode, kProductVersion)
//
// Every mode then writes "id=" and the text stored as the installation identifier (value
// kProductVersion of HKEY_LOCAL_MACHINE, else HKEY_CURRENT_USER, "Software\Orvex\Setup\<kProductCode>";
// "none" when neither has it), followed by the system's facts. Both are read here directly with the
// Win32 calls, independently of the program's own code:
//
//   version=MAJOR.MINOR.BUILD  sp=MAJOR.MINOR  suite=N  producttype=N
//   productinfo=N | missing    wow64=0|1       systemlocale=xx-YY | none   userlocale=xx-YY | none
//   country=XX | none          metrics=M86,M87,M88
//
// Ends with 0 once the file is written, 2 when it cannot be written, 64 on a wrong command line.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "base/product.h"
#include "i18n/language_packs.h"
#include "platform/win32/text.h"
#include "report/help_links.h"
#include "report/installation_id.h"
#include "versions/installed_product.h"

namespace {

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size =
      ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size, nullptr,
                        nullptr);
  return bytes;
}

std::string LocaleText(LCID lcid) {
  wchar_t language[16] = {};
  wchar_t country[16] = {};
  if (::GetLocaleInfoW(lcid, LOCALE_SISO639LANGNAME, language, 16) == 0 ||
      ::GetLocaleInfoW(lcid, LOCALE_SISO3166CTRYNAME, country, 16) == 0) {
    return "none";
  }
  return Utf8(std::wstring(language) + L"-" + country);
}

template <typename Function>
Function Kernel32(const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), name)));
}

std::string SystemFacts() {
  OSVERSIONINFOEXW info{};
  info.dwOSVersionInfoSize = sizeof info;
  ::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info));
  std::string facts = "version=" + std::to_string(info.dwMajorVersion) + "." + std::to_string(info.dwMinorVersion) +
                      "." + std::to_string(info.dwBuildNumber) + "\n";
  facts += "sp=" + std::to_string(info.wServicePackMajor) + "." + std::to_string(info.wServicePackMinor) + "\n";
  facts += "suite=" + std::to_string(info.wSuiteMask) + "\n";
  facts += "producttype=" + std::to_string(info.wProductType) + "\n";

  const auto getProductInfo = Kernel32<BOOL(WINAPI*)(DWORD, DWORD, DWORD, DWORD, PDWORD)>("GetProductInfo");
  DWORD productInfo = 0;
  if (getProductInfo != nullptr) {
    getProductInfo(info.dwMajorVersion, info.dwMinorVersion, info.wServicePackMajor, info.wServicePackMinor,
                   &productInfo);
    facts += "productinfo=" + std::to_string(productInfo) + "\n";
  } else {
    facts += "productinfo=missing\n";
  }

  const auto isWow64Process = Kernel32<BOOL(WINAPI*)(HANDLE, PBOOL)>("IsWow64Process");
  BOOL wow64 = FALSE;
  const bool emulated = isWow64Process != nullptr && isWow64Process(::GetCurrentProcess(), &wow64) && wow64;
  facts += std::string("wow64=") + (emulated ? "1" : "0") + "\n";

  facts += "systemlocale=" + LocaleText(::GetSystemDefaultLCID()) + "\n";
  facts += "userlocale=" + LocaleText(::GetUserDefaultLCID()) + "\n";

  std::string country = "none";
  const auto getUserGeoId = Kernel32<GEOID(WINAPI*)(GEOCLASS)>("GetUserGeoID");
  const auto getGeoInfo = Kernel32<int(WINAPI*)(GEOID, GEOTYPE, LPWSTR, int, LANGID)>("GetGeoInfoW");
  if (getUserGeoId != nullptr && getGeoInfo != nullptr) {
    const GEOID geo = getUserGeoId(GEOCLASS_NATION);
    wchar_t code[8] = {};
    if (geo != GEOID_NOT_AVAILABLE && getGeoInfo(geo, GEO_ISO2, code, 8, 0) != 0) country = Utf8(std::wstring(code));
  }
  facts += "country=" + country + "\n";
  facts += "metrics=" + std::to_string(::GetSystemMetrics(86)) + "," + std::to_string(::GetSystemMetrics(87)) + "," +
           std::to_string(::GetSystemMetrics(88)) + "\n";
  return facts;
}

std::string StoredIdentifier() {
  const std::u16string keyPath = std::u16string(u"Software\\Orvex\\Setup\\") + kProductCode;
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, Wide(keyPath), 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
    wchar_t text[128] = {};
    DWORD type = 0;
    DWORD size = sizeof text - sizeof(wchar_t);
    const LONG result =
        ::RegQueryValueExW(key, Wide(kProductVersion), nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
    ::RegCloseKey(key);
    if (result == ERROR_SUCCESS && type == REG_SZ) return Utf8(std::wstring(text));
  }
  return "none";
}

std::u16string FromArgument(const wchar_t* argument) { return FromWide(argument); }

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 64;
  const std::wstring mode = argv[2];
  std::string report;
  if (mode == L"install" && argc == 6) {
    const ConfigureAction action = static_cast<ConfigureAction>(std::wcstol(argv[3], nullptr, 10));
    const auto result = static_cast<std::uint32_t>(std::wcstoul(argv[4], nullptr, 10));
    OpenInstallHelpLink(action, FromArgument(argv[5]), result);
  } else if (mode == L"cancel" && argc == 6) {
    installedMajorVersion = static_cast<std::uint32_t>(std::wcstoul(argv[4], nullptr, 10));
    const std::u16string language =
        std::wstring(argv[5]) == L"previous" ? PreviousUiLanguage() : FromArgument(argv[5]);
    const bool opened = OpenUpgradeCancellationLink(std::wcstol(argv[3], nullptr, 10) != 0, language);
    report += std::string("opened=") + (opened ? "1" : "0") + "\n";
  } else if (mode == L"record" && argc == 3) {
    RecordInstalledVersion(kProductCode, kProductVersion);
  } else {
    return 64;
  }

  report += "id=" + StoredIdentifier() + "\n";
  report += SystemFacts();

  FILE* file = ::_wfopen(argv[1], L"wb");
  if (file == nullptr) return 2;
  const bool written = std::fwrite(report.data(), 1, report.size(), file) == report.size();
  return std::fclose(file) == 0 && written ? 0 : 2;
}
