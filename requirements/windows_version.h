#pragma once

#include "platform/process.h"

// Returns only when this Windows is supported; otherwise shows the requirements notice and ends
// the process with -1.
void CheckWindowsVersion(platform::InstanceHandle instance);
