#pragma once
#include <cstdint>
#include <string>

#include "base/configure_action.h"

// Opens the install-help page with the installer's result, the configure action, the encoded
// installation identifier (left out when there is none) and the system-information query.
void OpenInstallHelpLink(const ConfigureAction& action, const std::u16string& languageCode, std::uint32_t result);

// Opens the cancellation-during-upgrade page when the installed product is of major version 9 or
// later, with "&uninstalledversion=" when `withVersion` is set. False, with nothing opened, for
// older or absent versions.
bool OpenUpgradeCancellationLink(bool withVersion, const std::u16string& languageCode);

// Returns for the installer's success codes (0, 1641, 3010). Ends the process with exit code 1
// otherwise, after a warning box with the system's text unless the user cancelled, the
// installation failed fatally or was suspended (1602, 1603, 1604).
void ExitOnInstallerFailure(std::uint32_t result);

// Opens the URL with its registered program; where that fails, hands it to "explorer.exe", in
// double quotation marks when `quoteInFallback` is set. Failures are not reported.
void OpenInBrowser(const std::u16string& url, bool quoteInFallback);
