#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "tests/fakes/file_mapping.h"

// Helpers shared by the fuzz targets.
namespace fuzzing {

// A broken invariant: names it and aborts, which libFuzzer records as a crash with its input.
inline void Require(bool holds, const char* invariant) {
  if (holds) return;
  std::fprintf(stderr, "invariant broken: %s\n", invariant);
  std::abort();
}

// The input read as UTF-16 little-endian code units; an odd last byte is dropped.
inline std::u16string CodeUnits(const std::uint8_t* data, std::size_t size) {
  std::u16string units;
  for (std::size_t i = 0; i + 1 < size; i += 2) units += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  return units;
}

// A copy in an allocation of exactly `size` bytes, so that AddressSanitizer reports a read of
// even one byte past the end (the fuzzer's own buffer may have room behind it).
inline std::unique_ptr<std::uint8_t[]> ExactCopy(const std::uint8_t* data, std::size_t size) {
  auto copy = std::make_unique_for_overwrite<std::uint8_t[]>(size);
  if (size != 0) std::memcpy(copy.get(), data, size);
  return copy;
}

// Once per process: files are mapped with views that end at their last byte, and only files a
// target scripts exist.
inline void UseTightViewsOfScriptedFilesOnly() {
  static const bool prepared = [] {
    fakes::FileMapping().otherFiles.reset();
    fakes::FileMapping().tightViews = true;
    return true;
  }();
  (void)prepared;
}

}  // namespace fuzzing
