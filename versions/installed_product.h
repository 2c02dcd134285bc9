#pragma once
#include <cstdint>
#include <string>

#include "platform/result.h"
#include "versions/configure_action.h"

// Product code under which the installed version was found; kInstallerProductCode until the
// detection finds it under another code.
extern std::u16string installedProductCode;
// Major number of the installed version; 0 until a version has been parsed.
extern std::uint32_t installedMajorVersion;

// Compares the installed product's version with the new one (two packed words) and decides what
// the setup does about it. `action` is 0 when the result is a failure.
HResult GetRequiredMsiConfigureAction(std::uint32_t newVersionHigh, std::uint32_t newVersionLow,
                                      const std::u16string& productCode, ConfigureAction& action);
