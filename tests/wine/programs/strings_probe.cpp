// Loads the setup's string-table messages 104, 105 and 106 the way the requirement messages do
// (LoadStringW from its own module, which carries resources/strings.rc) and writes each one as
// UTF-8 to its own file, so that the Windows resource loader's choice of language can be seen:
//
//   strings_probe.exe OUTPUT-FOLDER      writes OUTPUT-FOLDER\104.txt, 105.txt and 106.txt
//
// A missing string gives an empty file. Ends with 0 once the files are written, 2 when one cannot
// be written, 64 on a wrong command line.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string Utf8(const wchar_t* text, int length) {
  if (length <= 0) return {};
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text, length, bytes.data(), size, nullptr, nullptr);
  return bytes;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 64;
  const HINSTANCE module = ::GetModuleHandleW(nullptr);
  for (const UINT id : {104u, 105u, 106u}) {
    // With a length of 0 LoadStringW hands out a pointer to the resource's own text, so no
    // buffer limits what is seen.
    const wchar_t* text = nullptr;
    const int length = ::LoadStringW(module, id, reinterpret_cast<wchar_t*>(&text), 0);
    const std::string bytes = Utf8(text, length);
    const std::wstring path = std::wstring(argv[1]) + L"\\" + std::to_wstring(id) + L".txt";
    FILE* file = ::_wfopen(path.c_str(), L"wb");
    if (file == nullptr) return 2;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0 || !written) return 2;
  }
  return 0;
}
