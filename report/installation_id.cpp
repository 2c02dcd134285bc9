#include "report/installation_id.h"

#include <cstdint>
#include <vector>

#include "platform/registry.h"

namespace {

constexpr char16_t kSetupKeyBase[] = u"Software\\Orvex\\Setup";
constexpr std::uint32_t kKeyWrite = platform::kKeyRead | platform::kKeySetValue | platform::kKeyCreateSubKey;
constexpr std::uint32_t kQueryBufferBytes = 128;

std::u16string ProductKeyPath(const std::u16string& productCode) {
  std::u16string path = kSetupKeyBase;
  if (path.empty() || path.back() != u'\\') path += u'\\';
  return path + productCode;
}

// UTF-16 little-endian bytes of the text followed by its terminating zero.
std::vector<std::uint8_t> TerminatedBytes(const std::u16string& text) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve((text.size() + 1) * 2);
  for (char16_t unit : text) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  bytes.push_back(0);
  bytes.push_back(0);
  return bytes;
}

// The registry record is kept where it can be: an identifier that cannot be stored still serves
// this run, as when no key can be created, and a version that cannot be recorded only leaves the
// record as it was.
void StoreString(const platform::RegistryKey& key, const std::u16string& name, const std::u16string& text) {
  const std::vector<std::uint8_t> bytes = TerminatedBytes(text);
  (void)platform::SetRegistryValue(key, name, platform::kRegSz, bytes.data(),
                                   static_cast<std::uint32_t>(bytes.size()));
}

// The stored identifier, when the value is a REG_SZ of at most 128 bytes holding a braced GUID.
bool ReadStoredId(const platform::RegistryKey& key, const std::u16string& valueName, platform::Guid& id) {
  std::uint8_t data[kQueryBufferBytes] = {};
  std::uint32_t type = 0;
  std::uint32_t size = kQueryBufferBytes;
  if (platform::QueryRegistryValue(key, valueName, &type, data, &size) != platform::kErrorSuccess) return false;
  if (type != platform::kRegSz) return false;

  // At most 128 bytes: the text fits the 65-unit buffer the identifier is parsed from.
  return platform::GuidFromString(platform::RegistryText(data, size), id);
}

}  // namespace

std::u16string FormatGuid(const platform::Guid& guid) {
  std::u16string text;
  if (!platform::GuidToString(guid, text)) throw GuidFormattingFailed();
  return text;
}

bool GetInstallationId(const std::u16string& productCode, const std::u16string& valueName, platform::Guid& id) {
  const std::u16string path = ProductKeyPath(productCode);
  {
    platform::RegistryKey key;
    if (platform::OpenRegistryKey(platform::RegistryRoot::LocalMachine, path, platform::kKeyRead, key) ==
            platform::kErrorSuccess ||
        platform::OpenRegistryKey(platform::RegistryRoot::CurrentUser, path, platform::kKeyRead, key) ==
            platform::kErrorSuccess) {
      platform::Guid stored;
      if (ReadStoredId(key, valueName, stored)) {
        id = stored;
        return true;
      }
    }
  }

  platform::Guid created;
  if (!platform::CreateGuid(created)) return false;

  platform::RegistryKey key;
  if (platform::CreateRegistryKey(platform::RegistryRoot::LocalMachine, path, kKeyWrite, key) !=
          platform::kErrorSuccess &&
      platform::CreateRegistryKey(platform::RegistryRoot::CurrentUser, path, kKeyWrite, key) !=
          platform::kErrorSuccess) {
    id = created;
    return true;
  }
  StoreString(key, valueName, FormatGuid(created));
  id = created;
  return true;
}

void RecordInstalledVersion(const std::u16string& productCode, const std::u16string& version) {
  platform::Guid ignored;
  GetInstallationId(productCode, version, ignored);

  const std::u16string path = ProductKeyPath(productCode);
  platform::RegistryKey key;
  if (platform::OpenRegistryKey(platform::RegistryRoot::LocalMachine, path, kKeyWrite, key) !=
          platform::kErrorSuccess &&
      platform::OpenRegistryKey(platform::RegistryRoot::CurrentUser, path, kKeyWrite, key) !=
          platform::kErrorSuccess) {
    return;
  }
  StoreString(key, u"", version);
}
