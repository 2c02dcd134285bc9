// Benchmark, not a test: MapFile + ReadTag on a 20 MB and a 1 GB signed, tagged file (sparse),
// through the host's real mapping adapter. Reports the time per read, the ratio between the two
// sizes and how much of each mapping became resident in the process (smaps Rss).
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tag/tag_extractor.h"
#include "tag/tag_format.h"
#include "tests/fakes/world.h"

namespace {

constexpr char kText[] = "AFFILIATEID=qzv2011aid31051en-US&AFFILIATEIDFLAGS=.0";

// A sparse file of `size` bytes: PE headers at the start, a signature of 1.5 KB and the tag at
// the end, the space between unwritten.
bool WriteTaggedFile(const std::string& path, std::uint64_t size) {
  constexpr std::uint32_t kPeHeader = 0x80;
  constexpr std::uint16_t kSignatureLength = 0x5A0;
  const std::vector<std::uint8_t> block = tagging::EncodeTagBlock(kText);
  const std::uint32_t span = (kSignatureLength + 19) & ~7u;
  const std::uint64_t certificate = size - span - block.size();

  std::vector<std::uint8_t> headers(0x200, 0);
  headers[0] = 'M';
  headers[1] = 'Z';
  tagging::WriteLittleEndian32(&headers[tagging::kPeHeaderPointerOffset], kPeHeader);
  headers[kPeHeader] = 'P';
  headers[kPeHeader + 1] = 'E';
  tagging::WriteLittleEndian32(&headers[kPeHeader + tagging::kSecurityDirectoryOffset],
                               static_cast<std::uint32_t>(certificate));
  tagging::WriteLittleEndian32(&headers[kPeHeader + tagging::kSecurityDirectoryOffset + 4],
                               static_cast<std::uint32_t>(span + block.size()));

  std::vector<std::uint8_t> table(span, 0xA5);
  tagging::WriteLittleEndian32(&table[0], static_cast<std::uint32_t>(span + block.size()));
  table[8] = 0x30;
  table[9] = 0x82;
  tagging::WriteBigEndian16(&table[10], kSignatureLength);
  table.insert(table.end(), block.begin(), block.end());

  const int file = ::open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
  if (file < 0) return false;
  const bool ok = ::ftruncate(file, static_cast<off_t>(size)) == 0 &&
                  ::pwrite(file, headers.data(), headers.size(), 0) == static_cast<ssize_t>(headers.size()) &&
                  ::pwrite(file, table.data(), table.size(), static_cast<off_t>(certificate)) ==
                      static_cast<ssize_t>(table.size());
  ::close(file);
  return ok;
}

// Resident kilobytes of the mapping that starts at `address`, from /proc/self/smaps.
long ResidentKilobytes(const void* address) {
  std::ifstream smaps("/proc/self/smaps");
  std::string line;
  bool inside = false;
  const auto start = reinterpret_cast<std::uintptr_t>(address);
  while (std::getline(smaps, line)) {
    unsigned long from = 0;
    unsigned long to = 0;
    if (std::sscanf(line.c_str(), "%lx-%lx ", &from, &to) == 2 && line.find(':') > line.find(' ')) {
      inside = from <= start && start < to;
      continue;
    }
    if (inside && line.rfind("Rss:", 0) == 0) {
      std::istringstream fields(line.substr(4));
      long kilobytes = 0;
      fields >> kilobytes;
      return kilobytes;
    }
  }
  return -1;
}

struct Measurement {
  double warmMicroseconds = 0;
  double coldMicroseconds = 0;
  long residentKilobytes = 0;
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// One MapFile + ReadTag (size query and copy); false when the tag is not read back.
bool ReadOnce(const std::u16string& path, long* resident) {
  tagging::TagExtractor extractor;
  if (!extractor.MapFile(path)) return false;
  std::int32_t count = 0;
  if (!extractor.ReadTag(nullptr, &count)) return false;
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(count));
  if (!extractor.ReadTag(buffer.data(), &count)) return false;
  if (resident != nullptr) *resident = ResidentKilobytes(extractor.view.get());
  fakes::Calls().clear();
  return std::string(reinterpret_cast<const char*>(buffer.data())) == kText;
}

bool Evict(const std::string& path) {
  const int file = ::open(path.c_str(), O_RDONLY);
  if (file < 0) return false;
  const bool ok = ::posix_fadvise(file, 0, 0, POSIX_FADV_DONTNEED) == 0;
  ::close(file);
  return ok;
}

bool Measure(const std::string& path, int rounds, Measurement& result) {
  const std::u16string widePath = fakes::Utf16(path);
  using Clock = std::chrono::steady_clock;
  std::vector<double> warm;
  std::vector<double> cold;
  if (!ReadOnce(widePath, &result.residentKilobytes)) return false;
  for (int i = 0; i < rounds; ++i) {
    auto start = Clock::now();
    if (!ReadOnce(widePath, nullptr)) return false;
    warm.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    if (!Evict(path)) return false;
    start = Clock::now();
    if (!ReadOnce(widePath, nullptr)) return false;
    cold.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  }
  result.warmMicroseconds = Median(warm);
  result.coldMicroseconds = Median(cold);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? argv[1] : "/tmp";
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 200;
  const long pageKilobytes = ::sysconf(_SC_PAGESIZE) / 1024;
  struct Case {
    const char* name;
    std::uint64_t size;
    Measurement result;
  } cases[] = {{"20 MB", 20ull << 20, {}}, {"1 GB", 1ull << 30, {}}};

  for (Case& c : cases) {
    const std::string path = folder + "/orvex-tag-bench-" + std::to_string(c.size) + ".exe";
    const bool ok = WriteTaggedFile(path, c.size) && Measure(path, rounds, c.result);
    ::unlink(path.c_str());
    if (!ok) {
      std::fprintf(stderr, "tag bench: %s failed\n", c.name);
      return 1;
    }
    std::printf("%-6s  MapFile+ReadTag median: warm %8.1f us, cold (file evicted) %8.1f us; "
                "resident in the mapping: %ld KiB (%ld pages of %ld)\n",
                c.name, c.result.warmMicroseconds, c.result.coldMicroseconds, c.result.residentKilobytes,
                c.result.residentKilobytes / pageKilobytes,
                static_cast<long>(c.size / static_cast<std::uint64_t>(pageKilobytes * 1024)));
  }
  std::printf("ratio 1 GB / 20 MB: warm %.2f, cold %.2f (size ratio %.1f)\n",
              cases[1].result.warmMicroseconds / cases[0].result.warmMicroseconds,
              cases[1].result.coldMicroseconds / cases[0].result.coldMicroseconds,
              static_cast<double>(cases[1].size) / static_cast<double>(cases[0].size));
  return 0;
}
