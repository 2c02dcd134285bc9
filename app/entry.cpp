// The process entry point the C run-time calls for a Unicode GUI program. <windows.h> is left out
// on purpose: it declares a C function named WinMain that the program's own entry point would
// clash with.
#include "app/win_main.h"

extern "C" int __stdcall wWinMain(void* instance, void* previousInstance, wchar_t* commandLine, int showCommand) {
  return WinMain(instance, previousInstance, reinterpret_cast<const char16_t*>(commandLine), showCommand);
}
