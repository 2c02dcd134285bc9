// Writes the system's own text for an error number, as FormatMessageW gives it in the user's
// language, to a file in UTF-8, exactly (line breaks included):
//
//   run_message_probe.exe OUTPUT-FILE NUMBER
//
// Ends with 0 once the file is written, 1 when the system has no text for the number, 2 when the
// file cannot be written, 64 on a wrong command line.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 64;
  wchar_t* end = nullptr;
  const unsigned long number = std::wcstoul(argv[2], &end, 10);
  if (end == argv[2] || *end != L'\0') return 64;

  LPWSTR buffer = nullptr;
  const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, number, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
  if (length == 0 || buffer == nullptr) return 1;
  std::string text(static_cast<std::size_t>(
                       ::WideCharToMultiByte(CP_UTF8, 0, buffer, static_cast<int>(length), nullptr, 0, nullptr, nullptr)),
                   '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, buffer, static_cast<int>(length), text.data(), static_cast<int>(text.size()),
                        nullptr, nullptr);
  ::LocalFree(buffer);

  FILE* file = ::_wfopen(argv[1], L"wb");
  if (file == nullptr) return 2;
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  return std::fclose(file) == 0 && written ? 0 : 2;
}
