// Shows which msi.dll a program gets when a copy is planted in its own folder.
//
//   planted_probe.exe REPORT adapter   the program's Windows Installer adapter loads msi.dll
//   planted_probe.exe REPORT plain     LoadLibraryW(L"msi.dll") with the default search order
//
// Both append "module=<path of the loaded msi.dll>", "planted=<1 when it exports the planted
// marker>" and, for the adapter, "state=<MsiQueryProductStateW of an unknown product>" to REPORT.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "installer/windows_installer.h"
#include "platform/installer.h"
#include "tests/wine/tools/bench_tool.h"

namespace {

std::wstring report;

void Report(const std::wstring& line) { bench::AppendUtf8(report, line + L"\n"); }

void ReportModule(HMODULE module) {
  wchar_t path[MAX_PATH] = {};
  if (module != nullptr) GetModuleFileNameW(module, path, MAX_PATH);
  Report(std::wstring(L"module=") + path);
  const bool planted = module != nullptr && GetProcAddress(module, "OrvexPlantedMsi") != nullptr;
  Report(std::wstring(L"planted=") + (planted ? L"1" : L"0"));
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (arguments == nullptr || count != 3) return 64;
  report = arguments[1];
  const std::wstring mode = arguments[2];
  LocalFree(arguments);
  if (mode == L"adapter") {
    UseWindowsInstaller();
    const int state = platform::MsiQueryProductStateW(u"{00000000-0000-0000-0000-000000000001}");
    ReportModule(GetModuleHandleW(L"msi.dll"));
    Report(L"state=" + std::to_wstring(state));
    return 0;
  }
  if (mode == L"plain") {
    ReportModule(LoadLibraryW(L"msi.dll"));
    return 0;
  }
  return 64;
}
