#pragma once
#include <string>

// True when Windows has a pending file rename for one of the main package's files.
bool IsRestartPending(const std::u16string& mainPackagePath);
