#include "installer/pending_rename_matching.h"

namespace {

constexpr std::u16string_view kNativePrefix = u"\\??\\";

char16_t FoldAsciiCase(char16_t unit) {
  return unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit - u'A' + u'a') : unit;
}

std::u16string FoldedAsciiCase(std::u16string_view text) {
  std::u16string folded(text);
  for (char16_t& unit : folded) unit = FoldAsciiCase(unit);
  return folded;
}

}  // namespace

std::vector<std::u16string> SplitMultiString(const std::uint8_t* data, std::size_t size) {
  std::vector<std::u16string> entries;
  std::u16string entry;
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    const auto unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    if (unit != u'\0') {
      entry += unit;
    } else if (!entry.empty()) {
      entries.push_back(std::move(entry));
      entry.clear();
    }
  }
  if (!entry.empty()) entries.push_back(std::move(entry));
  return entries;
}

std::u16string_view LongFileName(std::u16string_view fileName) {
  const std::size_t bar = fileName.find(u'|');
  return bar == std::u16string_view::npos ? fileName : fileName.substr(bar + 1);
}

std::u16string_view FinalPathComponent(std::u16string_view entry) {
  if (entry.starts_with(u'!')) entry.remove_prefix(1);
  if (entry.starts_with(kNativePrefix)) entry.remove_prefix(kNativePrefix.size());
  const std::size_t separator = entry.find_last_of(u"\\/");
  return separator == std::u16string_view::npos ? entry : entry.substr(separator + 1);
}

bool AnyEntryNamesAFile(const std::vector<std::u16string>& entries, const std::vector<std::u16string>& fileNames) {
  // Each text is folded once, so the loop compares plain code units.
  std::vector<std::u16string> foldedNames;
  foldedNames.reserve(fileNames.size());
  for (const std::u16string& fileName : fileNames) foldedNames.push_back(FoldedAsciiCase(fileName));
  for (const std::u16string& entry : entries) {
    const std::u16string name = FoldedAsciiCase(FinalPathComponent(entry));
    if (name.empty()) continue;
    for (const std::u16string& fileName : foldedNames) {
      if (fileName == name) return true;
    }
  }
  return false;
}
