#include "tools/stamp/stamping.h"

#include <algorithm>

#include "tag/tag_format.h"

namespace stamping {
namespace {

// The optional header's CheckSum field, from the start of the PE header.
constexpr std::uint32_t kChecksumOffset = 0x58;

std::uint64_t RoundUpTo8(std::uint64_t value) { return (value + 7) & ~std::uint64_t{7}; }

Outcome FromFault(tagging::TagFault fault) {
  switch (fault) {
    case tagging::TagFault::None:
      return Outcome::Done;
    case tagging::TagFault::NotPeImage:
      return Outcome::NotPeImage;
    case tagging::TagFault::Unsigned:
      return Outcome::Unsigned;
    case tagging::TagFault::CertificateOutside:
      return Outcome::UnsupportedCertificateTable;
    case tagging::TagFault::UnexpectedSignatureHeader:
      return Outcome::UnexpectedSignatureHeader;
  }
  return Outcome::NotPeImage;
}

}  // namespace

std::uint32_t PeChecksum(std::span<const std::uint8_t> image, std::uint32_t checksumOffset) {
  // The 16-bit words summed without folding, then folded once: the same sum as folding after
  // every word, and fast enough for product-sized files stamped by the hundred.
  std::uint64_t sum = 0;
  const std::size_t even = image.size() & ~std::size_t{1};
  for (std::size_t i = 0; i < even; i += 2) sum += image[i] | (std::uint32_t{image[i + 1]} << 8);
  if (even < image.size()) sum += image[even];
  // The checksum field counts as zero.
  for (std::size_t i = checksumOffset; i < image.size() && i - checksumOffset < 4; ++i) {
    sum -= std::uint64_t{image[i]} << (8 * (i & 1));
  }
  while (sum >> 16 != 0) sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<std::uint32_t>(sum + image.size());
}

Outcome StampTag(std::vector<std::uint8_t>& image, std::string_view text, bool replace) {
  if (text.size() > tagging::kMaxTagTextSize) return Outcome::TextTooLong;
  if (!tagging::IsWellFormedTagText(text)) return Outcome::MalformedText;
  const std::span<const std::uint8_t> bytes(image);
  const tagging::TagPosition position = tagging::LocateTag(bytes);
  if (position.fault != tagging::TagFault::None) return FromFault(position.fault);
  const std::uint64_t directory = position.directoryOffset;
  if (directory + 8 > image.size()) return Outcome::NotPeImage;

  // Only a table with a single entry that ends the file can grow without moving anything else,
  // and it must lie behind the fields written below: the file is cut at the tag's place.
  const std::uint64_t certificate = position.certificateOffset;
  if (certificate < directory + 8) return Outcome::UnsupportedCertificateTable;
  const std::uint32_t tableSize = tagging::ReadLittleEndian32(&image[directory + 4]);
  const std::uint32_t entryLength = tagging::ReadLittleEndian32(&image[certificate]);
  const std::uint64_t signatureEnd = tagging::kCertificateEntryHeaderSize + tagging::kSignatureHeaderSize +
                                     std::uint64_t{position.signatureLength};
  if (certificate + tableSize != image.size() || RoundUpTo8(entryLength) != RoundUpTo8(tableSize) ||
      signatureEnd > entryLength) {
    return Outcome::UnsupportedCertificateTable;
  }

  const std::uint64_t tagOffset = position.tagOffset;
  if (tagOffset < image.size() && !replace) {
    const bool occupied = std::any_of(image.begin() + static_cast<std::ptrdiff_t>(tagOffset), image.end(),
                                      [](std::uint8_t byte) { return byte != 0; });
    if (occupied) return Outcome::AlreadyTagged;
  }

  const std::vector<std::uint8_t> block = tagging::EncodeTagBlock(text);
  image.resize(static_cast<std::size_t>(tagOffset), 0);
  image.insert(image.end(), block.begin(), block.end());
  const auto newLength = static_cast<std::uint32_t>(image.size() - certificate);
  tagging::WriteLittleEndian32(&image[certificate], newLength);
  tagging::WriteLittleEndian32(&image[directory + 4], newLength);

  const std::uint32_t checksumField = position.directoryOffset - tagging::kSecurityDirectoryOffset + kChecksumOffset;
  if (tagging::ReadLittleEndian32(&image[checksumField]) != 0) {
    tagging::WriteLittleEndian32(&image[checksumField], PeChecksum(image, checksumField));
  }
  return Outcome::Done;
}

Outcome ReadTagText(std::span<const std::uint8_t> image, std::string& text) {
  const tagging::TagPosition position = tagging::LocateTag(image);
  if (position.fault != tagging::TagFault::None) return FromFault(position.fault);
  const auto block = tagging::ReadTagBlock(image, position.tagOffset);
  if (!block) return Outcome::NoTag;
  text.assign(block->begin(), block->end());
  return Outcome::Done;
}

std::string_view Describe(Outcome outcome) {
  switch (outcome) {
    case Outcome::Done:
      return "done";
    case Outcome::FileError:
      return "the file cannot be read or written";
    case Outcome::Usage:
      return "wrong arguments";
    case Outcome::NotPeImage:
      return "not a PE image";
    case Outcome::Unsigned:
      return "the file is not signed";
    case Outcome::UnexpectedSignatureHeader:
      return "the signature's length is not in the two-byte DER form (0x30 0x82)";
    case Outcome::UnsupportedCertificateTable:
      return "the certificate table is damaged, holds more than one entry, lies inside the headers or does not end "
             "the file";
    case Outcome::AlreadyTagged:
      return "the file already carries a tag (use --replace to replace it)";
    case Outcome::TextTooLong:
      return "the tag text is longer than 65535 bytes";
    case Outcome::NoTag:
      return "the file carries no tag";
    case Outcome::MalformedText:
      return "the tag text is not a list of NAME=VALUE installer properties separated by \"&\" (NAME one of the "
             "properties the setup allows, each once; VALUE 1 to 64 letters, digits, \"-\", \"_\" and \".\")";
    case Outcome::PackageFacts:
      return "the file carries no main package, or the package facts beside it are missing, malformed or not "
             "those of its main package";
    case Outcome::Refused:
      return "refused: nothing written";
  }
  return "unknown outcome";
}

}  // namespace stamping
