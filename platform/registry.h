#pragma once
#include <cstdint>
#include <string>

#include "platform/handle.h"

namespace platform {

enum class RegistryRoot { LocalMachine, CurrentUser };

inline constexpr std::uint32_t kKeyRead = 0x20019;
inline constexpr std::uint32_t kKeySetValue = 0x0002;
inline constexpr std::uint32_t kKeyCreateSubKey = 0x0004;
inline constexpr std::uint32_t kKeyWow64View64 = 0x0100;
inline constexpr std::uint32_t kKeyWow64View32 = 0x0200;

inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;

inline constexpr long kErrorSuccess = 0;
inline constexpr long kErrorFileNotFound = 2;
inline constexpr long kErrorMoreData = 234;

struct RegistryKeyTraits {
  using Value = void*;
  static Value Invalid() { return nullptr; }
  static void Close(Value key);
};
using RegistryKey = UniqueHandle<RegistryKeyTraits>;

// RegOpenKeyExW / RegCreateKeyExW (non-volatile) with the access mask as given, view flags
// included. Return the Windows error code.
[[nodiscard]] long OpenRegistryKey(RegistryRoot root, const std::u16string& path, std::uint32_t access,
                                   RegistryKey& key);
[[nodiscard]] long CreateRegistryKey(RegistryRoot root, const std::u16string& path, std::uint32_t access,
                                     RegistryKey& key);

// RegQueryValueExW: `data` may be null to ask for type and size only; `*size` is the buffer's
// capacity in bytes on entry and the value's size on return (ERROR_MORE_DATA when it does not fit).
[[nodiscard]] long QueryRegistryValue(const RegistryKey& key, const std::u16string& name, std::uint32_t* type,
                                      std::uint8_t* data, std::uint32_t* size);
[[nodiscard]] long SetRegistryValue(const RegistryKey& key, const std::u16string& name, std::uint32_t type,
                                    const std::uint8_t* data, std::uint32_t size);

// The text that registry string data holds: UTF-16 little-endian code units up to the first
// terminator or the end of the data, never past it (an odd last byte is dropped).
inline std::u16string RegistryText(const std::uint8_t* data, std::uint32_t size) {
  std::u16string text;
  for (std::uint32_t i = 0; i + 1 < size; i += 2) {
    const auto unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    if (unit == u'\0') break;
    text += unit;
  }
  return text;
}

}  // namespace platform
