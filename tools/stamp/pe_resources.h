#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

// Reading a 32-bit PE image's own facts back from its bytes: its resources and the header's time
// stamp. Every offset and length read from the image is checked against its size.
namespace pe {

// A resource type or name: a number, or (when `name` is not empty) a name, compared as Windows
// does, A-Z folded to upper case.
struct ResourceKey {
  std::uint16_t id = 0;
  std::string_view name;
};

inline constexpr ResourceKey kRcData{10, {}};
inline constexpr ResourceKey kManifest{24, {}};

// The bytes of the resource of that type and name in its first language, or nothing when the
// image has none or its resource directory is damaged.
std::optional<std::span<const std::uint8_t>> FindResource(std::span<const std::uint8_t> image, ResourceKey type,
                                                          ResourceKey name);

// The file header's TimeDateStamp (seconds since 1970, UTC), or nothing for a file that is no PE
// image.
std::optional<std::uint32_t> HeaderTimeStamp(std::span<const std::uint8_t> image);

}  // namespace pe
