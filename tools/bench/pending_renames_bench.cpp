// Benchmark, not a test: the pending-rename check's pure part at 10,000 pending entries against
// 20,000 package file names, and at 100 against 1,000. Splits the REG_MULTI_SZ bytes into
// operations, takes the long names from "SHORT~1|long" File table texts and compares every
// entry's final path component and folder with every file's. The entries and files share their
// folder and name pattern (same lengths, same prefixes), so each comparison runs into the digits
// and a name that matches is compared by its folder too: a pessimistic case.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "installer/pending_rename_matching.h"

namespace {

constexpr char16_t kFolder[] = u"C:\\Program Files\\Vendor\\Application";

std::u16string Digits(int number) {
  std::u16string text;
  for (int i = 0; i < 6; ++i, number /= 10) text.insert(text.begin(), static_cast<char16_t>(u'0' + number % 10));
  return text;
}

void Append(std::vector<std::uint8_t>& bytes, const std::u16string& text) {
  for (char16_t unit : text) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  bytes.push_back(0);
  bytes.push_back(0);
}

// `entries` non-empty entries as Windows writes them: sources, "!" targets of renames, and every
// fourth followed by the empty target of a delete. With `lastMatches` the very last entry names the
// last file.
std::vector<std::uint8_t> PendingValue(int entries, int files, bool lastMatches) {
  std::vector<std::uint8_t> bytes;
  const std::u16string folder = u"\\??\\" + std::u16string(kFolder) + u"\\";
  for (int i = 0; i < entries; ++i) {
    const bool last = lastMatches && i == entries - 1;
    const std::u16string path = folder + u"module" + Digits(last ? files - 1 : 500000 + i) + u".dll";
    Append(bytes, i % 2 == 0 ? path : u"!" + path);
    if (i % 4 == 3) Append(bytes, u"");
  }
  Append(bytes, u"");
  return bytes;
}

std::vector<std::u16string> FileTableTexts(int files) {
  std::vector<std::u16string> texts;
  for (int j = 0; j < files; ++j) {
    const std::u16string name = u"module" + Digits(j) + u".dll";
    texts.push_back(j % 2 == 0 ? u"MODULE~" + Digits(j) + u".DLL|" + name : name);
  }
  return texts;
}

// Processor time of this process in milliseconds: on a busy machine the wall clock also counts
// the time other processes had the processor.
double ProcessMilliseconds() {
  timespec now{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 9;
  using Clock = std::chrono::steady_clock;
  struct Size {
    int entries;
    int files;
    bool lastMatches;
  };
  // The sizes asked for, with and without a match, and a machine's usual order of size.
  for (const Size size : {Size{10000, 20000, false}, Size{10000, 20000, true}, Size{100, 1000, false}}) {
    const bool lastMatches = size.lastMatches;
    const std::vector<std::u16string> texts = FileTableTexts(size.files);
    const std::vector<std::uint8_t> value = PendingValue(size.entries, size.files, lastMatches);
    std::vector<double> split;
    std::vector<double> match;
    std::vector<double> matchProcessor;
    std::size_t entryCount = 0;
    for (int round = 0; round < rounds; ++round) {
      auto start = Clock::now();
      const std::vector<PendingRename> renames = SplitPendingRenames(value.data(), value.size());
      std::vector<ProductFile> files;
      files.reserve(texts.size());
      for (const std::u16string& text : texts) files.push_back({std::u16string(LongFileName(text)), {kFolder}});
      auto middle = Clock::now();
      const double processorStart = ProcessMilliseconds();
      const bool found = AnyRenameConcernsAFile(renames, files);
      matchProcessor.push_back(ProcessMilliseconds() - processorStart);
      auto end = Clock::now();
      if (found != lastMatches) {
        std::fprintf(stderr, "pending bench: wrong answer\n");
        return 1;
      }
      entryCount = 0;
      for (const PendingRename& rename : renames) entryCount += rename.target.empty() ? 1 : 2;
      split.push_back(std::chrono::duration<double, std::milli>(middle - start).count());
      match.push_back(std::chrono::duration<double, std::milli>(end - middle).count());
    }
    std::printf("%zu entries (%zu bytes) x %d file names, %s: split %.3f ms, match %.3f ms "
                "(processor %.3f ms), medians of %d\n",
                entryCount, value.size(), size.files, lastMatches ? "only the last entry matches" : "no match",
                Median(split), Median(match), Median(matchProcessor), rounds);
  }
  return 0;
}
