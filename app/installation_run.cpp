#include "app/installation_run.h"

void RunInstallation(platform::InstanceHandle, ConfigureAction, const SetupOptions&) {
  // Placeholder until the installation run lands: nothing is installed.
}
