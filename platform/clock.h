#pragma once
#include <cstdint>

namespace platform {

// Milliseconds since the system started, wrapping at 2^32 (GetTickCount).
[[nodiscard]] std::uint32_t TickCount();
void SleepMilliseconds(std::uint32_t milliseconds);

// A calendar time as the system reports it (SYSTEMTIME); dayOfWeek 0 is Sunday.
struct SystemTime {
  std::uint16_t year = 0;
  std::uint16_t month = 0;
  std::uint16_t dayOfWeek = 0;
  std::uint16_t day = 0;
  std::uint16_t hour = 0;
  std::uint16_t minute = 0;
  std::uint16_t second = 0;
  std::uint16_t milliseconds = 0;
};
// The current time in UTC (GetSystemTime).
[[nodiscard]] SystemTime CurrentUtcTime();
// The current local time (GetLocalTime).
[[nodiscard]] SystemTime CurrentLocalTime();

}  // namespace platform
