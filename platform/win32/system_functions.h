#pragma once
#include <windows.h>

namespace platform::win32 {

// A function that older systems lack, looked up by name in a system module the process has
// already loaded (kernel32, user32...): nothing is loaded, so no copy of the module from another
// folder can be picked up. Null when this system does not have the function.
template <typename Function>
Function SystemFunction(const wchar_t* loadedModule, const char* name) {
  const HMODULE module = ::GetModuleHandleW(loadedModule);
  if (module == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

}  // namespace platform::win32
