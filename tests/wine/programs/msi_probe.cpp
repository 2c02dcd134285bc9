// Drives the program's Windows Installer adapter (platform/installer.h) for the Wine tests.
//
//   msi_probe.exe REPORT STEP [STEP...]
//
// Steps, run in order, each appending "key=value" lines (UTF-8) to REPORT:
//   log PATH              MsiEnableLogW(verbose, PATH, append)       -> log=<result>
//   install PKG PROPS     at UI level none, level restored after     -> install=<result>
//   remove PRODUCT        MsiConfigureProductW(default level, absent) at UI level none
//                                                                    -> remove=<result>
//   state PRODUCT         MsiQueryProductStateW                      -> state=<state>
//   version PRODUCT       MsiGetProductInfoW "VersionString", 32 characters
//                                                                    -> version=<result> <text>
//   files PKG             "SELECT FileName FROM File" on the package opened read-only, with a
//                         record buffer of 16 characters that grows on "more data"
//                                                                    -> files=<result>, file=<name>...,
//                                                                       regrown=<times>
//   ui                    the current UI level, read by setting and restoring it -> ui=<level>
// Every step that changes the UI level also reports "ui-set=<returned by the change>
// ui-restore=<returned by the restore>": the restore must return the level the change set.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "platform/installer.h"
#include "tests/wine/tools/bench_tool.h"

namespace {

std::wstring report;

void Report(const std::wstring& line) { bench::AppendUtf8(report, line + L"\n"); }

std::wstring Text(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }
std::u16string Text16(const std::wstring& text) { return std::u16string(text.begin(), text.end()); }
std::wstring Number(long long value) { return std::to_wstring(value); }

// Runs `body` at UI level none and restores the previous level, reporting both answers.
template <typename Body>
void AtUiLevelNone(Body body) {
  const int previous = platform::MsiSetInternalUI(platform::kInstallUiLevelNone);
  body();
  const int restored = platform::MsiSetInternalUI(previous);
  Report(L"ui-set=" + Number(previous) + L" ui-restore=" + Number(restored));
}

void ReadFileNames(const std::u16string& package) {
  platform::MsiHandle database;
  std::uint32_t result = platform::MsiOpenDatabaseW(package, database);
  platform::MsiHandle view;
  if (result == 0) result = platform::MsiDatabaseOpenViewW(database, u"SELECT FileName FROM File", view);
  if (result == 0) result = platform::MsiViewExecute(view);
  Report(L"files=" + Number(result));
  if (result != 0) return;
  int regrown = 0;
  for (;;) {
    platform::MsiHandle record;
    if (platform::MsiViewFetch(view, record) != 0) break;
    std::vector<char16_t> buffer(16);
    auto length = static_cast<std::uint32_t>(buffer.size());
    std::uint32_t status = platform::MsiRecordGetStringW(record, 1, buffer.data(), &length);
    if (status == ERROR_MORE_DATA) {
      ++regrown;
      buffer.resize(length + 1);
      length = static_cast<std::uint32_t>(buffer.size());
      status = platform::MsiRecordGetStringW(record, 1, buffer.data(), &length);
    }
    Report(L"file=" + Number(status) + L" " + Text(std::u16string(buffer.data(), length)));
  }
  Report(L"regrown=" + Number(regrown));
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (arguments == nullptr || count < 3) return 64;
  report = arguments[1];
  int result = 0;
  for (int i = 2; i < count && result == 0; ++i) {
    const std::wstring step = arguments[i];
    const bool hasOne = i + 1 < count;
    const bool hasTwo = i + 2 < count;
    if (step == L"log" && hasOne) {
      Report(L"log=" + Number(platform::MsiEnableLogW(platform::kInstallLogModeVerbose, Text16(arguments[++i]),
                                                       platform::kInstallLogAttributesAppend)));
    } else if (step == L"install" && hasTwo) {
      const std::u16string package = Text16(arguments[++i]);
      const std::u16string properties = Text16(arguments[++i]);
      AtUiLevelNone([&] { Report(L"install=" + Number(platform::MsiInstallProductW(package, properties))); });
    } else if (step == L"remove" && hasOne) {
      const std::u16string product = Text16(arguments[++i]);
      AtUiLevelNone([&] {
        Report(L"remove=" + Number(platform::MsiConfigureProductW(product, platform::kInstallLevelDefault,
                                                                  platform::kInstallStateAbsent)));
      });
    } else if (step == L"state" && hasOne) {
      Report(L"state=" + Number(platform::MsiQueryProductStateW(Text16(arguments[++i]))));
    } else if (step == L"version" && hasOne) {
      char16_t buffer[32] = {};
      std::uint32_t length = 32;
      const std::uint32_t status =
          platform::MsiGetProductInfoW(Text16(arguments[++i]), u"VersionString", buffer, &length);
      Report(L"version=" + Number(status) + L" " + (status == 0 ? Text(std::u16string(buffer, length)) : L""));
    } else if (step == L"files" && hasOne) {
      ReadFileNames(Text16(arguments[++i]));
    } else if (step == L"ui") {
      const int level = platform::MsiSetInternalUI(platform::kInstallUiLevelBasic);
      platform::MsiSetInternalUI(level);
      Report(L"ui=" + Number(level));
    } else {
      result = 64;
    }
  }
  LocalFree(arguments);
  return result;
}
