#pragma once
#include <cstdint>
#include <string>

#include "platform/files.h"

namespace tagging {

// Reads the affiliate tag behind the Authenticode signature of an executable file on disk. The
// file is mapped read-only, so only the headers, the first certificate entry's first bytes and
// the tag are touched. Never writes to the file and does not verify the signature.
class TagExtractor {
 public:
  TagExtractor() = default;
  virtual ~TagExtractor();
  TagExtractor(const TagExtractor&) = delete;
  TagExtractor& operator=(const TagExtractor&) = delete;

  // Maps the whole file, releasing any file held before. On failure everything acquired is
  // released and the object is back in its initial state.
  bool MapFile(const std::u16string& path);
  // Releases the view, the mapping and the file; safe in any state and more than once.
  void UnmapFile();
  // Two calls: with a null buffer stores the text length plus one in *count; with a buffer of
  // *count bytes copies the text and a terminating zero, leaving *count as it was. False when
  // the count pointer is null, no file is mapped, the file carries no tag or the buffer is too
  // small (then nothing changes).
  bool ReadTag(std::uint8_t* buffer, std::int32_t* count);

  platform::FileHandle fileHandle;
  platform::MappingHandle mappingHandle;
  platform::MappedView view;
  // The size of the mapped region at `view` as the platform reports it (whole pages).
  std::uint32_t viewSize = 0;
  // The file's exact size. Reads end there, not at the end of the region: the rest of the last
  // page is no part of the file, and the stamping tool, which reads the file, never sees it.
  std::uint64_t fileSize = 0;
  // Set while reading a tag: the first certificate entry and the distance from it to the tag.
  std::int32_t certificateSpan = 0;
  const std::uint8_t* certificate = nullptr;
};

}  // namespace tagging
