#pragma once
#include <cstdint>
#include <deque>
#include <optional>

#include "platform/services.h"

namespace fakes {

// The product's service as the service control manager reports it. Failing calls set the last
// error (fakes::Process().lastError) as the real ones do.
struct ServicesWorld {
  std::optional<std::uint32_t> managerError;  // OpenSCManagerW fails with it
  std::optional<std::uint32_t> openError;     // OpenServiceW fails with it (1060 for no such service)
  std::optional<std::uint32_t> stopError;     // ControlService fails with it (1062 when not running)
  // What the stop control returns, then what each status query returns in turn (the last one
  // repeats); none is a failed query.
  platform::ServiceStatus stopReturns = {platform::kServiceStopPending, 0};
  std::deque<std::optional<platform::ServiceStatus>> queries = {platform::ServiceStatus{platform::kServiceStopped, 0}};
  std::optional<std::uint32_t> startError;  // StartServiceW fails with it
  // Whether the service runs: a stop that ends in "stopped" and a start request change it.
  bool running = true;
};
ServicesWorld& Services();

}  // namespace fakes
