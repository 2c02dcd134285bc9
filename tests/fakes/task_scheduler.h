#pragma once
#include <deque>
#include <map>
#include <string>

#include "platform/result.h"
#include "platform/task_scheduler.h"

namespace fakes {

// The Task Scheduler as a test scripts it. Each call is logged by the seam function's name and
// its arguments; every object handed out is logged as "Release <interface>" when released.
struct TaskSchedulerWorld {
  // Results by the seam function's name ("CreateTrigger", "RunRegisteredTask", ...); a call not
  // listed succeeds and, where it hands out an object, hands one out.
  std::map<std::string, HResult> results;
  // What GetLastRunTime reads, call by call; 0.0 (never run) once these are used up.
  std::deque<double> lastRunTimes;
  // Objects handed out and not released yet: fake address -> interface name.
  std::map<void*, std::string> liveObjects;
};
TaskSchedulerWorld& TaskScheduler();

inline constexpr HResult kENotImpl = static_cast<HResult>(0x80004001u);

}  // namespace fakes
