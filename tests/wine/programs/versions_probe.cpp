// Runs the installed-product detection of the setup against the real Windows Installer and
// registry, and writes what it found to a file (UTF-8), one "name=value" line each:
//
//   versions_probe.exe OUTPUT-FILE
//
//   result=0x........            GetRequiredMsiConfigureAction's result code
//   action=N                     the ConfigureAction
//   installedProductCode=...
//   installedMajorVersion=N
//   locationResult=0x........    GetPreviousInstallLocation(installedProductCode)
//   location=...                 its text (only when it succeeded)
//
// Ends with 0 once the file is written, 2 when it cannot be written, 64 on a wrong command line.
#include <windows.h>

#include <cstdio>
#include <string>

#include "base/product.h"
#include "platform/win32/text.h"
#include "versions/installed_product.h"

namespace {

std::string Utf8(const std::u16string& text) {
  if (text.empty()) return {};
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, Wide(text), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, Wide(text), static_cast<int>(text.size()), bytes.data(), size, nullptr,
                        nullptr);
  return bytes;
}

std::string Hex(HResult code) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%08lX", static_cast<unsigned long>(static_cast<std::uint32_t>(code)));
  return buffer;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 64;

  ConfigureAction action = ActionNone;
  const HResult result =
      GetRequiredMsiConfigureAction(kProductVersionHigh, kProductVersionLow, kInstallerProductCode, action);
  std::u16string location;
  const HResult locationResult = GetPreviousInstallLocation(installedProductCode, location);

  std::string report = "result=" + Hex(result) + "\n";
  report += "action=" + std::to_string(static_cast<int>(action)) + "\n";
  report += "installedProductCode=" + Utf8(installedProductCode) + "\n";
  report += "installedMajorVersion=" + std::to_string(installedMajorVersion) + "\n";
  report += "locationResult=" + Hex(locationResult) + "\n";
  if (locationResult == 0) report += "location=" + Utf8(location) + "\n";

  FILE* file = ::_wfopen(argv[1], L"wb");
  if (file == nullptr) return 2;
  const bool written = std::fwrite(report.data(), 1, report.size(), file) == report.size();
  return std::fclose(file) == 0 && written ? 0 : 2;
}
