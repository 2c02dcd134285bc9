#include "installer/windows_installer.h"

#include <cstdint>

#include "base/errors.h"
#include "base/text_format.h"
#include "platform/installer.h"

void UseWindowsInstaller() {
  std::uint32_t missingOrdinal = 0;
  const HResult result = platform::LoadWindowsInstaller(missingOrdinal);
  if (result == 0) return;
  if (missingOrdinal == 0) ReportFatalError(result, u"msi.dll: ");
  ReportFatalError(result, u"msi.dll ordinal " + UnsignedDecimal(missingOrdinal) + u": ");
}
