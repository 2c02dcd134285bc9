#include "report/help_links.h"

#include "base/errors.h"
#include "base/installed_state.h"
#include "base/installer_results.h"
#include "base/outcome.h"
#include "base/product.h"
#include "base/setup_log.h"
#include "platform/com.h"
#include "platform/process.h"
#include "platform/shell.h"
#include "platform/ui.h"
#include "report/installation_id.h"
#include "report/system_info_query.h"

namespace {

constexpr char16_t kInstallHelpPath[] = u"/link/?target=installhelp";
constexpr char16_t kCancellationPath[] = u"/link/?target=cancelationduringupgrade";
constexpr std::uint32_t kFirstMajorWithCancellationPage = 9;
constexpr std::intptr_t kShellOpenLastError = 32;


}  // namespace

void OpenInBrowser(const std::u16string& url, bool quoteInFallback) {
  // A deployment runs where nobody reads a page, often as SYSTEM in a session without a desktop.
  if (unattendedRun) {
    LogEvent({u"Help page left out (unattended run): ", url});
    return;
  }
  LogEvent({u"Help page opened: ", url});
  if (platform::ShellOpen(u"open", url, u"", platform::kSwShowNormal) > kShellOpenLastError) return;
  const std::u16string parameters = quoteInFallback ? u"\"" + url + u"\"" : url;
  // The last resort: when Explorer cannot be started either, the link stays unopened.
  (void)platform::ShellOpen(u"open", u"explorer.exe", parameters, platform::kSwShowNormal);
}

void OpenInstallHelpLink(const ConfigureAction& action, const std::u16string& languageCode, std::uint32_t result) {
  std::u16string url = std::u16string(linkBase) + kInstallHelpPath;
  url += u"&errorcode=" + UnsignedDecimal(result);
  url += u"&action=" + UnsignedDecimal(static_cast<std::uint32_t>(action));
  platform::Guid id;
  if (GetInstallationId(kProductCode, kProductVersion, id)) url += u"&qz_ighash=" + EncodeIdHash(id);
  BuildSystemInfoQuery(url, languageCode);
  OpenInBrowser(url, /*quoteInFallback=*/true);
}

bool OpenUpgradeCancellationLink(bool withVersion, const std::u16string& languageCode) {
  if (installedMajorVersion < kFirstMajorWithCancellationPage) return false;
  std::u16string url = std::u16string(linkBase) + kCancellationPath;
  if (withVersion) url += u"&uninstalledversion=" + UnsignedDecimal(installedMajorVersion);
  BuildSystemInfoQuery(url, languageCode);
  OpenInBrowser(url, /*quoteInFallback=*/false);
  return true;
}

void ExitOnInstallerFailure(std::uint32_t result) {
  if (IsInstallerSuccess(result)) return;
  if (!IsQuietInstallerFailure(result) && !unattendedRun) {
    platform::ShowMessageBox(SystemMessageText(result), kProductName, platform::kMbIconWarning);
  }
  EndRun(Outcome::InstallationFailed, result);
}
