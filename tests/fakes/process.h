#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/process.h"

namespace fakes {

struct ProcessWorld {
  platform::MutexResult mutex = platform::MutexResult::Created;
  std::vector<std::u16string> arguments = {u"C:\\setup\\OrvexUtilities2011Setup.exe"};
  std::uint32_t lastError = 0;
  bool tokenOpens = true;
  bool privilegeKnown = true;
  std::uint32_t tickCount = 1000;
  // Added to the tick count after every read, so loops that wait on it end.
  std::uint32_t tickStep = 0;
};
ProcessWorld& Process();

}  // namespace fakes
