#include "tests/fakes/registry.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "tests/fakes/world.h"

namespace fakes {
namespace {

RegistryWorld world;

// Open keys: the handle value is an index into this table (offset by one so it is never null).
struct OpenKey {
  platform::RegistryRoot root;
  RegistryView view;
  std::u16string path;
};
std::vector<std::unique_ptr<OpenKey>>& OpenKeys() {
  static std::vector<std::unique_ptr<OpenKey>> keys;
  return keys;
}

const bool registered = RegisterReset([] {
  world = RegistryWorld{};
  OpenKeys().clear();
});

std::u16string Lower(std::u16string text) {
  for (char16_t& c : text) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return text;
}

std::string RootName(platform::RegistryRoot root) {
  return root == platform::RegistryRoot::LocalMachine ? "HKLM" : "HKCU";
}

std::string Hex(std::uint32_t value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%x", value);
  return buffer;
}

RegistryView ViewOf(std::uint32_t access) {
  return (access & platform::kKeyWow64View64) != 0 ? RegistryView::View64 : RegistryView::View32;
}

OpenKey* KeyOf(const platform::RegistryKey& key) {
  const auto index = reinterpret_cast<std::uintptr_t>(key.get());
  if (index == 0 || index > OpenKeys().size()) return nullptr;
  return OpenKeys()[index - 1].get();
}

RegistryKeyState* StateOf(const OpenKey& key) {
  const auto found = world.keys.find({key.root, key.view, key.path});
  return found == world.keys.end() ? nullptr : &found->second;
}

void Hand(platform::RegistryRoot root, RegistryView view, const std::u16string& path, platform::RegistryKey& key) {
  OpenKeys().push_back(std::make_unique<OpenKey>(OpenKey{root, view, path}));
  key.reset(reinterpret_cast<void*>(static_cast<std::uintptr_t>(OpenKeys().size())));
}

}  // namespace

RegistryWorld& Registry() { return world; }

RegistryKeyState& PutKey(platform::RegistryRoot root, const std::u16string& path, RegistryView view) {
  return world.keys[{root, view, Lower(path)}];
}

void PutBytes(platform::RegistryRoot root, const std::u16string& path, const std::u16string& name,
              std::uint32_t type, std::vector<std::uint8_t> data, RegistryView view) {
  PutKey(root, path, view).values[Lower(name)] = RegistryValue{type, std::move(data)};
}

std::vector<std::uint8_t> StringBytes(const std::u16string& text) {
  std::vector<std::uint8_t> bytes;
  for (char16_t c : text) {
    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  bytes.push_back(0);
  bytes.push_back(0);
  return bytes;
}

void PutString(platform::RegistryRoot root, const std::u16string& path, const std::u16string& name,
               const std::u16string& text, std::uint32_t type, RegistryView view) {
  PutBytes(root, path, name, type, StringBytes(text), view);
}

void PutDword(platform::RegistryRoot root, const std::u16string& path, const std::u16string& name,
              std::uint32_t number, RegistryView view) {
  PutBytes(root, path, name, platform::kRegDword,
           {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
            static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)},
           view);
}

const RegistryValue* FindValue(platform::RegistryRoot root, const std::u16string& path, const std::u16string& name,
                               RegistryView view) {
  const auto key = world.keys.find({root, view, Lower(path)});
  if (key == world.keys.end()) return nullptr;
  const auto value = key->second.values.find(Lower(name));
  return value == key->second.values.end() ? nullptr : &value->second;
}

std::u16string StringValue(platform::RegistryRoot root, const std::u16string& path, const std::u16string& name,
                           RegistryView view) {
  const RegistryValue* value = FindValue(root, path, name, view);
  if (value == nullptr) return {};
  return platform::RegistryText(value->data.data(), static_cast<std::uint32_t>(value->data.size()));
}

}  // namespace fakes

namespace platform {

void RegistryKeyTraits::Close(Value key) {
  fakes::Record("CloseRegistryKey " + std::to_string(reinterpret_cast<std::uintptr_t>(key)));
}

long OpenRegistryKey(RegistryRoot root, const std::u16string& path, std::uint32_t access, RegistryKey& key) {
  fakes::Record("OpenRegistryKey " + fakes::RootName(root) + " " + fakes::Utf8(path) + " " + fakes::Hex(access));
  const fakes::RegistryView view = fakes::ViewOf(access);
  const std::u16string lower = fakes::Lower(path);
  if (fakes::world.keys.count({root, view, lower}) == 0) return kErrorFileNotFound;
  if (fakes::world.readOnlyRoots.count(root) != 0 && (access & (kKeySetValue | kKeyCreateSubKey)) != 0) return 5;
  fakes::Hand(root, view, lower, key);
  return kErrorSuccess;
}

long CreateRegistryKey(RegistryRoot root, const std::u16string& path, std::uint32_t access, RegistryKey& key) {
  fakes::Record("CreateRegistryKey " + fakes::RootName(root) + " " + fakes::Utf8(path) + " " + fakes::Hex(access));
  const fakes::RegistryView view = fakes::ViewOf(access);
  const std::u16string lower = fakes::Lower(path);
  if (fakes::world.readOnlyRoots.count(root) != 0) return 5;  // access denied
  fakes::world.keys[{root, view, lower}];
  fakes::Hand(root, view, lower, key);
  return kErrorSuccess;
}

long QueryRegistryValue(const RegistryKey& key, const std::u16string& name, std::uint32_t* type, std::uint8_t* data,
                        std::uint32_t* size) {
  fakes::Record("QueryRegistryValue " + fakes::Utf8(name));
  const fakes::OpenKey* open = fakes::KeyOf(key);
  if (open == nullptr) return 6;  // invalid handle
  const fakes::RegistryKeyState* state = fakes::StateOf(*open);
  if (state == nullptr) return kErrorFileNotFound;
  const auto found = state->values.find(fakes::Lower(name));
  if (found == state->values.end()) return kErrorFileNotFound;
  const fakes::RegistryValue& value = found->second;
  if (type != nullptr) *type = value.type;
  if (size == nullptr) return data == nullptr ? kErrorSuccess : 87;
  const auto needed = static_cast<std::uint32_t>(value.data.size());
  if (data == nullptr) {
    *size = needed;
    return kErrorSuccess;
  }
  if (*size < needed) {
    *size = needed;
    return kErrorMoreData;
  }
  if (needed != 0) std::memcpy(data, value.data.data(), needed);
  *size = needed;
  return kErrorSuccess;
}

long SetRegistryValue(const RegistryKey& key, const std::u16string& name, std::uint32_t type,
                      const std::uint8_t* data, std::uint32_t size) {
  fakes::Record("SetRegistryValue " + fakes::Utf8(name) + " " + std::to_string(type) + " " + std::to_string(size));
  const fakes::OpenKey* open = fakes::KeyOf(key);
  if (open == nullptr) return 6;
  if (fakes::world.readOnlyRoots.count(open->root) != 0) return 5;
  fakes::RegistryKeyState* state = fakes::StateOf(*open);
  if (state == nullptr) return kErrorFileNotFound;
  state->values[fakes::Lower(name)] = fakes::RegistryValue{type, std::vector<std::uint8_t>(data, data + size)};
  return kErrorSuccess;
}

}  // namespace platform
