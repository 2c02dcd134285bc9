#include <windows.h>

#include "platform/files.h"
#include "platform/win32/text.h"

namespace platform {

bool LoadRcdataResource(const std::u16string& name, ResourceBytes& resource) {
  HMODULE self = ::GetModuleHandleW(nullptr);
  HRSRC found = ::FindResourceExW(self, RT_RCDATA, Wide(name), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
  if (found == nullptr) return false;
  HGLOBAL loaded = ::LoadResource(self, found);
  if (loaded == nullptr) return false;
  const DWORD size = ::SizeofResource(self, found);
  const void* bytes = ::LockResource(loaded);
  if (bytes == nullptr) return false;
  resource.data = static_cast<const std::uint8_t*>(bytes);
  resource.size = size;
  return true;
}

namespace {
BOOL CALLBACK CollectName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR context) {
  auto* names = reinterpret_cast<std::vector<ResourceName>*>(context);
  if (IS_INTRESOURCE(name)) {
    names->push_back(ResourceName{true, {}});
  } else {
    names->push_back(ResourceName{false, FromWide(name)});
  }
  return TRUE;
}
}  // namespace

std::vector<ResourceName> EnumerateRcdataNames() {
  std::vector<ResourceName> names;
  ::EnumResourceNamesW(::GetModuleHandleW(nullptr), RT_RCDATA, CollectName, reinterpret_cast<LONG_PTR>(&names));
  return names;
}

}  // namespace platform
