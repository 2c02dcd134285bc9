// Stands in for a web browser: appends what it was asked to open, one line per
// start, to a file, and shows nothing.
//
//   urlrecorder.exe [--out FILE] [--raw] ARGUMENTS
//
// FILE may be given as "hex:" plus its UTF-8 bytes in hexadecimal.
// It records the rest of its command line after the options as it is, except
// that without --raw one pair of double quotes around the whole rest is
// dropped: registered as "urlrecorder.exe" --out "FILE" "%1" it records exactly
// the URL, quotes inside it included. With --raw, or when the program file is
// named explorer.exe, nothing is dropped: a copy named explorer.exe shows
// exactly which parameters a program handed to Explorer.
//
// The file is FILE, else the path in the environment variable
// BENCH_RECORDER_OUT (a Linux path such as /tmp/x.txt is accepted), else the
// program's own path with the extension ".txt" (explorer.exe -> explorer.txt).
// Lines are UTF-8 and end with "\n". The exit code is 0, or 1 when the file
// cannot be written.
#include <windows.h>

#include <string>
#include <vector>

#include "bench_tool.h"

namespace {

std::wstring OwnPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::wstring BaseName(const std::wstring& path) {
  const std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// The file next to the program: its path with the extension replaced by .txt.
std::wstring FileNextToSelf(const std::wstring& own) {
  const std::size_t slash = own.find_last_of(L"\\/");
  const std::size_t dot = own.find_last_of(L'.');
  if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) {
    return own + L".txt";
  }
  return own.substr(0, dot) + L".txt";
}

std::wstring FromEnvironment() {
  const DWORD size = GetEnvironmentVariableW(L"BENCH_RECORDER_OUT", nullptr, 0);
  if (size == 0) return {};
  std::wstring value(size, L'\0');
  value.resize(GetEnvironmentVariableW(L"BENCH_RECORDER_OUT", value.data(), size));
  if (!value.empty() && value[0] == L'/') {
    // Wine maps the Linux root to drive Z:.
    for (wchar_t& c : value) {
      if (c == L'/') c = L'\\';
    }
    value = L"Z:" + value;
  }
  return value;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const std::wstring own_line = GetCommandLineW();
  const std::vector<bench::Token> tokens = bench::SplitCommandLine(own_line);
  const std::wstring own_path = OwnPath();

  std::wstring out;
  bool raw = _wcsicmp(BaseName(own_path).c_str(), L"explorer.exe") == 0;
  std::size_t first = 1;
  while (first < tokens.size()) {
    if (tokens[first].text == L"--out" && first + 1 < tokens.size()) {
      out = bench::DecodeArgument(tokens[first + 1].text);
      first += 2;
    } else if (tokens[first].text == L"--raw") {
      raw = true;
      first += 1;
    } else {
      break;
    }
  }

  std::wstring record = bench::RestOfLine(own_line, tokens[first - 1]);
  if (!raw && record.size() >= 2 && record.front() == L'"' && record.back() == L'"') {
    record = record.substr(1, record.size() - 2);
  }

  if (out.empty()) out = FromEnvironment();
  if (out.empty()) out = FileNextToSelf(own_path);
  return bench::AppendUtf8(out, record + L"\n") ? 0 : 1;
}
