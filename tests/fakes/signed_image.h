#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Byte images of signed and tagged executables, written independently of the tag code of the
// program.
namespace fakes {

// A small valid 32-bit PE image: headers and one code section, 0x400 bytes, unsigned.
std::vector<std::uint8_t> MinimalPe();

// Pads the image to a multiple of 8, appends a certificate entry whose signature begins with
// 0x30, `lengthForm` and the big-endian contents length `signatureLength`, followed by that many
// filler bytes and zero padding to a multiple of 8; points the security directory at it.
// Returns the entry's offset.
std::uint32_t AppendSignature(std::vector<std::uint8_t>& image, std::uint16_t signatureLength,
                              std::uint8_t lengthForm = 0x82);

// Appends "Gact", the big-endian length and the text, without padding.
void AppendTag(std::vector<std::uint8_t>& image, std::string_view text);
// The same with a length field that differs from the text's size.
void AppendTag(std::vector<std::uint8_t>& image, std::uint16_t length, std::string_view text);

// MinimalPe + AppendSignature(0x5A0) + AppendTag(text).
std::vector<std::uint8_t> TaggedImage(std::string_view text);

void PutLittleEndian32(std::vector<std::uint8_t>& image, std::size_t offset, std::uint32_t value);
std::uint32_t GetLittleEndian32(const std::vector<std::uint8_t>& image, std::size_t offset);
// File offsets of fields in MinimalPe's headers.
inline constexpr std::size_t kPeHeader = 0x80;
inline constexpr std::size_t kChecksumField = kPeHeader + 0x58;
inline constexpr std::size_t kSecurityDirectory = kPeHeader + 0x98;

}  // namespace fakes
