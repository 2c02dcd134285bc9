#pragma once
// Versions of the product line next to this setup's own (kProductVersion, cmake/product.cmake), so
// that tests of the installed-version decisions hold whatever version is built.
#include <cstdint>
#include <string>

#include "base/product.h"

// The version of four 16-bit parts packed into 64 bits, as text.
inline std::u16string PackedVersionText(std::uint64_t packed) {
  std::u16string text;
  for (int shift = 48; shift >= 0; shift -= 16) {
    const std::string part = std::to_string((packed >> shift) & 0xFFFF);
    text.append(part.begin(), part.end());
    if (shift != 0) text += u'.';
  }
  return text;
}

inline constexpr std::uint64_t kPackedProductVersion =
    (std::uint64_t{kProductVersionHigh} << 32) | kProductVersionLow;

// The version just before and just after the product's own, and the next minor version.
inline std::u16string PreviousProductVersion() { return PackedVersionText(kPackedProductVersion - 1); }
inline std::u16string NextProductVersion() { return PackedVersionText(kPackedProductVersion + 1); }
inline std::u16string NextMinorVersion() { return PackedVersionText(((kPackedProductVersion >> 32) + 1) << 32); }
