#pragma once
#include <cstdint>
#include <string>

namespace platform {

// A GUID in the platform's in-memory layout.
struct Guid {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0;
  std::uint16_t data3 = 0;
  std::uint8_t data4[8] = {};
  friend bool operator==(const Guid&, const Guid&) = default;
};

[[nodiscard]] bool CreateGuid(Guid& guid);                                  // CoCreateGuid
[[nodiscard]] bool GuidToString(const Guid& guid, std::u16string& text);    // StringFromGUID2, 39-character buffer
[[nodiscard]] bool GuidFromString(const std::u16string& text, Guid& guid);  // IIDFromString

}  // namespace platform
