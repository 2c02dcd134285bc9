// Small pieces shared by the Wine test bench's helper programs: command-line
// tokens with their positions, UTF-8 conversion and output that bypasses the
// console code page.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

namespace bench {

// How often the tools look again for a window, and how long a message to another process's window
// may take before the tool gives up on a hung owner.
inline constexpr DWORD kPollMilliseconds = 20;
inline constexpr UINT kMessageTimeout = 5000;

inline std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

// One argument of a command line and where it ends in the raw text, so that a
// program can hand "the rest of its own command line" on unchanged.
struct Token {
  std::wstring text;
  std::size_t end = 0;
};

// Splits a command line the way CommandLineToArgvW does (argument 0 is taken
// up to the closing quote or the first blank, the others follow the backslash
// and quote rules) and records each argument's end offset.
inline std::vector<Token> SplitCommandLine(const std::wstring& line) {
  std::vector<Token> tokens;
  std::size_t i = 0;
  const std::size_t n = line.size();
  auto blank = [&](std::size_t k) { return line[k] == L' ' || line[k] == L'\t'; };

  Token first;
  if (i < n && line[i] == L'"') {
    ++i;
    while (i < n && line[i] != L'"') first.text += line[i++];
    if (i < n) ++i;
  } else {
    while (i < n && !blank(i)) first.text += line[i++];
  }
  first.end = i;
  tokens.push_back(first);

  for (;;) {
    while (i < n && blank(i)) ++i;
    if (i >= n) break;
    Token token;
    bool quoted = false;
    while (i < n && (quoted || !blank(i))) {
      if (line[i] == L'\\') {
        std::size_t slashes = 0;
        while (i < n && line[i] == L'\\') ++slashes, ++i;
        if (i < n && line[i] == L'"') {
          token.text.append(slashes / 2, L'\\');
          if (slashes % 2) {
            token.text += L'"';
            ++i;
          }
        } else {
          token.text.append(slashes, L'\\');
        }
      } else if (line[i] == L'"') {
        if (quoted && i + 1 < n && line[i + 1] == L'"') {
          token.text += L'"';
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
      } else {
        token.text += line[i++];
      }
    }
    token.end = i;
    tokens.push_back(token);
  }
  return tokens;
}

// Text after the token at index `after`, without the blanks that separate it.
inline std::wstring RestOfLine(const std::wstring& line, const Token& after) {
  std::size_t i = after.end;
  while (i < line.size() && (line[i] == L' ' || line[i] == L'\t')) ++i;
  return line.substr(i);
}

inline std::string ToUtf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

inline std::wstring FromUtf8(const std::string& text) {
  if (text.empty()) return {};
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
  return out;
}

// Arguments that may carry non-ASCII text arrive as "hex:" followed by the
// UTF-8 bytes in hexadecimal, so that no code page stands between the shell
// and the program. Anything else is taken as it is.
inline std::wstring DecodeArgument(const std::wstring& arg) {
  if (arg.rfind(L"hex:", 0) != 0) return arg;
  std::string bytes;
  auto nibble = [](wchar_t c) -> int {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
  };
  for (std::size_t i = 4; i + 1 < arg.size(); i += 2) {
    const int high = nibble(arg[i]);
    const int low = nibble(arg[i + 1]);
    if (high < 0 || low < 0) break;
    bytes += static_cast<char>(high * 16 + low);
  }
  return FromUtf8(bytes);
}

// Writes UTF-8 bytes to a standard handle as they are (no console code page).
inline void WriteUtf8(DWORD which, const std::wstring& text) {
  const std::string bytes = ToUtf8(text);
  const HANDLE handle = GetStdHandle(which);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE || bytes.empty()) return;
  DWORD written = 0;
  WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

// Appends UTF-8 text to a file, creating it when needed. Returns false when the
// file cannot be opened or written.
inline bool AppendUtf8(const std::wstring& path, const std::wstring& text) {
  const HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const std::string bytes = ToUtf8(text);
  DWORD written = 0;
  const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                            nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

// Writes a whole file through a temporary name and a rename, so that a reader
// polling for it never sees it half written.
inline bool WriteFileAtomically(const std::wstring& path, const std::wstring& text) {
  const std::wstring temporary = path + L".part";
  const HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const std::string bytes = ToUtf8(text);
  DWORD written = 0;
  const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                            nullptr);
  CloseHandle(file);
  if (!ok || written != bytes.size()) return false;
  return MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

}  // namespace bench
