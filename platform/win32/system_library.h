#pragma once
#include <windows.h>

namespace platform::win32 {

// Loads a DLL from the system folder only, never from the program's folder or the current one:
// the setup runs elevated from download folders where a planted copy may wait. Systems that do
// not know LOAD_LIBRARY_SEARCH_SYSTEM32 (XP, Vista, 7 without KB2533623) refuse it as an invalid
// parameter; there the file is named by its full path in the system folder, and its own imports
// are looked for beside it. Null with the thread's last error on failure.
HMODULE LoadSystemLibrary(const wchar_t* fileName);

// For systems where the DLL search cannot be limited to the system folder (before Windows 8 and
// KB2533623): loads, from the system folder, the DLLs that Windows' own DLLs load by name while
// they work for the setup (themes, shell, security, cryptography, profiles) and that are not
// KnownDLLs there. A later load by name gets the module already loaded, not a copy planted in
// the program's folder. Names a system lacks are skipped.
void PreloadSystemLibraries();

// The common controls library, loaded from the system folder on first use and kept until the
// process ends (the manifest's activation context makes it version 6). It is not one of the
// KnownDLLs, so it is never imported: its functions are looked up with GetProcAddress. Null when
// it cannot be loaded.
HMODULE CommonControlsLibrary();

}  // namespace platform::win32
