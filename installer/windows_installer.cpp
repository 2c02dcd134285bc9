#include "installer/windows_installer.h"

#include <cstdint>

#include "base/errors.h"
#include "base/product.h"
#include "base/text_format.h"
#include "platform/installer.h"

void UseWindowsInstaller() {
  std::uint32_t missingOrdinal = 0;
  const HResult result = platform::LoadWindowsInstaller(missingOrdinal);
  if (result == 0) return;
  if (missingOrdinal == 0) ReportFatalError(result, u"msi.dll: ");
  ReportFatalError(result, u"msi.dll ordinal " + UnsignedDecimal(missingOrdinal) + u": ");
}

void RemoveInstalledLanguagePacks(int uiLevel) {
  const int previous = platform::MsiSetInternalUI(uiLevel);
  for (const char16_t* productCode : kLanguagePackProductCodes) {
    const int state = platform::MsiQueryProductStateW(productCode);
    if (state != platform::kInstallStateUnknown && state != platform::kInstallStateAbsent) {
      // A pack that stays is installed over by the run that follows, or reports its own failure there.
      (void)platform::MsiConfigureProductW(productCode, platform::kInstallLevelDefault,
                                           platform::kInstallStateAbsent);
    }
  }
  platform::MsiSetInternalUI(previous);
}
