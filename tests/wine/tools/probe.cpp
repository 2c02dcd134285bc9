// A small GUI program that does, in the order given, what the setup program
// does towards its surroundings, so that the test bench can be checked
// against known behaviour.
//
//   /report FILE            append one line per step's result to FILE (UTF-8)
//   /args FILE ...          write the raw command line and each argument to FILE;
//                           the arguments after FILE are data, not options
//   /print TEXT             attach to the parent's console and write TEXT there
//   /box CAPTION TEXT TYPE  MessageBoxW without owner; TYPE in decimal or 0x hex
//   /box-default TEXT TYPE  the same with a null caption (the system's default)
//   /url URL                ShellExecuteW "open" of URL
//   /explorer PARAMETERS    ShellExecuteW "open" of explorer.exe with PARAMETERS
//   /lang                   report the user's UI language and locale ids (hex)
//   /version                report GetVersionExW's numbers and service pack
//   /sleep MS
//   /exit CODE              end with CODE (signed decimal or 0x hex) at once
//
// Texts may contain \n, \t and \\ and may be given as "hex:" plus UTF-8 bytes
// in hexadecimal. Without /exit the exit code is 0; an unknown option ends the
// program with 64.
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "bench_tool.h"

namespace {

std::wstring report_file;
HANDLE console_output = INVALID_HANDLE_VALUE;

void Report(const std::wstring& line) {
  if (!report_file.empty()) bench::AppendUtf8(report_file, line + L"\n");
}

std::wstring Unescape(const std::wstring& text) {
  std::wstring out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\\' && i + 1 < text.size()) {
      const wchar_t next = text[i + 1];
      if (next == L'n' || next == L't' || next == L'\\') {
        out += next == L'n' ? L'\n' : next == L't' ? L'\t' : L'\\';
        ++i;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

std::wstring Text(const wchar_t* arg) { return Unescape(bench::DecodeArgument(arg)); }

long Number(const wchar_t* text) {
  return static_cast<long>(static_cast<LONG>(wcstoul(text, nullptr, 0)));
}

long SignedNumber(const wchar_t* text) {
  if (text[0] == L'-') return wcstol(text, nullptr, 10);
  return Number(text);
}

void Print(const std::wstring& text) {
  if (console_output == INVALID_HANDLE_VALUE) {
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) {
      Report(L"attach=0 error=" + std::to_wstring(GetLastError()));
      return;
    }
    console_output = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                 nullptr);
    Report(L"attach=1 conout=" +
           std::wstring(console_output == INVALID_HANDLE_VALUE ? L"0" : L"1"));
    if (console_output == INVALID_HANDLE_VALUE) return;
  }
  DWORD written = 0;
  if (!WriteConsoleW(console_output, text.data(), static_cast<DWORD>(text.size()), &written,
                     nullptr)) {
    const std::string bytes = bench::ToUtf8(text);
    WriteFile(console_output, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr) return 65;

  for (int i = 1; i < argc; ++i) {
    const std::wstring option = argv[i];
    auto has = [&](int count) { return i + count < argc; };
    if (option == L"/report" && has(1)) {
      report_file = argv[++i];
    } else if (option == L"/args" && has(1)) {
      std::wstring text = L"line=" + std::wstring(GetCommandLineW()) + L"\n";
      for (int k = 0; k < argc; ++k) text += L"arg" + std::to_wstring(k) + L"=" + argv[k] + L"\n";
      bench::AppendUtf8(argv[i + 1], text);
      break;
    } else if (option == L"/print" && has(1)) {
      Print(Text(argv[++i]));
    } else if (option == L"/box" && has(3)) {
      const std::wstring caption = Text(argv[i + 1]);
      const std::wstring body = Text(argv[i + 2]);
      const UINT type = static_cast<UINT>(Number(argv[i + 3]));
      i += 3;
      Report(L"box=" + std::to_wstring(MessageBoxW(nullptr, body.c_str(), caption.c_str(), type)));
    } else if (option == L"/box-default" && has(2)) {
      const std::wstring body = Text(argv[i + 1]);
      const UINT type = static_cast<UINT>(Number(argv[i + 2]));
      i += 2;
      Report(L"box=" + std::to_wstring(MessageBoxW(nullptr, body.c_str(), nullptr, type)));
    } else if (option == L"/url" && has(1)) {
      const std::wstring url = Text(argv[++i]);
      const auto result = reinterpret_cast<INT_PTR>(
          ShellExecuteW(nullptr, L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
      Report(L"url=" + std::to_wstring(result));
    } else if (option == L"/explorer" && has(1)) {
      const std::wstring parameters = Text(argv[++i]);
      const auto result = reinterpret_cast<INT_PTR>(ShellExecuteW(
          nullptr, L"open", L"explorer.exe", parameters.c_str(), nullptr, SW_SHOWNORMAL));
      Report(L"explorer=" + std::to_wstring(result));
    } else if (option == L"/lang") {
      wchar_t text[64];
      wsprintfW(text, L"lang=0x%04x lcid=0x%04lx", GetUserDefaultUILanguage(),
                static_cast<unsigned long>(GetUserDefaultLCID()));
      Report(text);
    } else if (option == L"/version") {
      OSVERSIONINFOEXW info{};
      info.dwOSVersionInfoSize = sizeof(info);
      GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info));
      Report(L"version=" + std::to_wstring(info.dwMajorVersion) + L"." +
             std::to_wstring(info.dwMinorVersion) + L"." + std::to_wstring(info.dwBuildNumber) +
             L" sp=" + std::to_wstring(info.wServicePackMajor) + L" csd=" + info.szCSDVersion +
             L" type=" + std::to_wstring(info.wProductType));
    } else if (option == L"/sleep" && has(1)) {
      Sleep(static_cast<DWORD>(Number(argv[++i])));
    } else if (option == L"/exit" && has(1)) {
      ExitProcess(static_cast<UINT>(SignedNumber(argv[++i])));
    } else {
      Report(L"unknown option " + option);
      return 64;
    }
  }
  return 0;
}
