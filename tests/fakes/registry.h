#pragma once
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace fakes {

// Which registry view a key lives in. The program is a 32-bit process: without a view flag it
// sees the 32-bit view.
enum class RegistryView { View32, View64 };

struct RegistryValue {
  std::uint32_t type = platform::kRegSz;
  std::vector<std::uint8_t> data;
};

struct RegistryKeyState {
  // Value names compare case-insensitively, as on Windows; stored lower-cased.
  std::map<std::u16string, RegistryValue> values;
};

struct RegistryWorld {
  // (root, view, lower-cased path) -> key.
  std::map<std::tuple<platform::RegistryRoot, RegistryView, std::u16string>, RegistryKeyState> keys;
  // Roots where creating keys or writing values is refused (no write access).
  std::set<platform::RegistryRoot> readOnlyRoots;
};
RegistryWorld& Registry();

// Test helpers: create keys and values in the scripted registry (32-bit view unless given).
RegistryKeyState& PutKey(platform::RegistryRoot root, const std::u16string& path,
                         RegistryView view = RegistryView::View32);
void PutString(platform::RegistryRoot root, const std::u16string& path, const std::u16string& name,
               const std::u16string& text, std::uint32_t type = platform::kRegSz,
               RegistryView view = RegistryView::View32);
void PutDword(platform::RegistryRoot root, const std::u16string& path, const std::u16string& name,
              std::uint32_t number, RegistryView view = RegistryView::View32);
void PutBytes(platform::RegistryRoot root, const std::u16string& path, const std::u16string& name,
              std::uint32_t type, std::vector<std::uint8_t> data, RegistryView view = RegistryView::View32);
// The value's bytes, or null when the key or value is missing.
const RegistryValue* FindValue(platform::RegistryRoot root, const std::u16string& path, const std::u16string& name,
                               RegistryView view = RegistryView::View32);
// A REG_SZ value's text up to its first terminator; empty when missing.
std::u16string StringValue(platform::RegistryRoot root, const std::u16string& path, const std::u16string& name,
                           RegistryView view = RegistryView::View32);

// UTF-16 little-endian bytes of a text, with its terminator.
std::vector<std::uint8_t> StringBytes(const std::u16string& text);

}  // namespace fakes
