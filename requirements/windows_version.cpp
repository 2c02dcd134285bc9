#include "requirements/windows_version.h"

void CheckWindowsVersion(platform::InstanceHandle) {
  // Placeholder until the Windows version check lands: every Windows passes.
}
