#include "versions/installed_product.h"

#include "app/product.h"

std::u16string installedProductCode = kInstallerProductCode;
std::uint32_t installedMajorVersion = 0;

HResult GetRequiredMsiConfigureAction(std::uint32_t, std::uint32_t, const std::u16string&, ConfigureAction& action) {
  // Placeholder until installed-product detection lands: nothing is installed.
  action = ActionFreshInstall;
  return kSOk;
}
