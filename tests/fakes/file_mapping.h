#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

// The read-only file mapping calls. A path names, in this order: a file of `files`, a real file
// of the host (the UTF-8 form of the path; open() and mmap() run for real), or, failing both,
// `otherFiles`. Each call is recorded in the call log; a test can make any one step fail, as
// the system call would.
namespace fakes {

enum class MappingStep { None, Open, FileSize, CreateMapping, MapView, QueryRegion };

struct FileMappingWorld {
  std::map<std::u16string, std::vector<std::uint8_t>> files;
  // By default the program's own file as it ships (signed, carrying the default tag), so that
  // start-up reads its tag without a warning wherever the program was started from. Empty: a
  // path that names nothing cannot be opened.
  std::optional<std::vector<std::uint8_t>> otherFiles;
  MappingStep failingStep = MappingStep::None;
  // Off: the view's region is the file size rounded up to whole pages, as Windows reports it.
  // On: the view ends exactly at the file's last byte, its region is the file size, and an
  // inaccessible page follows it, so that any read past the end faults.
  bool tightViews = false;
  // Without tight views, what the rest of the last page shows behind the file's end: zeros when
  // empty, as on Windows, else these bytes repeated. A view of a scripted file, or one showing
  // these bytes, is a copy of the file followed by an inaccessible page.
  std::vector<std::uint8_t> pastTheEnd;

  FileMappingWorld();
};
FileMappingWorld& FileMapping();

// The program file `otherFiles` holds by default.
std::vector<std::uint8_t> ShippedProgramImage();

// Files, mappings and views opened by the calls above and not yet released. File handles that
// other fakes hand out are not counted, and closing one of them here does nothing.
std::size_t OpenMappingObjects();

// Lets another fake close the file handles it hands out: `closer` answers true for a handle of
// its own. Without one, closing such a handle does nothing.
void SetForeignFileCloser(bool (*closer)(void* handle));

}  // namespace fakes
