#pragma once

// Attaches to the parent's console and starts every console message with one line break.
// False, with nothing printed, when there is no parent console.
bool AttachParentConsole();

// Detaches from the console and sends one Enter key press to the foreground window, so the
// command prompt that started the setup shows its prompt again.
void ReleaseConsole();
