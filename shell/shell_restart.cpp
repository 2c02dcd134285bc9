#include "shell/shell_restart.h"

bool ForceShellRestart() {
  // Placeholder until the shell restart lands: nothing is started.
  return false;
}
