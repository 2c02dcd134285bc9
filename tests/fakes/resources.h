#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/files.h"

namespace fakes {

struct ScriptedResource {
  platform::ResourceName name;
  std::vector<std::uint8_t> bytes;
  // When set, loading the resource fails with this last error.
  std::uint32_t loadError = 0;
};

struct ResourcesWorld {
  // The program's RCDATA resources in the order the system reports them.
  std::vector<ScriptedResource> rcdata;
  // Last error left by a failed lookup of a missing resource (ERROR_RESOURCE_NAME_NOT_FOUND).
  std::uint32_t notFoundError = 1814;
};
ResourcesWorld& Resources();

// Adds an RCDATA resource with a name (or an integer id when `name` is empty) and content.
void AddRcdata(const std::u16string& name, std::vector<std::uint8_t> bytes = {'M', 'S', 'I'});

}  // namespace fakes
