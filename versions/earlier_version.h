#pragma once

#include "base/configure_action.h"

// Removes the installed version before (or, for the same version, instead of) the installation.
void RemoveEarlierVersion(ConfigureAction action, bool autoUninstall);
