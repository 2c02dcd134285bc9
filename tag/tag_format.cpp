#include "tag/tag_format.h"

#include <algorithm>

#include "base/product_data.h"

namespace tagging {
namespace {

constexpr std::uint8_t kDerSequence = 0x30;
constexpr std::uint8_t kDerTwoByteLength = 0x82;

// True when `size` bytes starting at `offset` lie inside the image; no sum can overflow.
bool Inside(std::span<const std::uint8_t> image, std::uint64_t offset, std::uint64_t size) {
  return offset <= image.size() && size <= image.size() - offset;
}

bool IsValueCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
         c == '.';
}

TagTextFault CheckPiece(std::string_view piece, std::span<const char* const> allowedNames,
                        std::vector<std::string_view>& namesSeen) {
  const std::size_t equals = piece.find('=');
  if (equals == std::string_view::npos || equals == 0) return TagTextFault::NotNameValue;
  const std::string_view name = piece.substr(0, equals);
  const auto allowed = [&](const char* entry) { return name == entry; };
  if (std::none_of(allowedNames.begin(), allowedNames.end(), allowed)) return TagTextFault::NameNotAllowed;
  if (std::find(namesSeen.begin(), namesSeen.end(), name) != namesSeen.end()) return TagTextFault::NameTwice;
  namesSeen.push_back(name);
  const std::string_view value = piece.substr(equals + 1);
  if (value.empty()) return TagTextFault::EmptyValue;
  if (!std::all_of(value.begin(), value.end(), IsValueCharacter)) return TagTextFault::ValueCharacter;
  if (value.size() > kMaxTagValueLength) return TagTextFault::ValueTooLong;
  return TagTextFault::None;
}

}  // namespace

std::uint16_t ReadBigEndian16(const std::uint8_t* bytes) {
  return static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1]);
}

std::uint32_t ReadLittleEndian32(const std::uint8_t* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
         (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}

void WriteBigEndian16(std::uint8_t* bytes, std::uint16_t value) {
  bytes[0] = static_cast<std::uint8_t>(value >> 8);
  bytes[1] = static_cast<std::uint8_t>(value);
}

void WriteLittleEndian32(std::uint8_t* bytes, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

TagPosition LocateTag(std::span<const std::uint8_t> image) {
  TagPosition position;
  if (!Inside(image, kPeHeaderPointerOffset, 4) || image[0] != 'M' || image[1] != 'Z') {
    position.fault = TagFault::NotPeImage;
    return position;
  }
  const std::uint32_t peHeader = ReadLittleEndian32(&image[kPeHeaderPointerOffset]);
  if (!Inside(image, peHeader, kSecurityDirectoryOffset + 4)) {
    position.fault = TagFault::NotPeImage;
    return position;
  }
  const std::uint8_t* signature = &image[peHeader];
  if (signature[0] != 'P' || signature[1] != 'E' || signature[2] != 0 || signature[3] != 0) {
    position.fault = TagFault::NotPeImage;
    return position;
  }

  // Inside() above proved that this sum stays below the image size.
  const std::uint32_t directory = peHeader + kSecurityDirectoryOffset;
  position.directoryOffset = directory;
  const std::uint32_t certificate = ReadLittleEndian32(&image[directory]);
  if (certificate == 0) {
    position.fault = TagFault::Unsigned;
    return position;
  }
  if (!Inside(image, certificate, kCertificateEntryHeaderSize + kSignatureHeaderSize)) {
    position.fault = TagFault::CertificateOutside;
    return position;
  }
  position.certificateOffset = certificate;
  const std::uint8_t* der = &image[std::size_t{certificate} + kCertificateEntryHeaderSize];
  if (der[0] != kDerSequence || der[1] != kDerTwoByteLength) {
    position.fault = TagFault::UnexpectedSignatureHeader;
    return position;
  }
  position.signatureLength = ReadBigEndian16(der + 2);
  position.certificateSpan =
      static_cast<std::int32_t>((position.signatureLength + kCertificateEntryHeaderSize + kSignatureHeaderSize + 7) &
                                ~std::uint32_t{7});
  position.tagOffset = std::uint64_t{certificate} + static_cast<std::uint32_t>(position.certificateSpan);
  return position;
}

std::optional<std::span<const std::uint8_t>> ReadTagBlock(std::span<const std::uint8_t> image,
                                                          std::uint64_t offset) {
  if (!Inside(image, offset, kTagHeaderSize)) return std::nullopt;
  const std::uint8_t* block = &image[static_cast<std::size_t>(offset)];
  if (!std::equal(std::begin(kTagMagic), std::end(kTagMagic), block)) return std::nullopt;
  const std::uint16_t length = ReadBigEndian16(block + 4);
  if (!Inside(image, offset + kTagHeaderSize, length)) return std::nullopt;
  return image.subspan(static_cast<std::size_t>(offset) + kTagHeaderSize, length);
}

std::vector<std::uint8_t> EncodeTagBlock(std::string_view text) {
  const std::size_t used = kTagHeaderSize + text.size();
  std::vector<std::uint8_t> block((used + 7) & ~std::size_t{7}, 0);
  std::copy(std::begin(kTagMagic), std::end(kTagMagic), block.begin());
  WriteBigEndian16(&block[4], static_cast<std::uint16_t>(text.size()));
  std::copy(text.begin(), text.end(), block.begin() + kTagHeaderSize);
  return block;
}

TagTextCheck CheckTagText(std::string_view text, std::span<const char* const> allowedNames) {
  text = text.substr(0, text.find('\0'));
  std::vector<std::string_view> namesSeen;
  TagTextCheck check;
  while (true) {
    const std::size_t end = std::min(text.find('&'), text.size());
    const std::string_view piece = text.substr(0, end);
    ++check.pieceNumber;
    if (!piece.empty()) {
      check.fault = CheckPiece(piece, allowedNames, namesSeen);
      if (check.fault != TagTextFault::None) {
        check.piece = piece;
        return check;
      }
    }
    if (end == text.size()) return TagTextCheck{};
    text.remove_prefix(end + 1);
  }
}

TagTextCheck CheckTagText(std::string_view text) { return CheckTagText(text, kAffiliateTagProperties); }

bool IsWellFormedTagText(std::string_view text) { return CheckTagText(text).fault == TagTextFault::None; }

std::string_view DescribeTagTextFault(TagTextFault fault) {
  switch (fault) {
    case TagTextFault::None:
      return "well-formed";
    case TagTextFault::NotNameValue:
      return "not NAME=VALUE";
    case TagTextFault::NameNotAllowed:
      return "a property the tag may not set";
    case TagTextFault::NameTwice:
      return "a property set twice";
    case TagTextFault::EmptyValue:
      return "an empty value (the installer would take the next property as its value)";
    case TagTextFault::ValueCharacter:
      return "a value with characters other than letters, digits, \"-\", \"_\" and \".\"";
    case TagTextFault::ValueTooLong:
      static_assert(kMaxTagValueLength == 64, "the text below names the limit");
      return "a value longer than 64 characters";
  }
  return "malformed";
}

}  // namespace tagging
