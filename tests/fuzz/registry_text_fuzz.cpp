// Registry string data as the registry returns it (any bytes, any length): decoded up to the
// first terminator or the end, never past the data.
#include <cstdint>
#include <string>

#include "platform/registry.h"
#include "tests/fuzz/fuzz_support.h"

using fuzzing::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 0xFFFFFFFFu) return 0;
  const auto exact = fuzzing::ExactCopy(data, size);
  const std::u16string text = platform::RegistryText(exact.get(), static_cast<std::uint32_t>(size));
  const std::u16string units = fuzzing::CodeUnits(data, size);
  Require(text == units.substr(0, units.find(u'\0')), "the units up to the first terminator");
  return 0;
}
