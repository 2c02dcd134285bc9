#pragma once
#include <cstdint>
#include <string>

#include "base/configure_action.h"

// The installed product's own parts that take part in its removal.
inline constexpr char16_t kProductServiceName[] = u"Orvex.UtilitiesSvc";
inline constexpr char16_t kInstallToolName[] = u"QZInstallHelper.exe";
inline constexpr char16_t kCloseAppsSwitch[] = u"--close-qzvapps";
inline constexpr char16_t kUninstallSwitch[] = u"--uninstall-nocturo";
// Position of the notified method in the product component's method table (QueryInterface is 0).
inline constexpr unsigned kProductComponentMethodSlot = 36;

// What the install tool answers to kUninstallSwitch (its exit code; anything else is no verdict).
enum UninstallVerdict : int { VerdictNone = 0, VerdictRemove = 1, VerdictAbandon = 2 };

// Removes the installed version before (or, for the same version, instead of) the installation:
// the install tool closes the product's applications; unless `autoUninstall`, the tool or the
// user decides whether to go on; the service is stopped and the product component notified; the
// product is removed at the basic UI level, then its language packs. A failed removal starts the
// service again (and, when the user cancelled the automatic removal of a major-9 version, opens
// the cancellation page). The shell is restarted either way. A failed removal ends the process
// (exit code 1, in an unattended run the installer's result); otherwise the function returns the
// removal's result (0, 1641 or 3010), or 0 when nothing was removed. An unattended run removes
// with no installer interface (basic progress only with "/reducedui") and a hidden install tool.
std::uint32_t RemoveEarlierVersion(ConfigureAction action, bool autoUninstall);

// The install tool with kCloseAppsSwitch, waited for: 1, or 0 when it could not be launched. An
// install folder that is not found (or not a full path) launches nothing and gives 1.
int RunToolCloseApps();

// The install tool's verdict on kUninstallSwitch, waited for. No verdict without launching when
// the installed major version is below 10, the install folder is not found (or not a full path)
// or the launch fails.
UninstallVerdict RunToolUninstall();

// Stops the product's service and waits while it is stop-pending, about 30 s at most. True when
// it stopped, does not exist or was not running.
bool StopProductService();

// Asks the product's service to start, without waiting for it. True when the request was accepted.
bool StartProductService();

// Creates the product's COM component and calls its notification method. True when both succeeded.
bool NotifyProductComponent();

