#pragma once

// The product this setup installs. Its codes, code word, version, default affiliate tag and
// language codes are written once in cmake/product.cmake; the build generates
// base/product_data.h from there.
#include "base/product_data.h"

inline constexpr char16_t kProductName[] = u"Orvex Utilities";
