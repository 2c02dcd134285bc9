#include "tests/fakes/shell.h"

#include <algorithm>

#include "platform/shell.h"
#include "tests/fakes/files.h"
#include "tests/fakes/process.h"
#include "tests/fakes/ui.h"
#include "tests/fakes/world.h"

namespace fakes {
namespace {
ShellWorld world;
// How many exit code reads each started program has answered, by its index in `started`.
std::vector<std::size_t> readsAnswered;
const bool registered = RegisterReset([] {
  world = ShellWorld{};
  readsAnswered.clear();
});
constexpr std::uintptr_t kFirstProcess = 0x9000;
}  // namespace
ShellWorld& Shell() { return world; }

std::vector<ShellOpenCall> OpenedPages() {
  std::vector<ShellOpenCall> pages;
  for (const ShellOpenCall& call : world.opened) {
    if (call.file.rfind(u"http", 0) == 0) pages.push_back(call);
  }
  return pages;
}
}  // namespace fakes

namespace platform {

std::intptr_t ShellOpen(const char16_t* verb, const std::u16string& file, const std::u16string& parameters,
                        int showCommand) {
  return ShellOpen(nullptr, verb, file, parameters, showCommand);
}

std::intptr_t ShellOpen(WindowHandle owner, const char16_t* verb, const std::u16string& file,
                        const std::u16string& parameters, int showCommand) {
  fakes::ShellWorld& world = fakes::Shell();
  fakes::ShellOpenCall call{std::nullopt, file, parameters, showCommand, owner};
  if (verb != nullptr) call.verb = std::u16string(verb);
  world.opened.push_back(call);
  fakes::Record("ShellOpen " + (verb != nullptr ? fakes::Utf8(verb) : std::string("<default>")) + " " +
                fakes::Utf8(file) + " | " + fakes::Utf8(parameters) + " | " + std::to_string(showCommand) +
                (owner != nullptr ? " | owner " + fakes::WindowName(owner) : std::string()));
  if (world.results.empty()) return world.defaultResult;
  const std::intptr_t result = world.results.front();
  world.results.pop_front();
  return result;
}

}  // namespace platform

namespace platform {

bool ShellExecuteKeepingProcess(const char16_t* verb, const std::u16string& file, const std::u16string& parameters,
                                int showCommand, ProcessHandle& process) {
  fakes::Record("ShellExecuteKeepingProcess " + (verb != nullptr ? fakes::Utf8(verb) : std::string("<default>")) +
                " " + fakes::Utf8(file) + " | " + fakes::Utf8(parameters) + " | " + std::to_string(showCommand));
  if (fakes::Files().files.count(file) == 0) {
    fakes::Process().lastError = 2;
    return false;
  }
  fakes::ShellWorld& world = fakes::Shell();
  fakes::ShellOpenCall call{std::nullopt, file, parameters, showCommand};
  if (verb != nullptr) call.verb = std::u16string(verb);
  world.started.push_back(call);
  fakes::readsAnswered.push_back(0);
  process.reset(reinterpret_cast<void*>(fakes::kFirstProcess + world.started.size() - 1));
  return true;
}

void ProcessHandleTraits::Close(Value) { fakes::Record("CloseProcessHandle"); }

bool WaitForProcessEnd(const ProcessHandle&) {
  fakes::Record("WaitForProcessEnd");
  return !fakes::Shell().waitFails;
}

bool GetProcessExitCode(const ProcessHandle& process, std::uint32_t& code) {
  const std::size_t index = reinterpret_cast<std::uintptr_t>(process.get()) - fakes::kFirstProcess;
  fakes::ShellWorld& world = fakes::Shell();
  if (index >= world.started.size()) return false;
  const auto scripted = world.exitCodeReads.find(world.started[index].parameters);
  if (scripted == world.exitCodeReads.end() || scripted->second.empty()) {
    code = 0;
    return true;
  }
  const auto& reads = scripted->second;
  const std::optional<std::uint32_t> read = reads[std::min(fakes::readsAnswered[index], reads.size() - 1)];
  ++fakes::readsAnswered[index];
  if (!read) return false;
  code = *read;
  return true;
}

}  // namespace platform
