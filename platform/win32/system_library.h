#pragma once
#include <windows.h>

namespace platform::win32 {

// Loads a DLL of the system folder, never one found elsewhere (the setup runs elevated from a
// downloads folder, where a planted copy would otherwise be loaded). Null on failure, with the
// thread's last error as the failing call set it.
HMODULE LoadSystemLibrary(const wchar_t* fileName);

}  // namespace platform::win32
