#include "tests/fakes/resources.h"

#include "tests/fakes/process.h"
#include "tests/fakes/world.h"

namespace fakes {
namespace {
ResourcesWorld world;
const bool registered = RegisterReset([] { world = ResourcesWorld{}; });
}  // namespace

ResourcesWorld& Resources() { return world; }

void AddRcdata(const std::u16string& name, std::vector<std::uint8_t> bytes) {
  world.rcdata.push_back({platform::ResourceName{name.empty(), name}, std::move(bytes), 0});
}

}  // namespace fakes

namespace platform {

bool LoadRcdataResource(const std::u16string& name, ResourceBytes& resource) {
  fakes::Record("LoadRcdataResource " + fakes::Utf8(name));
  for (const fakes::ScriptedResource& scripted : fakes::Resources().rcdata) {
    if (scripted.name.isIntegerId || scripted.name.name != name) continue;
    if (scripted.loadError != 0) {
      fakes::Process().lastError = scripted.loadError;
      return false;
    }
    resource.data = scripted.bytes.data();
    resource.size = static_cast<std::uint32_t>(scripted.bytes.size());
    return true;
  }
  fakes::Process().lastError = fakes::Resources().notFoundError;
  return false;
}

std::vector<ResourceName> EnumerateRcdataNames() {
  fakes::Record("EnumerateRcdataNames");
  std::vector<ResourceName> names;
  for (const fakes::ScriptedResource& scripted : fakes::Resources().rcdata) names.push_back(scripted.name);
  return names;
}

}  // namespace platform
