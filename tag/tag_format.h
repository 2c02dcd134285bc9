#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

// Where the affiliate tag stands in a signed 32-bit PE file, and how its block is written. The
// reader in the setup program and the stamping tool for distributors share these rules. Offsets
// are file offsets; every offset read from the image is checked against the image's size.
namespace tagging {

inline constexpr std::uint32_t kPeHeaderPointerOffset = 0x3C;
// From the start of the PE header: data-directory entry 4 (address, then size) of a 32-bit
// optional header.
inline constexpr std::uint32_t kSecurityDirectoryOffset = 0x98;
inline constexpr std::uint32_t kCertificateEntryHeaderSize = 8;
// 0x30 0x82 and the two-byte big-endian contents length.
inline constexpr std::uint32_t kSignatureHeaderSize = 4;
// "Gact" and the two-byte big-endian text length.
inline constexpr std::uint32_t kTagHeaderSize = 6;
inline constexpr std::uint32_t kMaxTagTextSize = 0xFFFF;
inline constexpr std::uint8_t kTagMagic[4] = {0x47, 0x61, 0x63, 0x74};

std::uint16_t ReadBigEndian16(const std::uint8_t* bytes);
std::uint32_t ReadLittleEndian32(const std::uint8_t* bytes);
void WriteBigEndian16(std::uint8_t* bytes, std::uint16_t value);
void WriteLittleEndian32(std::uint8_t* bytes, std::uint32_t value);

enum class TagFault {
  None,
  NotPeImage,          // no "MZ", no "PE\0\0", or the headers run past the end
  Unsigned,            // security directory address 0
  CertificateOutside,  // the entry header and the signature's DER header are not inside
  UnexpectedSignatureHeader,  // the signature does not start 0x30 0x82
};

struct TagPosition {
  TagFault fault = TagFault::None;
  // The security directory entry: its address field here, its size field 4 bytes later.
  std::uint32_t directoryOffset = 0;
  std::uint32_t certificateOffset = 0;
  // L, the contents length of the signature's DER SEQUENCE.
  std::uint32_t signatureLength = 0;
  // From the first certificate entry to the tag: (L + 19) rounded down to a multiple of 8.
  std::int32_t certificateSpan = 0;
  std::uint64_t tagOffset = 0;
};

// Follows "MZ", the PE header and the security directory to the first certificate entry and the
// tag position behind its signature. The length field of the entry and the directory's size
// play no part. Fields after the fault are left zero.
TagPosition LocateTag(std::span<const std::uint8_t> image);

// The text of the tag block at `offset`. Nothing when the block does not start strictly inside
// the image, when the magic differs, or when its header or its text run past the end.
std::optional<std::span<const std::uint8_t>> ReadTagBlock(std::span<const std::uint8_t> image,
                                                          std::uint64_t offset);

// "Gact", the big-endian length, the text, and zero bytes up to a multiple of 8. The text must
// not be longer than kMaxTagTextSize.
std::vector<std::uint8_t> EncodeTagBlock(std::string_view text);

// Why a tag text may not go onto the installer command line.
enum class TagTextFault {
  None,
  NotNameValue,    // a piece without "=" or with an empty name
  NameNotAllowed,  // a property a tag may not set
  NameTwice,
  EmptyValue,      // Windows Installer would take the next property as its value
  ValueCharacter,  // a character other than a letter, a digit, "-", "_" or "."
  ValueTooLong,
};

inline constexpr std::size_t kMaxTagValueLength = 64;

struct TagTextCheck {
  TagTextFault fault = TagTextFault::None;
  // The refused piece, a view into the checked text; its number counts from 1.
  std::string_view piece;
  std::size_t pieceNumber = 0;
};

// Whether a tag text may go onto the installer command line. The tag lies outside what the
// signature covers, so anyone can change it. Up to its first zero byte (where the setup stops
// reading) the pieces between "&" must each be empty or NAME=VALUE: NAME one of `allowedNames`
// and not given twice, VALUE 1 to 64 letters, digits, "-", "_" and "." (which becomes "#").
// Anything else could set a property the package trusts (INSTALLDIR, PATCH, TRANSFORMS), make
// Windows Installer take the next property as a value, or end the command line early.
TagTextCheck CheckTagText(std::string_view text, std::span<const char* const> allowedNames);
// The same against the product's list (kAffiliateTagProperties).
TagTextCheck CheckTagText(std::string_view text);
bool IsWellFormedTagText(std::string_view text);

// A short English reason, for the stamping tool.
std::string_view DescribeTagTextFault(TagTextFault fault);

}  // namespace tagging
