#pragma once
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/process.h"

namespace fakes {

struct ProcessWorld {
  platform::MutexResult mutex = platform::MutexResult::Created;
  // Named mutexes other processes hold ("Global\\_MSIExecute" while an installation runs).
  std::set<std::u16string> existingMutexes;
  platform::Elevation elevation = platform::Elevation::Elevated;
  std::vector<std::u16string> arguments = {u"C:\\setup\\OrvexUtilities2011Setup.exe"};
  std::u16string programFilePath = u"C:\\setup\\OrvexUtilities2011Setup.exe";
  std::uint32_t lastError = 0;
  bool tokenOpens = true;
  bool privilegeKnown = true;
  std::uint32_t tickCount = 1000;
  // Added to the tick count after every read, so loops that wait on it end.
  std::uint32_t tickStep = 0;
  platform::SystemTime utcTime{2011, 6, 3, 15, 12, 30, 45, 500};
  platform::SystemTime localTime{2011, 6, 3, 15, 14, 30, 45, 500};
  // Environment variables by name (as written in the text to expand).
  std::map<std::u16string, std::u16string> environment = {{u"SystemRoot", u"C:\\Windows"}};
};
ProcessWorld& Process();

}  // namespace fakes
