#pragma once
#include <cstdint>

// The Windows Installer results this setup tells apart, and their classes.
inline constexpr std::uint32_t kInstallerSuccess = 0;
inline constexpr std::uint32_t kInstallerUserExit = 1602;
inline constexpr std::uint32_t kInstallerFailure = 1603;
inline constexpr std::uint32_t kInstallerSuspended = 1604;
inline constexpr std::uint32_t kInstallerRebootInitiated = 1641;
inline constexpr std::uint32_t kInstallerRebootRequired = 3010;
// A query about a product or property the installer does not know.
inline constexpr std::uint32_t kInstallerUnknownProduct = 1605;
inline constexpr std::uint32_t kInstallerUnknownProperty = 1608;

// Results that count as success everywhere: 0, 1641 and 3010.
constexpr bool IsInstallerSuccess(std::uint32_t result) {
  return result == kInstallerSuccess || result == kInstallerRebootInitiated || result == kInstallerRebootRequired;
}

// Of two successful results, the restart they need together: 1641 before 3010 before 0.
constexpr std::uint32_t CombineRestartResults(std::uint32_t first, std::uint32_t second) {
  if (first == kInstallerRebootInitiated || second == kInstallerRebootInitiated) return kInstallerRebootInitiated;
  if (first == kInstallerRebootRequired || second == kInstallerRebootRequired) return kInstallerRebootRequired;
  return kInstallerSuccess;
}

// Failures shown without a warning box: cancelled by the user, fatal failure, suspended.
constexpr bool IsQuietInstallerFailure(std::uint32_t result) {
  return result == kInstallerUserExit || result == kInstallerFailure || result == kInstallerSuspended;
}
