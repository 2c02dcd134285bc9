// Benchmark: one run's writing of the main package from the program's resources, against a plain
// copy of the written file on the same disk (CopyFileW into the same folder, replacing the copy an
// earlier round left, as a later run replaces the package).
//
//   extraction_bench.exe REPORT            extracts, then copies the written file
//   extraction_bench.exe REPORT copy PATH  only copies PATH, then reads it once through
//
// Appends "extract_ms=<ms> copy_ms=<ms> bytes=<size> path=<package>" to REPORT, or with copy
// "copy_ms=<ms> read_ms=<ms> bytes=<size>": the read takes the file in the pieces in which the
// extraction compares what it wrote. One extraction per process: a second one in the same process
// reuses the file the first one wrote.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "installer/package_extraction.h"
#include "tests/wine/tools/bench_tool.h"

namespace {

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

DWORD SizeOf(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
  return data.nFileSizeLow;
}

// Copies `path` beside itself; with `read`, then reads it once through. False on any failure.
bool CopyAndRead(const std::wstring& path, bool read, double& copyMs, double& readMs) {
  LARGE_INTEGER start, copied, done;
  QueryPerformanceCounter(&start);
  if (!CopyFileW(path.c_str(), (path + L".copy").c_str(), FALSE)) return false;
  QueryPerformanceCounter(&copied);
  copyMs = Milliseconds(start, copied);
  if (!read) return true;
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::vector<BYTE> chunk(64 * 1024);
  DWORD count = 0;
  while (ReadFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &count, nullptr) && count != 0) {
  }
  CloseHandle(file);
  QueryPerformanceCounter(&done);
  readMs = Milliseconds(copied, done);
  return true;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (arguments == nullptr) return 64;
  const bool copyOnly = count == 4 && std::wstring(arguments[2]) == L"copy";
  if (count != 2 && !copyOnly) return 64;
  const std::wstring report = arguments[1];
  const std::wstring given = copyOnly ? arguments[3] : L"";
  LocalFree(arguments);

  wchar_t line[128] = {};
  double copyMs = 0;
  double readMs = 0;
  if (copyOnly) {
    if (!CopyAndRead(given, true, copyMs, readMs)) return 2;
    std::swprintf(line, 128, L"copy_ms=%.2f read_ms=%.2f bytes=%lu\n", copyMs, readMs, SizeOf(given));
    bench::AppendUtf8(report, line);
    return 0;
  }

  LARGE_INTEGER start, extracted;
  QueryPerformanceCounter(&start);
  const std::u16string written = ExtractMainPackage();
  QueryPerformanceCounter(&extracted);
  const std::wstring path(written.begin(), written.end());
  if (!CopyAndRead(path, false, copyMs, readMs)) return 2;
  std::swprintf(line, 128, L"extract_ms=%.2f copy_ms=%.2f bytes=%lu ", Milliseconds(start, extracted), copyMs,
                SizeOf(path));
  bench::AppendUtf8(report, line + (L"path=" + path) + L"\n");
  return 0;
}
