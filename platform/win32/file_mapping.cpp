#include <windows.h>

#include "platform/files.h"
#include "platform/win32/text.h"

namespace platform {

void FileHandleTraits::Close(Value file) { ::CloseHandle(file); }

void MappingHandleTraits::Close(Value mapping) { ::CloseHandle(mapping); }

void MappedViewTraits::Close(Value view) { ::UnmapViewOfFile(view); }

FileHandle OpenFileForReading(const std::u16string& path) {
  return FileHandle(::CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool QueryFileSize(const FileHandle& file, std::uint64_t& size) {
  LARGE_INTEGER fileSize{};
  if (!::GetFileSizeEx(file.get(), &fileSize)) return false;
  size = static_cast<std::uint64_t>(fileSize.QuadPart);
  return true;
}

MappingHandle CreateReadOnlyMapping(const FileHandle& file) {
  return MappingHandle(::CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
}

MappedView MapReadOnlyView(const MappingHandle& mapping) {
  return MappedView(static_cast<const std::uint8_t*>(::MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0)));
}

bool QueryRegionSize(const std::uint8_t* address, std::size_t& size) {
  MEMORY_BASIC_INFORMATION region{};
  if (::VirtualQuery(address, &region, sizeof region) == 0) return false;
  size = region.RegionSize;
  return true;
}

}  // namespace platform
