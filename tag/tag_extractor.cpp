#include "tag/tag_extractor.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

#include "tag/tag_format.h"

namespace tagging {

TagExtractor::~TagExtractor() { UnmapFile(); }

bool TagExtractor::MapFile(const std::u16string& path) {
  UnmapFile();
  platform::FileHandle file = platform::OpenFileForReading(path);
  if (!file) return false;
  std::uint64_t size = 0;
  if (!platform::QueryFileSize(file, size)) return false;
  platform::MappingHandle mapping = platform::CreateReadOnlyMapping(file);
  if (!mapping) return false;
  platform::MappedView mapped = platform::MapReadOnlyView(mapping);
  if (!mapped) return false;
  std::size_t regionSize = 0;
  if (!platform::QueryRegionSize(mapped.get(), regionSize)) return false;
  fileHandle = std::move(file);
  mappingHandle = std::move(mapping);
  view = std::move(mapped);
  // A larger region cannot occur in a 32-bit process; reporting less than there is stays safe.
  viewSize = static_cast<std::uint32_t>(
      std::min<std::size_t>(regionSize, std::numeric_limits<std::uint32_t>::max()));
  fileSize = size;
  return true;
}

void TagExtractor::UnmapFile() {
  view.reset();
  viewSize = 0;
  fileSize = 0;
  mappingHandle.reset();
  fileHandle.reset();
}

bool TagExtractor::ReadTag(std::uint8_t* buffer, std::int32_t* count) {
  if (count == nullptr || !fileHandle || !view) return false;
  const std::span<const std::uint8_t> image(view.get(),
                                            static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, viewSize)));
  const TagPosition position = LocateTag(image);
  if (position.fault != TagFault::None) return false;
  certificate = view.get() + position.certificateOffset;
  certificateSpan = position.certificateSpan;

  const std::optional<std::span<const std::uint8_t>> text = ReadTagBlock(image, position.tagOffset);
  if (!text) return false;
  const auto needed = static_cast<std::int32_t>(text->size() + 1);
  if (buffer == nullptr) {
    *count = needed;
    return true;
  }
  if (*count < needed) return false;
  if (!text->empty()) std::memcpy(buffer, text->data(), text->size());
  buffer[text->size()] = 0;
  return true;
}

}  // namespace tagging
