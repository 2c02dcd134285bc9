#include "tests/fakes/file_mapping.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <set>

#include "base/product.h"
#include "platform/files.h"
#include "tests/fakes/signed_image.h"
#include "tests/fakes/world.h"

namespace fakes {
namespace {

using Bytes = std::shared_ptr<const std::vector<std::uint8_t>>;

// An open file: a host descriptor, or bytes held in memory.
struct OpenFile {
  int descriptor = -1;
  Bytes bytes;
};
// The section object keeps its own reference to the file, as on Windows: the file handle may
// close while the mapping lives on.
struct Mapping {
  int descriptor = -1;
  Bytes bytes;
  std::size_t size = 0;
};
struct View {
  void* base;
  std::size_t length;
  std::size_t region;
};

FileMappingWorld world;
const bool registered = RegisterReset([] { world = FileMappingWorld{}; });

std::set<OpenFile*> openFiles;
std::set<Mapping*> mappings;
std::map<const std::uint8_t*, View> views;

std::size_t PageSize() { return static_cast<std::size_t>(::sysconf(_SC_PAGESIZE)); }
std::size_t RoundUpToPages(std::size_t size) { return (size + PageSize() - 1) / PageSize() * PageSize(); }

bool Fails(MappingStep step) { return world.failingStep == step; }

bool CopyInto(const Mapping& mapping, std::uint8_t* target) {
  if (mapping.bytes) {
    std::copy(mapping.bytes->begin(), mapping.bytes->end(), target);
    return true;
  }
  for (std::size_t done = 0; done < mapping.size;) {
    const ssize_t read =
        ::pread(mapping.descriptor, target + done, mapping.size - done, static_cast<off_t>(done));
    if (read <= 0) return false;
    done += static_cast<std::size_t>(read);
  }
  return true;
}

// A copy of the file in fresh pages with an inaccessible page behind: the file at the start of
// its pages and `pastTheEnd` repeated behind it (zeros when empty), or (tight) the file at the
// end of its pages.
const std::uint8_t* MapCopy(const Mapping& mapping, bool tight, const std::vector<std::uint8_t>& pastTheEnd) {
  const std::size_t pages = RoundUpToPages(mapping.size);
  const std::size_t length = pages + PageSize();
  void* base = ::mmap(nullptr, length, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (base == MAP_FAILED) return nullptr;
  std::uint8_t* start = static_cast<std::uint8_t*>(base) + (tight ? pages - mapping.size : 0);
  if (::mprotect(base, pages, PROT_READ | PROT_WRITE) != 0 || !CopyInto(mapping, start)) {
    ::munmap(base, length);
    return nullptr;
  }
  for (std::size_t i = mapping.size; !tight && !pastTheEnd.empty() && i < pages; ++i) {
    start[i] = pastTheEnd[(i - mapping.size) % pastTheEnd.size()];
  }
  if (::mprotect(base, pages, PROT_READ) != 0) {
    ::munmap(base, length);
    return nullptr;
  }
  views[start] = View{base, length, tight ? mapping.size : pages};
  return start;
}

}  // namespace

FileMappingWorld::FileMappingWorld() : otherFiles(ShippedProgramImage()) {}

FileMappingWorld& FileMapping() { return world; }

std::vector<std::uint8_t> ShippedProgramImage() {
  return TaggedImage(kDefaultAffiliateTag);
}

namespace {
bool (*foreignFileCloser)(void*) = nullptr;
}  // namespace

void SetForeignFileCloser(bool (*closer)(void* handle)) { foreignFileCloser = closer; }

std::size_t OpenMappingObjects() { return openFiles.size() + mappings.size() + views.size(); }

}  // namespace fakes

namespace platform {

void FileHandleTraits::Close(Value file) {
  if (fakes::foreignFileCloser != nullptr && fakes::foreignFileCloser(file)) return;
  auto* open = static_cast<fakes::OpenFile*>(file);
  if (fakes::openFiles.erase(open) == 0) return;
  fakes::Record("CloseHandle file");
  if (open->descriptor >= 0) ::close(open->descriptor);
  delete open;
}

void MappingHandleTraits::Close(Value mapping) {
  auto* section = static_cast<fakes::Mapping*>(mapping);
  if (fakes::mappings.erase(section) == 0) return;
  fakes::Record("CloseHandle mapping");
  if (section->descriptor >= 0) ::close(section->descriptor);
  delete section;
}

FileHandle OpenFileForReading(const std::u16string& path) {
  fakes::Record("OpenFileForReading " + fakes::Utf8(path));
  if (fakes::Fails(fakes::MappingStep::Open)) return FileHandle();
  auto open = std::make_unique<fakes::OpenFile>();
  const auto scripted = fakes::FileMapping().files.find(path);
  if (scripted != fakes::FileMapping().files.end()) {
    open->bytes = std::make_shared<const std::vector<std::uint8_t>>(scripted->second);
  } else {
    open->descriptor = ::open(fakes::Utf8(path).c_str(), O_RDONLY | O_CLOEXEC);
    struct stat status {};
    if (open->descriptor >= 0 && (::fstat(open->descriptor, &status) != 0 || !S_ISREG(status.st_mode))) {
      ::close(open->descriptor);
      open->descriptor = -1;
    }
    if (open->descriptor < 0) {
      if (!fakes::FileMapping().otherFiles) return FileHandle();
      open->bytes = std::make_shared<const std::vector<std::uint8_t>>(*fakes::FileMapping().otherFiles);
    }
  }
  fakes::openFiles.insert(open.get());
  return FileHandle(open.release());
}

bool QueryFileSize(const FileHandle& file, std::uint64_t& size) {
  fakes::Record("QueryFileSize");
  if (fakes::Fails(fakes::MappingStep::FileSize)) return false;
  auto* open = static_cast<fakes::OpenFile*>(file.get());
  if (fakes::openFiles.count(open) == 0) return false;
  if (open->bytes) {
    size = open->bytes->size();
    return true;
  }
  struct stat status {};
  if (::fstat(open->descriptor, &status) != 0) return false;
  size = static_cast<std::uint64_t>(status.st_size);
  return true;
}

MappingHandle CreateReadOnlyMapping(const FileHandle& file) {
  fakes::Record("CreateReadOnlyMapping");
  if (fakes::Fails(fakes::MappingStep::CreateMapping)) return MappingHandle();
  auto* open = static_cast<fakes::OpenFile*>(file.get());
  if (fakes::openFiles.count(open) == 0) return MappingHandle();
  auto mapping = std::make_unique<fakes::Mapping>();
  if (open->bytes) {
    mapping->bytes = open->bytes;
    mapping->size = open->bytes->size();
  } else {
    struct stat status {};
    if (::fstat(open->descriptor, &status) != 0) return MappingHandle();
    mapping->size = static_cast<std::size_t>(status.st_size);
  }
  // Like CreateFileMappingW, refuses an empty file.
  if (mapping->size == 0) return MappingHandle();
  if (!open->bytes) {
    mapping->descriptor = ::dup(open->descriptor);
    if (mapping->descriptor < 0) return MappingHandle();
  }
  fakes::mappings.insert(mapping.get());
  return MappingHandle(mapping.release());
}

MappedView MapReadOnlyView(const MappingHandle& mapping) {
  fakes::Record("MapReadOnlyView");
  if (fakes::Fails(fakes::MappingStep::MapView)) return MappedView();
  auto* section = static_cast<fakes::Mapping*>(mapping.get());
  if (fakes::mappings.count(section) == 0) return MappedView();
  const fakes::FileMappingWorld& scripted = fakes::FileMapping();
  if (scripted.tightViews || section->bytes || !scripted.pastTheEnd.empty()) {
    return MappedView(fakes::MapCopy(*section, scripted.tightViews, scripted.pastTheEnd));
  }
  void* base = ::mmap(nullptr, section->size, PROT_READ, MAP_PRIVATE, section->descriptor, 0);
  if (base == MAP_FAILED) return MappedView();
  const auto* view = static_cast<const std::uint8_t*>(base);
  fakes::views[view] = fakes::View{base, section->size, fakes::RoundUpToPages(section->size)};
  return MappedView(view);
}

bool QueryRegionSize(const std::uint8_t* address, std::size_t& size) {
  fakes::Record("QueryRegionSize");
  if (fakes::Fails(fakes::MappingStep::QueryRegion)) return false;
  const auto found = fakes::views.find(address);
  if (found == fakes::views.end()) return false;
  size = found->second.region;
  return true;
}

void MappedViewTraits::Close(Value view) {
  fakes::Record("UnmapReadOnlyView");
  const auto found = fakes::views.find(view);
  if (found == fakes::views.end()) return;
  ::munmap(found->second.base, found->second.length);
  fakes::views.erase(found);
}

}  // namespace platform
