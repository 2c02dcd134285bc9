// Runs the program's package extraction for the Wine tests and reports what it did.
//
//   extraction_probe.exe REPORT main            ExtractMainPackage
//   extraction_probe.exe REPORT main-locked PATH  the same while the file PATH is held open
//                                               without sharing
//   extraction_probe.exe REPORT pack NAME       ExtractLanguagePack of the resource NAME
//   extraction_probe.exe REPORT attributes PATH the attributes of a file or folder
//   extraction_probe.exe REPORT plain PATH      sets a file's or folder's attributes to normal
//   extraction_probe.exe REPORT security PATH   the owner and DACL of a file or folder ("security=",
//                                               in the system's descriptor language)
//   extraction_probe.exe REPORT message NUMBER  the system's text for an error number, with "\r"
//                                               and "\n" written as those two characters
//
// Each step appends "key=value" lines (UTF-8) to REPORT: "path=" the returned path, "ticks=" the
// tick count read just before and just after the extraction, "attributes=" in hexadecimal.
// Failures of the extraction itself end the process through the program's fatal error box.
#include <windows.h>
#include <shellapi.h>
#include <aclapi.h>
#include <sddl.h>

#include <string>

#include "base/errors.h"
#include "installer/package_extraction.h"
#include "tests/wine/tools/bench_tool.h"

namespace {

std::wstring report;

void Report(const std::wstring& line) { bench::AppendUtf8(report, line + L"\n"); }

std::wstring Text(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

std::u16string Text16(const std::wstring& text) { return std::u16string(text.begin(), text.end()); }

void ExtractMain() {
  const DWORD before = GetTickCount();
  const std::u16string path = ExtractMainPackage();
  const DWORD after = GetTickCount();
  Report(L"path=" + Text(path));
  Report(L"ticks=" + std::to_wstring(before) + L" " + std::to_wstring(after));
}

// Opens the file at `path` the way another program holding it would.
HANDLE HoldFile(const std::wstring& path) {
  const HANDLE held = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  Report(L"held=" + std::wstring(held == INVALID_HANDLE_VALUE ? L"0" : L"1") + L" " + path);
  return held;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (arguments == nullptr || count < 3) return 64;
  report = arguments[1];
  const std::wstring command = arguments[2];
  int result = 0;
  if (command == L"main") {
    ExtractMain();
  } else if (command == L"main-locked" && count == 4) {
    const HANDLE held = HoldFile(arguments[3]);
    ExtractMain();
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
  } else if (command == L"pack" && count == 4) {
    Report(L"path=" + Text(ExtractLanguagePack(Text16(arguments[3]))));
  } else if (command == L"plain" && count == 4) {
    Report(L"plain=" + std::to_wstring(SetFileAttributesW(arguments[3], FILE_ATTRIBUTE_NORMAL)));
  } else if (command == L"message" && count == 4) {
    std::wstring escaped;
    for (const char16_t c : SystemMessageText(static_cast<std::uint32_t>(_wtoi(arguments[3])))) {
      escaped += c == u'\r' ? L"\\r" : c == u'\n' ? L"\\n" : std::wstring(1, static_cast<wchar_t>(c));
    }
    Report(L"message=" + escaped);
  } else if (command == L"security" && count == 4) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    LPWSTR text = nullptr;
    const SECURITY_INFORMATION what = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    if (GetNamedSecurityInfoW(arguments[3], SE_FILE_OBJECT, what, nullptr, nullptr, nullptr, nullptr,
                              &descriptor) == ERROR_SUCCESS &&
        ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1, what, &text, nullptr)) {
      Report(std::wstring(L"security=") + text);
    }
    if (text != nullptr) LocalFree(text);
    if (descriptor != nullptr) LocalFree(descriptor);
  } else if (command == L"attributes" && count == 4) {
    wchar_t hex[16] = {};
    wsprintfW(hex, L"%lx", GetFileAttributesW(arguments[3]));
    Report(std::wstring(L"attributes=") + hex);
  } else {
    result = 64;
  }
  LocalFree(arguments);
  return result;
}
