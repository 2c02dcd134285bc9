#pragma once
#include <optional>
#include <string>

// Starts the Windows shell again for the interactive user when Explorer is the configured shell
// and no shell window exists: directly before Windows Vista, from Vista on through a one-time
// scheduled task that runs Explorer at the limited run level. True when Explorer was started, or
// the task was registered with a registration trigger or run on demand. Shows and logs nothing.
bool ForceShellRestart();

// "DOMAIN\user" of the current terminal-services session; none when either part cannot be read
// or the joined name is longer than 271 characters.
std::optional<std::u16string> InteractiveAccountName();
