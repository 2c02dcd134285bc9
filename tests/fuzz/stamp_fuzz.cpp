// The stamping tool's StampTag. Input: one flag byte (bit 0: --replace; bit 1: stamp a fixed
// well-formed text instead of the input's; bit 2: first make the certificate entry's length and
// the security directory's size reach the end of the image, as a signing tool writes them, so
// that mutations of the offsets get past those checks), one byte N, N bytes of text, the image.
// A refusal leaves the image as it was; a success leaves a file whose tag the setup's reader
// reads back as the same text, with the certificate entry's length, the security directory's
// size and the checksum matching the new file, and nothing else before the tag changed.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tag/tag_extractor.h"
#include "tag/tag_format.h"
#include "tests/fakes/file_mapping.h"
#include "tests/fakes/world.h"
#include "tests/fuzz/fuzz_support.h"
#include "tools/stamp/stamping.h"

using fuzzing::Require;

namespace {

constexpr std::uint32_t kChecksumOffset = 0x58;

// The tag as the setup reads it, from a view that ends at the file's last byte.
std::optional<std::string> ReadBack(const std::vector<std::uint8_t>& image) {
  const std::u16string path = u"C:\\stamped.exe";
  fakes::FileMapping().files[path] = image;
  std::optional<std::string> text;
  {
    tagging::TagExtractor extractor;
    std::int32_t count = 0;
    if (extractor.MapFile(path) && extractor.ReadTag(nullptr, &count)) {
      std::vector<std::uint8_t> buffer(static_cast<std::size_t>(count));
      if (extractor.ReadTag(buffer.data(), &count)) text.emplace(buffer.begin(), buffer.end() - 1);
    }
  }
  fakes::FileMapping().files.erase(path);
  return text;
}

void MakeTableEndTheImage(std::vector<std::uint8_t>& image) {
  const tagging::TagPosition position = tagging::LocateTag(image);
  if (position.fault != tagging::TagFault::None || position.directoryOffset + 8 > image.size()) return;
  const auto tableSize = static_cast<std::uint32_t>(image.size() - position.certificateOffset);
  tagging::WriteLittleEndian32(&image[position.certificateOffset], tableSize);
  tagging::WriteLittleEndian32(&image[position.directoryOffset + 4], tableSize);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::UseTightViewsOfScriptedFilesOnly();
  fakes::Calls().clear();
  if (size < 2) return 0;
  const bool replace = (data[0] & 1) != 0;
  const std::size_t textSize = std::min<std::size_t>(data[1], size - 2);
  const std::string text = (data[0] & 2) != 0 ? std::string("AFFILIATEID=qzv2011aid31051en-US&AFFILIATEIDFLAGS=.0")
                                              : std::string(data + 2, data + 2 + textSize);
  std::vector<std::uint8_t> before(data + 2 + textSize, data + size);
  if ((data[0] & 4) != 0) MakeTableEndTheImage(before);

  std::vector<std::uint8_t> image = before;
  const stamping::Outcome outcome = stamping::StampTag(image, text, replace);
  if (outcome != stamping::Outcome::Done) {
    Require(image == before, "a refusal leaves the image unchanged");
    return 0;
  }
  Require(tagging::IsWellFormedTagText(text), "only a well-formed text is stamped");

  const tagging::TagPosition old = tagging::LocateTag(before);
  const tagging::TagPosition now = tagging::LocateTag(image);
  Require(now.fault == tagging::TagFault::None && now.certificateOffset == old.certificateOffset &&
              now.tagOffset == old.tagOffset,
          "the stamped image locates its tag where the original did");
  Require(image.size() == now.tagOffset + tagging::EncodeTagBlock(text).size(), "the block ends the file");
  const std::uint32_t tableSize = static_cast<std::uint32_t>(image.size() - now.certificateOffset);
  Require(tagging::ReadLittleEndian32(&image[now.certificateOffset]) == tableSize,
          "the entry's length reaches the end of the file");
  Require(tagging::ReadLittleEndian32(&image[now.directoryOffset + 4]) == tableSize,
          "the security directory's size reaches the end of the file");
  const std::uint32_t checksumField = now.directoryOffset - tagging::kSecurityDirectoryOffset + kChecksumOffset;
  const std::uint32_t oldChecksum = tagging::ReadLittleEndian32(&before[checksumField]);
  Require(tagging::ReadLittleEndian32(&image[checksumField]) ==
              (oldChecksum == 0 ? 0 : stamping::PeChecksum(image, checksumField)),
          "a checksum is recomputed, a zero one kept");
  for (std::size_t i = 0; i < now.tagOffset; ++i) {
    const bool updated = (i - now.certificateOffset < 4) || (i - (now.directoryOffset + 4) < 4) ||
                         (i - checksumField < 4);
    // A short signature entry is padded with zeros up to the tag's place.
    Require(updated || image[i] == (i < before.size() ? before[i] : 0), "nothing else before the tag changes");
  }
  Require(ReadBack(image) == text, "the setup's reader reads back the stamped text");

  std::vector<std::uint8_t> again = image;
  Require(stamping::StampTag(again, text, false) == stamping::Outcome::AlreadyTagged && again == image,
          "a stamped image counts as tagged");
  Require(stamping::StampTag(again, text, true) == stamping::Outcome::Done && again == image,
          "replacing the tag by the same text changes nothing");
  return 0;
}
