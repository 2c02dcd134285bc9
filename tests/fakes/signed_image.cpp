#include "tests/fakes/signed_image.h"

#include <algorithm>

namespace fakes {
namespace {

void Put16(std::vector<std::uint8_t>& image, std::size_t offset, std::uint16_t value) {
  image[offset] = static_cast<std::uint8_t>(value);
  image[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

}  // namespace

void PutLittleEndian32(std::vector<std::uint8_t>& image, std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) image[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t GetLittleEndian32(const std::vector<std::uint8_t>& image, std::size_t offset) {
  return image[offset] | (image[offset + 1] << 8) | (image[offset + 2] << 16) |
         (static_cast<std::uint32_t>(image[offset + 3]) << 24);
}

std::vector<std::uint8_t> MinimalPe() {
  std::vector<std::uint8_t> image(0x400, 0);
  image[0] = 'M';
  image[1] = 'Z';
  PutLittleEndian32(image, 0x3C, kPeHeader);
  image[kPeHeader] = 'P';
  image[kPeHeader + 1] = 'E';

  const std::size_t fileHeader = kPeHeader + 4;
  Put16(image, fileHeader, 0x014C);                 // i386
  Put16(image, fileHeader + 2, 1);                  // one section
  Put16(image, fileHeader + 16, 0xE0);              // size of the optional header
  Put16(image, fileHeader + 18, 0x0102);            // executable, 32-bit

  const std::size_t optional = fileHeader + 20;
  Put16(image, optional, 0x010B);                   // PE32
  PutLittleEndian32(image, optional + 4, 0x200);    // size of code
  PutLittleEndian32(image, optional + 16, 0x1000);  // entry point
  PutLittleEndian32(image, optional + 20, 0x1000);  // base of code
  PutLittleEndian32(image, optional + 24, 0x2000);  // base of data
  PutLittleEndian32(image, optional + 28, 0x400000);
  PutLittleEndian32(image, optional + 32, 0x1000);  // section alignment
  PutLittleEndian32(image, optional + 36, 0x200);   // file alignment
  Put16(image, optional + 40, 4);                   // operating system version
  Put16(image, optional + 48, 4);                   // subsystem version
  PutLittleEndian32(image, optional + 56, 0x2000);  // size of image
  PutLittleEndian32(image, optional + 60, 0x200);   // size of headers
  Put16(image, optional + 68, 2);                   // GUI
  PutLittleEndian32(image, optional + 72, 0x100000);
  PutLittleEndian32(image, optional + 76, 0x1000);
  PutLittleEndian32(image, optional + 80, 0x100000);
  PutLittleEndian32(image, optional + 84, 0x1000);
  PutLittleEndian32(image, optional + 92, 16);      // data directories

  const std::size_t section = optional + 0xE0;
  const char name[] = ".text";
  std::copy(name, name + 5, image.begin() + static_cast<std::ptrdiff_t>(section));
  PutLittleEndian32(image, section + 8, 1);         // virtual size
  PutLittleEndian32(image, section + 12, 0x1000);   // virtual address
  PutLittleEndian32(image, section + 16, 0x200);    // size of raw data
  PutLittleEndian32(image, section + 20, 0x200);    // pointer to raw data
  PutLittleEndian32(image, section + 36, 0x60000020);
  image[0x200] = 0xC3;                              // ret
  return image;
}

std::uint32_t AppendSignature(std::vector<std::uint8_t>& image, std::uint16_t signatureLength,
                              std::uint8_t lengthForm) {
  image.resize((image.size() + 7) & ~std::size_t{7}, 0);
  const auto entry = static_cast<std::uint32_t>(image.size());
  const std::size_t length = (12u + signatureLength + 7u) & ~std::size_t{7};
  image.resize(entry + length, 0);
  PutLittleEndian32(image, entry, static_cast<std::uint32_t>(length));
  Put16(image, entry + 4, 0x0200);
  Put16(image, entry + 6, 0x0002);
  image[entry + 8] = 0x30;
  image[entry + 9] = lengthForm;
  image[entry + 10] = static_cast<std::uint8_t>(signatureLength >> 8);
  image[entry + 11] = static_cast<std::uint8_t>(signatureLength);
  std::fill_n(image.begin() + entry + 12, signatureLength, 0x5A);
  PutLittleEndian32(image, kSecurityDirectory, entry);
  PutLittleEndian32(image, kSecurityDirectory + 4, static_cast<std::uint32_t>(length));
  return entry;
}

void AppendTag(std::vector<std::uint8_t>& image, std::uint16_t length, std::string_view text) {
  const std::uint8_t header[] = {'G', 'a', 'c', 't', static_cast<std::uint8_t>(length >> 8),
                                 static_cast<std::uint8_t>(length)};
  image.insert(image.end(), std::begin(header), std::end(header));
  image.insert(image.end(), text.begin(), text.end());
}

void AppendTag(std::vector<std::uint8_t>& image, std::string_view text) {
  AppendTag(image, static_cast<std::uint16_t>(text.size()), text);
}

std::vector<std::uint8_t> TaggedImage(std::string_view text) {
  std::vector<std::uint8_t> image = MinimalPe();
  AppendSignature(image, 0x5A0);
  AppendTag(image, text);
  return image;
}

}  // namespace fakes
