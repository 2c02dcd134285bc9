// Benchmark: writing the main package from the program's resources against a plain copy of the
// written file on the same disk (CopyFileW into the same folder). From the second round on both
// overwrite a file of the same size, so both pay for truncating it.
//
//   extraction_bench.exe REPORT ROUNDS
//
// Appends one line per round ("round=<n> extract_ms=<ms> copy_ms=<ms>") and a summary
// ("bytes=<size> extract_median_ms=<ms> copy_median_ms=<ms> ratio=<extract/copy>", then the same
// for the fastest rounds, which a busy machine disturbs least) to REPORT.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "installer/package_extraction.h"
#include "tests/wine/tools/bench_tool.h"

namespace {

std::wstring report;

void Report(const std::wstring& line) { bench::AppendUtf8(report, line + L"\n"); }

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::wstring Format(const wchar_t* format, double value) {
  wchar_t text[64] = {};
  std::swprintf(text, 64, format, value);
  return text;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (arguments == nullptr || count != 3) return 64;
  report = arguments[1];
  const int rounds = std::max(1, _wtoi(arguments[2]));
  LocalFree(arguments);

  std::vector<double> extract;
  std::vector<double> copy;
  std::wstring path;
  for (int round = 1; round <= rounds; ++round) {
    LARGE_INTEGER start, extracted, copied;
    QueryPerformanceCounter(&start);
    const std::u16string written = ExtractMainPackage();
    QueryPerformanceCounter(&extracted);
    path.assign(written.begin(), written.end());
    const std::wstring copyPath = path + L".copy";
    if (!CopyFileW(path.c_str(), copyPath.c_str(), FALSE)) return 2;
    QueryPerformanceCounter(&copied);
    extract.push_back(Milliseconds(start, extracted));
    copy.push_back(Milliseconds(extracted, copied));
    Report(L"round=" + std::to_wstring(round) + Format(L" extract_ms=%.2f", extract.back()) +
           Format(L" copy_ms=%.2f", copy.back()));
  }

  DeleteFileW((path + L".copy").c_str());
  WIN32_FILE_ATTRIBUTE_DATA data{};
  GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
  const double extractMedian = Median(extract);
  const double copyMedian = Median(copy);
  const double extractBest = *std::min_element(extract.begin(), extract.end());
  const double copyBest = *std::min_element(copy.begin(), copy.end());
  Report(L"bytes=" + std::to_wstring(data.nFileSizeLow) + Format(L" extract_median_ms=%.2f", extractMedian) +
         Format(L" copy_median_ms=%.2f", copyMedian) + Format(L" ratio=%.2f", extractMedian / copyMedian));
  Report(Format(L"extract_best_ms=%.2f", extractBest) + Format(L" copy_best_ms=%.2f", copyBest) +
         Format(L" best_ratio=%.2f", extractBest / copyBest));
  return 0;
}
