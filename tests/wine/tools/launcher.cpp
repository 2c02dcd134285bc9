// Starts a Windows command line, waits for the process and records its full
// 32-bit exit code (a Linux shell only sees the low 8 bits of it).
//
//   launcher.exe [--exit-file PATH] [--no-console] [--cwd DIR] [-- COMMAND LINE]
//
// The command line to start is the raw text after "--" on the launcher's own
// command line, or, without "--", the value of the environment variable
// BENCH_CMDLINE (which the child then does not inherit). Passing it through the
// environment keeps it exact: no layer between the test script and the program
// re-quotes it. Wine converts the environment with the Linux locale's
// character set, which is ASCII for a locale that is not installed, so the
// value, --exit-file and --cwd may be given as "hex:" plus UTF-8 bytes.
//
// --exit-file PATH  write the exit code as signed decimal and a line break to
//                   PATH (without it, to standard output)
// --no-console      detach from any console first, so that the child's
//                   AttachConsole(ATTACH_PARENT_PROCESS) fails as it does for a
//                   program started from Explorer
// --cwd DIR         working folder of the child
//
// A GUI child is created without a console of its own, as Windows does, so its
// AttachConsole(ATTACH_PARENT_PROCESS) reaches the launcher's console (when
// the launcher runs in a terminal) or fails (with --no-console).
//
// The launcher is a GUI program: Wine then starts no console host for it when
// it runs without a terminal (each start is faster), and started by plain
// wine in a terminal it still gets that terminal as its console.
//
// The launcher ends with the child's exit code. When the child cannot be
// started it writes no exit file, reports the error on standard error and
// ends with 255.
#include <windows.h>

#include <string>
#include <vector>

#include "bench_tool.h"

namespace {

constexpr wchar_t kCommandLineVariable[] = L"BENCH_CMDLINE";

void Fail(const std::wstring& message) {
  bench::WriteUtf8(STD_ERROR_HANDLE, L"launcher: " + message + L"\n");
  ExitProcess(255);
}

std::wstring EnvironmentValue(const wchar_t* name, bool* found) {
  const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  *found = size != 0;
  if (size == 0) return {};
  std::wstring value(size, L'\0');
  const DWORD length = GetEnvironmentVariableW(name, value.data(), size);
  value.resize(length);
  return value;
}

// Reads the subsystem field of a program's PE header; the name is looked up
// along the search path as CreateProcessW would, ".exe" added when missing.
bool IsGuiImage(const std::wstring& name) {
  wchar_t path[MAX_PATH] = {};
  if (SearchPathW(nullptr, name.c_str(), L".exe", MAX_PATH, path, nullptr) == 0) return false;
  const HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  unsigned char header[1024] = {};
  DWORD read = 0;
  ReadFile(file, header, sizeof(header), &read, nullptr);
  CloseHandle(file);
  auto word = [&](DWORD at) { return static_cast<DWORD>(header[at] | header[at + 1] << 8); };
  if (read < 64 || header[0] != 'M' || header[1] != 'Z') return false;
  const DWORD pe = word(60) | word(62) << 16;
  // Signature (4 bytes), file header (20 bytes), then the optional header,
  // whose subsystem field sits at offset 68 in both the 32- and 64-bit forms.
  const DWORD subsystem_at = pe + 4 + 20 + 68;
  if (subsystem_at + 2 > read || header[pe] != 'P' || header[pe + 1] != 'E') return false;
  return word(subsystem_at) == IMAGE_SUBSYSTEM_WINDOWS_GUI;
}

}  // namespace

int wmain() {
  const std::wstring own = GetCommandLineW();
  const std::vector<bench::Token> tokens = bench::SplitCommandLine(own);

  std::wstring exit_file;
  std::wstring working_folder;
  bool no_console = false;
  bool have_rest = false;
  std::wstring command;
  for (std::size_t i = 1; i < tokens.size(); ++i) {
    const std::wstring& arg = tokens[i].text;
    if (arg == L"--") {
      command = bench::RestOfLine(own, tokens[i]);
      have_rest = true;
      break;
    }
    if (arg == L"--exit-file" && i + 1 < tokens.size()) {
      exit_file = bench::DecodeArgument(tokens[++i].text);
    } else if (arg == L"--cwd" && i + 1 < tokens.size()) {
      working_folder = bench::DecodeArgument(tokens[++i].text);
    } else if (arg == L"--no-console") {
      no_console = true;
    } else {
      Fail(L"unknown argument \"" + arg + L"\"");
    }
  }
  if (!have_rest) {
    bool found = false;
    command = bench::DecodeArgument(EnvironmentValue(kCommandLineVariable, &found));
    if (!found) Fail(L"no command line: give \"-- COMMAND\" or set BENCH_CMDLINE");
  }
  SetEnvironmentVariableW(kCommandLineVariable, nullptr);
  if (command.empty()) Fail(L"empty command line");

  if (no_console) FreeConsole();

  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  std::vector<wchar_t> buffer(command.begin(), command.end());
  buffer.push_back(L'\0');
  // Windows gives a GUI program no console even when its parent has one, so
  // that AttachConsole(ATTACH_PARENT_PROCESS) reaches the parent's. Wine hands
  // the parent's console on unless the child is created detached.
  const bool gui = IsGuiImage(bench::SplitCommandLine(command).front().text);
  const DWORD flags = gui ? DETACHED_PROCESS : 0;
  if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, flags, nullptr,
                      working_folder.empty() ? nullptr : working_folder.c_str(), &startup,
                      &process)) {
    Fail(L"CreateProcessW failed with error " + std::to_wstring(GetLastError()) + L" for: " +
         command);
  }
  CloseHandle(process.hThread);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  if (!GetExitCodeProcess(process.hProcess, &code)) {
    Fail(L"GetExitCodeProcess failed with error " + std::to_wstring(GetLastError()));
  }
  CloseHandle(process.hProcess);

  const std::wstring text = std::to_wstring(static_cast<long>(static_cast<LONG>(code))) + L"\n";
  if (exit_file.empty()) {
    bench::WriteUtf8(STD_OUTPUT_HANDLE, text);
  } else if (!bench::WriteFileAtomically(exit_file, text)) {
    Fail(L"cannot write " + exit_file + L": error " + std::to_wstring(GetLastError()));
  }
  return static_cast<int>(code);
}
