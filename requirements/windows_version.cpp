#include "requirements/windows_version.h"

#include "base/outcome.h"
#include "base/setup_log.h"
#include "platform/system_info.h"
#include "ui/requirements_notice.h"

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
  if (unattendedRun) {
    LogEvent({u"This Windows is older than Windows XP Service Pack 2: nothing is installed; the requirements notice is " u"left out"});
  } else {
    LogEvent({u"This Windows is older than Windows XP Service Pack 2: the requirements notice is shown"});
    ShowRequirementsNotice(instance);
  }
  EndRun(Outcome::WindowsTooOld);
}
