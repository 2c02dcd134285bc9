#pragma once
#include <windows.h>

#include "platform/handle.h"

// Owners for handles that stay inside the Windows adapters.
namespace platform::win32 {

struct KernelHandleTraits {
  using Value = HANDLE;
  static Value Invalid() { return nullptr; }
  static void Close(Value handle) { ::CloseHandle(handle); }
};
using KernelHandle = UniqueHandle<KernelHandleTraits>;

struct LocalMemoryTraits {
  using Value = HLOCAL;
  static Value Invalid() { return nullptr; }
  static void Close(Value memory) { ::LocalFree(memory); }
};
using LocalMemory = UniqueHandle<LocalMemoryTraits>;

struct ModuleTraits {
  using Value = HMODULE;
  static Value Invalid() { return nullptr; }
  static void Close(Value module) { ::FreeLibrary(module); }
};
using LoadedModule = UniqueHandle<ModuleTraits>;

}  // namespace platform::win32
