#pragma once
#include <windows.h>

#include "platform/handle.h"

// Owners for handles that stay inside the Windows adapters.
namespace platform::win32 {

// Kernel objects: some functions answer failure with null, others with INVALID_HANDLE_VALUE.
struct KernelHandleTraits {
  using Value = HANDLE;
  static Value Invalid() { return nullptr; }
  static bool IsInvalid(Value handle) { return handle == nullptr || handle == INVALID_HANDLE_VALUE; }
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
