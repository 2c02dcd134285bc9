#include "tools/stamp/pe_resources.h"

#include <vector>

namespace pe {
namespace {

struct Section {
  std::uint32_t address;
  std::uint32_t rawSize;
  std::uint32_t rawOffset;
};

struct Headers {
  std::uint32_t timeStamp = 0;
  std::uint32_t resourceAddress = 0;
  std::vector<Section> sections;
};

bool Has(std::span<const std::uint8_t> image, std::uint64_t offset, std::uint64_t length) {
  return offset <= image.size() && length <= image.size() - offset;
}

std::uint16_t Read16(std::span<const std::uint8_t> image, std::uint64_t offset) {
  return static_cast<std::uint16_t>(image[offset] | (image[offset + 1] << 8));
}

std::uint32_t Read32(std::span<const std::uint8_t> image, std::uint64_t offset) {
  return std::uint32_t{image[offset]} | (std::uint32_t{image[offset + 1]} << 8) |
         (std::uint32_t{image[offset + 2]} << 16) | (std::uint32_t{image[offset + 3]} << 24);
}

std::optional<Headers> ReadHeaders(std::span<const std::uint8_t> image) {
  if (!Has(image, 0, 0x40) || image[0] != 'M' || image[1] != 'Z') return std::nullopt;
  const std::uint64_t pe = Read32(image, 0x3C);
  if (!Has(image, pe, 24) || Read32(image, pe) != 0x00004550) return std::nullopt;
  Headers headers;
  const std::uint16_t sectionCount = Read16(image, pe + 6);
  headers.timeStamp = Read32(image, pe + 8);
  const std::uint16_t optionalSize = Read16(image, pe + 20);
  const std::uint64_t optional = pe + 24;
  if (!Has(image, optional, optionalSize) || optionalSize < 2) return std::nullopt;
  const std::uint16_t magic = Read16(image, optional);
  // The data directories: behind 96 bytes in PE32, 112 in PE32+; the resource table is the third.
  const std::uint64_t directories = optional + (magic == 0x20B ? 112 : 96);
  if (magic != 0x10B && magic != 0x20B) return std::nullopt;
  const std::uint64_t directoryCountField = directories - 4;
  if (directoryCountField + 4 <= optional + optionalSize && Read32(image, directoryCountField) > 2 &&
      directories + 24 <= optional + optionalSize) {
    headers.resourceAddress = Read32(image, directories + 16);
  }
  const std::uint64_t table = optional + optionalSize;
  if (!Has(image, table, std::uint64_t{sectionCount} * 40)) return std::nullopt;
  for (std::uint16_t i = 0; i < sectionCount; ++i) {
    const std::uint64_t entry = table + std::uint64_t{i} * 40;
    headers.sections.push_back({Read32(image, entry + 12), Read32(image, entry + 16), Read32(image, entry + 20)});
  }
  return headers;
}

// The file offset of `length` bytes at the relative virtual address, when they lie in one
// section's raw data inside the file.
std::optional<std::uint64_t> FileOffset(std::span<const std::uint8_t> image, const Headers& headers,
                                        std::uint32_t address, std::uint32_t length) {
  for (const Section& section : headers.sections) {
    if (address < section.address) continue;
    const std::uint64_t into = address - section.address;
    if (into + length > section.rawSize) continue;
    const std::uint64_t offset = std::uint64_t{section.rawOffset} + into;
    if (Has(image, offset, length)) return offset;
  }
  return std::nullopt;
}

bool NameMatches(std::span<const std::uint8_t> image, std::uint64_t offset, std::string_view wanted) {
  if (!Has(image, offset, 2)) return false;
  const std::uint16_t length = Read16(image, offset);
  if (length != wanted.size() || !Has(image, offset + 2, std::uint64_t{length} * 2)) return false;
  for (std::uint16_t i = 0; i < length; ++i) {
    std::uint16_t unit = Read16(image, offset + 2 + std::uint64_t{i} * 2);
    if (unit >= 'a' && unit <= 'z') unit = static_cast<std::uint16_t>(unit - 'a' + 'A');
    char expected = wanted[i];
    if (expected >= 'a' && expected <= 'z') expected = static_cast<char>(expected - 'a' + 'A');
    if (unit != static_cast<unsigned char>(expected)) return false;
  }
  return true;
}

// The OffsetToData field of the directory's entry for `key` (any entry when `key` is null), or
// nothing. Offsets are from the start of the resource directory at `root`.
std::optional<std::uint32_t> Entry(std::span<const std::uint8_t> image, std::uint64_t root, std::uint64_t directory,
                                   const ResourceKey* key) {
  if (!Has(image, directory, 16)) return std::nullopt;
  const std::uint32_t named = Read16(image, directory + 12);
  const std::uint32_t numbered = Read16(image, directory + 14);
  if (!Has(image, directory + 16, (std::uint64_t{named} + numbered) * 8)) return std::nullopt;
  for (std::uint32_t i = 0; i < named + numbered; ++i) {
    const std::uint64_t entry = directory + 16 + std::uint64_t{i} * 8;
    const std::uint32_t name = Read32(image, entry);
    const bool isName = (name & 0x80000000u) != 0;
    bool matches = key == nullptr;
    if (key != nullptr && key->name.empty()) matches = !isName && name == key->id;
    if (key != nullptr && !key->name.empty()) matches = isName && NameMatches(image, root + (name & 0x7FFFFFFFu), key->name);
    if (matches) return Read32(image, entry + 4);
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::span<const std::uint8_t>> FindResource(std::span<const std::uint8_t> image, ResourceKey type,
                                                          ResourceKey name) {
  const std::optional<Headers> headers = ReadHeaders(image);
  if (!headers || headers->resourceAddress == 0) return std::nullopt;
  const std::optional<std::uint64_t> root = FileOffset(image, *headers, headers->resourceAddress, 16);
  if (!root) return std::nullopt;
  // Type, name and language: two levels of subdirectories, then a data entry.
  std::uint64_t directory = *root;
  for (const ResourceKey* key : {&type, &name}) {
    const std::optional<std::uint32_t> next = Entry(image, *root, directory, key);
    if (!next || (*next & 0x80000000u) == 0) return std::nullopt;
    directory = *root + (*next & 0x7FFFFFFFu);
  }
  const std::optional<std::uint32_t> data = Entry(image, *root, directory, nullptr);
  if (!data || (*data & 0x80000000u) != 0 || !Has(image, *root + *data, 16)) return std::nullopt;
  const std::uint32_t address = Read32(image, *root + *data);
  const std::uint32_t size = Read32(image, *root + *data + 4);
  const std::optional<std::uint64_t> offset = FileOffset(image, *headers, address, size);
  if (!offset) return std::nullopt;
  return image.subspan(static_cast<std::size_t>(*offset), size);
}

std::optional<std::uint32_t> HeaderTimeStamp(std::span<const std::uint8_t> image) {
  const std::optional<Headers> headers = ReadHeaders(image);
  if (!headers) return std::nullopt;
  return headers->timeStamp;
}

}  // namespace pe
