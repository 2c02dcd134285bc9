#include "tests/fakes/process.h"

#include "platform/clock.h"
#include "tests/fakes/world.h"

namespace fakes {
namespace {
ProcessWorld world;
const bool registered = RegisterReset([] { world = ProcessWorld{}; });
}  // namespace
ProcessWorld& Process() { return world; }
}  // namespace fakes

namespace platform {

MutexResult CreateNamedMutex(const std::u16string& name) {
  fakes::Record("CreateNamedMutex " + fakes::Utf8(name));
  return fakes::Process().mutex;
}

std::vector<std::u16string> CommandLineArguments() { return fakes::Process().arguments; }

void EndProcess(int exitCode) {
  fakes::Record("EndProcess " + std::to_string(exitCode));
  throw fakes::ProcessExit{exitCode};
}

std::uint32_t LastError() { return fakes::Process().lastError; }

void SetLastError(std::uint32_t error) { fakes::Process().lastError = error; }

void TokenTraits::Close(Value) { fakes::Record("CloseToken"); }

bool OpenOwnProcessToken(TokenHandle& token) {
  fakes::Record("OpenOwnProcessToken");
  if (!fakes::Process().tokenOpens) return false;
  token.reset(reinterpret_cast<void*>(0x70));
  return true;
}

bool EnableTokenPrivilege(const TokenHandle&, const std::u16string& privilegeName) {
  fakes::Record("EnableTokenPrivilege " + fakes::Utf8(privilegeName));
  return fakes::Process().privilegeKnown;
}

void RequestSystemReboot() { fakes::Record("RequestSystemReboot"); }

std::uint32_t TickCount() {
  fakes::ProcessWorld& world = fakes::Process();
  const std::uint32_t now = world.tickCount;
  world.tickCount += world.tickStep;
  return now;
}

void SleepMilliseconds(std::uint32_t milliseconds) {
  fakes::Record("Sleep " + std::to_string(milliseconds));
  fakes::Process().tickCount += milliseconds;
}

}  // namespace platform
