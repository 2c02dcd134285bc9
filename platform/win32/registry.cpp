#include "platform/registry.h"

#include <windows.h>

#include "platform/win32/text.h"

namespace platform {
namespace {
HKEY RootKey(RegistryRoot root) { return root == RegistryRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }
}  // namespace

void RegistryKeyTraits::Close(Value key) { ::RegCloseKey(static_cast<HKEY>(key)); }

long OpenRegistryKey(RegistryRoot root, const std::u16string& path, std::uint32_t access, RegistryKey& key) {
  HKEY opened = nullptr;
  const LONG result = ::RegOpenKeyExW(RootKey(root), Wide(path), 0, access, &opened);
  if (result == ERROR_SUCCESS) key.reset(opened);
  return result;
}

long CreateRegistryKey(RegistryRoot root, const std::u16string& path, std::uint32_t access, RegistryKey& key) {
  HKEY created = nullptr;
  const LONG result = ::RegCreateKeyExW(RootKey(root), Wide(path), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                        nullptr, &created, nullptr);
  if (result == ERROR_SUCCESS) key.reset(created);
  return result;
}

long QueryRegistryValue(const RegistryKey& key, const std::u16string& name, std::uint32_t* type, std::uint8_t* data,
                        std::uint32_t* size) {
  DWORD valueType = 0;
  DWORD valueSize = size != nullptr ? *size : 0;
  const LONG result = ::RegQueryValueExW(static_cast<HKEY>(key.get()), Wide(name), nullptr, &valueType, data,
                                         size != nullptr ? &valueSize : nullptr);
  if (type != nullptr) *type = valueType;
  if (size != nullptr) *size = valueSize;
  return result;
}

long SetRegistryValue(const RegistryKey& key, const std::u16string& name, std::uint32_t type,
                      const std::uint8_t* data, std::uint32_t size) {
  return ::RegSetValueExW(static_cast<HKEY>(key.get()), name.empty() ? nullptr : Wide(name), 0, type, data, size);
}

}  // namespace platform
