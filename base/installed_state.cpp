#include "base/installed_state.h"

#include "base/product.h"

std::u16string installedProductCode = kInstallerProductCode;
std::uint32_t installedMajorVersion = 0;
