#pragma once
#include <string>

namespace platform {

// AttachConsole(ATTACH_PARENT_PROCESS). False also where the system has no AttachConsole
// (Windows 2000): the function is looked up at run time.
[[nodiscard]] bool AttachToParentConsole();
// Reopens the C run-time's standard output on the console ("CON"). Where that yields no usable
// stream, console text is written through "CONOUT$" instead.
void ReopenStandardOutputOnConsole();
// Writes text to the (reopened) standard output.
void WriteStandardOutput(const std::u16string& text);
// FreeConsole.
void DetachFromConsole();

}  // namespace platform
