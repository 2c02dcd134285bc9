#pragma once
#include <cstdint>

#include "platform/process.h"
#include "platform/system_info.h"

// The requirements status (see ui/requirements_notice.h) of a Windows version: 1 below Windows
// XP (major below 5, or 5.0), 2 Windows XP (5.1) with a service pack below 2, otherwise 0. A
// version that could not be queried meets the requirements.
std::int32_t ClassifyWindowsVersion(const platform::VersionFacts& version);

// Returns only when this Windows is supported; otherwise shows the requirements notice and ends
// the process with -1.
void CheckWindowsVersion(platform::InstanceHandle instance);
