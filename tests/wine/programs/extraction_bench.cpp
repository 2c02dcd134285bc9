// Benchmark: one run's writing of the main package from the program's resources, against a plain
// copy of the written file on the same disk (CopyFileW into the same folder, replacing the copy an
// earlier round left, as a later run replaces the package).
//
//   extraction_bench.exe REPORT
//
// Appends "extract_ms=<ms> copy_ms=<ms> bytes=<size> path=<package>" to REPORT. One extraction per
// process: a second one in the same process reuses the file the first one wrote.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

#include "installer/package_extraction.h"
#include "tests/wine/tools/bench_tool.h"

namespace {

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (arguments == nullptr || count != 2) return 64;
  const std::wstring report = arguments[1];
  LocalFree(arguments);

  LARGE_INTEGER start, extracted, copied;
  QueryPerformanceCounter(&start);
  const std::u16string written = ExtractMainPackage();
  QueryPerformanceCounter(&extracted);
  const std::wstring path(written.begin(), written.end());
  if (!CopyFileW(path.c_str(), (path + L".copy").c_str(), FALSE)) return 2;
  QueryPerformanceCounter(&copied);
  WIN32_FILE_ATTRIBUTE_DATA data{};
  GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
  wchar_t line[128] = {};
  std::swprintf(line, 128, L"extract_ms=%.2f copy_ms=%.2f bytes=%lu ", Milliseconds(start, extracted),
                Milliseconds(extracted, copied), data.nFileSizeLow);
  bench::AppendUtf8(report, line + (L"path=" + path) + L"\n");
  return 0;
}
