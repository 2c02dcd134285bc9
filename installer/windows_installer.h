#pragma once
#include <cstdint>

// Makes the Windows Installer service's functions usable. A missing msi.dll in the system folder,
// or one that lacks a function, ends the process with a fatal error box ("msi.dll: " or
// "msi.dll ordinal N: " followed by the system's text).
void UseWindowsInstaller();

// Removes every installed language-pack product at the given Windows Installer UI level, between
// one pair of level changes; removal failures are ignored.
void RemoveInstalledLanguagePacks(int uiLevel);
