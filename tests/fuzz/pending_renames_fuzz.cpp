// The pending file-rename list as the registry hands it over (any bytes, odd counts included) and
// the package's File table names, split and compared as the pending-rename check does.
#include <cstdint>
#include <string>
#include <vector>

#include "installer/pending_rename_matching.h"
#include "tests/fuzz/fuzz_support.h"

using fuzzing::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto copy = fuzzing::ExactCopy(data, size);
  const std::vector<std::u16string> entries = SplitMultiString(copy.get(), size);
  std::size_t units = 0;
  for (const std::u16string& entry : entries) {
    Require(!entry.empty(), "entries are never empty");
    Require(entry.find(u'\0') == std::u16string::npos, "entries hold no zero unit");
    units += entry.size();
  }
  Require(units <= size / 2, "entries hold no more units than the data");

  // The same data read as File table names: each entry's long name must match its own entry when
  // the entry ends in that name.
  std::vector<std::u16string> names;
  for (const std::u16string& entry : entries) {
    const std::u16string_view finalComponent = FinalPathComponent(entry);
    Require(finalComponent.size() <= entry.size(), "the final component lies inside the entry");
    names.emplace_back(LongFileName(entry));
    if (!finalComponent.empty()) {
      Require(AnyEntryNamesAFile({entry}, {std::u16string(finalComponent)}), "an entry names its own final component");
    }
  }
  (void)AnyEntryNamesAFile(entries, names);
  return 0;
}
