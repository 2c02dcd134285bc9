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

bool RestrictDllSearchToSystemFolder() {
  fakes::Record("RestrictDllSearchToSystemFolder");
  return true;
}

MutexResult CreateNamedMutex(const std::u16string& name) {
  fakes::Record("CreateNamedMutex " + fakes::Utf8(name));
  return fakes::Process().mutex;
}

void MutexHandleTraits::Close(Value) {}

Elevation QueryProcessElevation() { return fakes::Process().elevation; }

bool NamedMutexExists(const std::u16string& name) {
  fakes::Record("NamedMutexExists " + fakes::Utf8(name));
  return fakes::Process().existingMutexes.count(name) != 0;
}

std::vector<std::u16string> CommandLineArguments() { return fakes::Process().arguments; }

std::u16string ProgramFilePath() {
  return fakes::Process().programFilePath;
}

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

platform::SystemTime CurrentUtcTime() { return fakes::Process().utcTime; }
platform::SystemTime CurrentLocalTime() { return fakes::Process().localTime; }

// %NAME% of each known variable is replaced; anything else stays as written.
std::uint32_t ExpandEnvironmentText(const std::u16string& text, std::uint32_t capacity, std::u16string& expanded) {
  fakes::Record("ExpandEnvironmentText " + fakes::Utf8(text));
  std::u16string result = text;
  for (const auto& [name, value] : fakes::Process().environment) {
    const std::u16string reference = u"%" + name + u"%";
    for (std::size_t at = result.find(reference); at != std::u16string::npos; at = result.find(reference, at)) {
      result.replace(at, reference.size(), value);
      at += value.size();
    }
  }
  const auto needed = static_cast<std::uint32_t>(result.size() + 1);
  if (needed <= capacity) expanded = result;
  return needed;
}

void SleepMilliseconds(std::uint32_t milliseconds) {
  fakes::Record("Sleep " + std::to_string(milliseconds));
  fakes::Process().tickCount += milliseconds;
}

}  // namespace platform
