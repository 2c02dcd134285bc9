#pragma once
#include <string>

// True when Windows has a pending file rename or delete for one of the main package's files: an
// entry of "PendingFileRenameOperations" whose final path component equals a long file name of the
// package's File table, ignoring the case of A to Z. Every failure (package or value unreadable,
// value not a multi-string) gives false. Makes the Windows folder the process's current folder
// first, for the rest of the process.
bool IsRestartPending(const std::u16string& mainPackagePath);
