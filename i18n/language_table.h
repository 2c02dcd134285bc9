#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "base/product.h"

// One interface language of the setup. `code` is the NUL-terminated language code
// ("en-US"); `displayName` is the language's own name for the language list;
// `bitmapId` is the resource id of its 16 x 14 flag bitmap.
struct LanguageEntry {
  char16_t code[6];
  const char16_t* displayName;
  std::uint32_t bitmapId;
};

// The languages the setup knows. A row's position is the language index that the
// rest of the program stores; the rows and their order come from the product data
// (base/product.h).
extern const std::array<LanguageEntry, kLanguageCount> kLanguages;
