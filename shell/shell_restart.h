#pragma once

// Starts the Windows shell again for the interactive user when Explorer is the configured shell
// and no shell window exists. True when Explorer was started or its start was scheduled.
bool ForceShellRestart();
