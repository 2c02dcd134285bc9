// The stamping tool's reader of a setup executable's resources and header (pe::FindResource,
// pe::HeaderTimeStamp), on a whole file. Input: the image. Every resource found lies inside the
// image; AddressSanitizer sees each of its bytes read from an exactly-sized copy.
#include <cstdint>

#include "tests/fuzz/fuzz_support.h"
#include "tools/stamp/pe_resources.h"

using fuzzing::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto copy = fuzzing::ExactCopy(data, size);
  const std::span<const std::uint8_t> image(copy.get(), size);
  for (const auto& [type, name] : {std::pair{pe::kRcData, pe::ResourceKey{0, "MSI"}},
                                   std::pair{pe::kManifest, pe::ResourceKey{1, {}}}}) {
    const auto found = pe::FindResource(image, type, name);
    if (!found) continue;
    Require(found->data() >= image.data() && found->size() <= size &&
                static_cast<std::size_t>(found->data() - image.data()) <= size - found->size(),
            "a resource lies inside the image");
    unsigned sum = 0;
    for (const std::uint8_t byte : *found) sum += byte;
    (void)sum;
  }
  (void)pe::HeaderTimeStamp(image);
  return 0;
}
