#pragma once
#include <cstdint>

namespace platform {

// Milliseconds since the system started, wrapping at 2^32 (GetTickCount).
[[nodiscard]] std::uint32_t TickCount();
void SleepMilliseconds(std::uint32_t milliseconds);

}  // namespace platform
