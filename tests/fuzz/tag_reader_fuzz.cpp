// The tag reader over whole files: the format rules on an exactly-sized copy of the input, and
// TagExtractor on mapped views of it. Both must agree on every view, and the two-call protocol
// must hold. The views: one that ends exactly at the file's last byte, and page-rounded ones
// whose rest of the last page shows zeros (as on Windows) or the input again; an inaccessible
// page follows each.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "tag/tag_extractor.h"
#include "tag/tag_format.h"
#include "tests/fakes/file_mapping.h"
#include "tests/fakes/world.h"
#include "tests/fuzz/fuzz_support.h"

using fuzzing::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fakes::FileMapping().otherFiles.reset();  // only the file scripted below exists
  fakes::Calls().clear();

  const auto exact = fuzzing::ExactCopy(data, size);
  const std::span<const std::uint8_t> image(exact.get(), size);
  const tagging::TagPosition position = tagging::LocateTag(image);
  std::optional<std::span<const std::uint8_t>> text;
  if (position.fault == tagging::TagFault::None) {
    Require(position.certificateOffset < size, "the certificate entry starts inside the image");
    text = tagging::ReadTagBlock(image, position.tagOffset);
  }

  const std::u16string path = u"C:\\setup.exe";
  fakes::FileMapping().files[path].assign(data, data + size);
  struct View {
    bool tight;
    std::vector<std::uint8_t> pastTheEnd;
  };
  for (const View& shape : {View{true, {}}, View{false, {}}, View{false, {data, data + size}}}) {
    fakes::FileMapping().tightViews = shape.tight;
    fakes::FileMapping().pastTheEnd = shape.pastTheEnd;
    tagging::TagExtractor extractor;
    const bool mapped = extractor.MapFile(path);
    Require(mapped == (size != 0), "every non-empty file maps");
    std::int32_t count = 0;
    const bool found = extractor.ReadTag(nullptr, &count);
    Require(found == (mapped && text.has_value()), "the reader finds the tag the format rules find");
    if (found) {
      Require(count == static_cast<std::int32_t>(text->size()) + 1, "the size query counts the text and a zero");
      Require(extractor.certificate == extractor.view.get() + position.certificateOffset, "the entry is where it was found");
      // Never null, even for an empty text: a null buffer would be a size query.
      const std::vector<std::uint8_t> pattern(static_cast<std::size_t>(count - 1), 0xA5);
      const auto small = fuzzing::ExactCopy(pattern.data(), pattern.size());
      std::int32_t smallCount = count - 1;
      Require(!extractor.ReadTag(small.get(), &smallCount), "a buffer one byte short is refused");
      Require(smallCount == count - 1 && std::equal(pattern.begin(), pattern.end(), small.get()),
              "a refused copy changes nothing");
      std::vector<std::uint8_t> buffer(static_cast<std::size_t>(count), 0xA5);
      Require(extractor.ReadTag(buffer.data(), &count), "a buffer of the reported size is filled");
      Require(count == static_cast<std::int32_t>(text->size()) + 1, "the copy leaves the count as it was");
      Require(std::equal(text->begin(), text->end(), buffer.begin()) && buffer.back() == 0,
              "the copy is the text and a terminating zero");
    }
  }
  fakes::FileMapping().files.erase(path);
  Require(fakes::OpenMappingObjects() == 0, "the file, the mapping and the view are released");
  return 0;
}
