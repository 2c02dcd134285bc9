#pragma once

#include "app/options.h"
#include "platform/process.h"
#include "versions/configure_action.h"

// Installs the language packs and the main package; ends the process with 1 on failure.
void RunInstallation(platform::InstanceHandle instance, ConfigureAction action, const SetupOptions& options);
