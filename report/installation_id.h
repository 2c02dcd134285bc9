#pragma once
#include <exception>
#include <string>

#include "platform/com.h"

// The random identifier kept for each installed product version under
// "Software\Orvex\Setup\<product code>", HKEY_LOCAL_MACHINE first, HKEY_CURRENT_USER where the
// machine key cannot be used. Reads the identifier stored under `valueName`; a missing, mistyped
// or unreadable value is replaced by a new identifier, which is stored where a key can be
// created. False only when no new identifier can be created.
bool GetInstallationId(const std::u16string& productCode, const std::u16string& valueName, platform::Guid& id);

// Makes sure the identifier exists, then sets the product key's default value to `version`.
// Silent when the key cannot be opened for writing.
void RecordInstalledVersion(const std::u16string& productCode, const std::u16string& version);

// Raised by FormatGuid; nothing catches it. A plain std::exception with a fixed message, like
// RegistryValueNotFound.
class GuidFormattingFailed : public std::exception {
 public:
  const char* what() const noexcept override { return "StringFromGUID2 failed"; }
};

// The 38-character braced upper-case text of a GUID. Throws GuidFormattingFailed when the system
// cannot format it.
std::u16string FormatGuid(const platform::Guid& guid);
