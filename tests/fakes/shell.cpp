#include "tests/fakes/shell.h"

#include "platform/shell.h"
#include "tests/fakes/world.h"

namespace fakes {
namespace {
ShellWorld world;
const bool registered = RegisterReset([] { world = ShellWorld{}; });
}  // namespace
ShellWorld& Shell() { return world; }
}  // namespace fakes

namespace platform {

std::intptr_t ShellOpen(const char16_t* verb, const std::u16string& file, const std::u16string& parameters,
                        int showCommand) {
  fakes::ShellWorld& world = fakes::Shell();
  fakes::ShellOpenCall call{std::nullopt, file, parameters, showCommand};
  if (verb != nullptr) call.verb = std::u16string(verb);
  world.opened.push_back(call);
  fakes::Record("ShellOpen " + (verb != nullptr ? fakes::Utf8(verb) : std::string("<default>")) + " " +
                fakes::Utf8(file) + " | " + fakes::Utf8(parameters) + " | " + std::to_string(showCommand));
  if (world.results.empty()) return world.defaultResult;
  const std::intptr_t result = world.results.front();
  world.results.pop_front();
  return result;
}

}  // namespace platform
