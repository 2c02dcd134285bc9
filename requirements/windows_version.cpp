#include "requirements/windows_version.h"

#include "platform/system_info.h"
#include "ui/requirements_notice.h"

namespace {
constexpr int kUnsupportedWindowsExitCode = -1;
}  // namespace

std::int32_t ClassifyWindowsVersion(const platform::VersionFacts& version) {
  if (!version.queried) return kRequirementsMet;
  if (version.major < 5 || (version.major == 5 && version.minor == 0)) return kWindowsTooOld;
  if (version.major == 5 && version.minor == 1 && version.servicePackMajor < 2) return kServicePackMissing;
  return kRequirementsMet;
}

void CheckWindowsVersion(platform::InstanceHandle instance) {
  const std::int32_t status = ClassifyWindowsVersion(platform::QueryVersionFacts());
  if (status == kRequirementsMet) return;
  requirementsStatus = status;
  ShowRequirementsNotice(instance);
  platform::EndProcess(kUnsupportedWindowsExitCode);
}
