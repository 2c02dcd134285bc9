// The pending file-rename list as the registry hands it over (any bytes, odd counts included),
// split and compared as the pending-rename check does; the same strings read as File table names,
// folder paths and Directory rows.
#include <cstdint>
#include <string>
#include <vector>

#include "installer/pending_rename_matching.h"
#include "tests/fuzz/fuzz_support.h"

using fuzzing::Require;

namespace {

// Every maximal run of non-zero code units, in order.
std::vector<std::u16string> NonEmptyStrings(const std::u16string& units) {
  std::vector<std::u16string> strings(1);
  for (const char16_t unit : units) {
    if (unit != u'\0') {
      strings.back() += unit;
    } else if (!strings.back().empty()) {
      strings.emplace_back();
    }
  }
  if (strings.back().empty()) strings.pop_back();
  return strings;
}

bool Concerns(const std::u16string& source, const std::u16string& target, const ProductFile& file) {
  return AnyRenameConcernsAFile({{source, target}}, {file});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto copy = fuzzing::ExactCopy(data, size);
  const std::vector<PendingRename> renames = SplitPendingRenames(copy.get(), size);
  std::vector<std::u16string> strings;
  for (const PendingRename& rename : renames) {
    Require(!rename.source.empty(), "a source is never empty");
    for (const std::u16string* text : {&rename.source, &rename.target}) {
      Require(text->find(u'\0') == std::u16string::npos, "strings hold no zero unit");
      if (!text->empty()) strings.push_back(*text);
    }
  }
  Require(strings == NonEmptyStrings(fuzzing::CodeUnits(data, size)),
          "every non-empty string of the data is a source or a target, in order");

  // The same strings as File table names, without folders and with another string as their folder:
  // a folder only narrows what the name alone matches.
  std::vector<ProductFile> byName;
  std::vector<ProductFile> inFolders;
  for (std::size_t i = 0; i < strings.size(); ++i) {
    byName.push_back({std::u16string(LongFileName(strings[i])), {}});
    inFolders.push_back({byName.back().name, {strings[(i + 1) % strings.size()]}});
  }
  Require(!AnyRenameConcernsAFile(renames, inFolders) || AnyRenameConcernsAFile(renames, byName),
          "a folder only narrows the name rule");

  // Each string's final component as a product file: named in the native form of its folder it
  // counts, under Config.Msi it counts only by its target, in another folder not at all.
  for (const std::u16string& text : strings) {
    const std::u16string name = text.substr(text.find_last_of(u"\\/") + 1);
    if (name.empty()) continue;
    const ProductFile file{name, {u"c:\\PROGRAM files\\Fuzz\\"}};
    const std::u16string native = u"\\??\\C:\\Program Files\\fuzz\\" + name;
    Require(Concerns(native, u"", file), "a file counts in its folder");
    Require(Concerns(u"\\??\\C:\\Config.Msi\\a.rbf", u"!" + native, file), "a target counts");
    Require(!Concerns(u"\\??\\C:\\Config.Msi\\" + name, u"", {name, {}}), "a copy in Config.Msi does not count");
    Require(!Concerns(u"\\??\\C:\\Program Files\\Other\\" + name, u"", file), "another folder does not count");
  }

  // The strings as Directory rows (key, parent, DefaultDir): a folder resolves under a known one.
  std::vector<TableRow> directories;
  for (std::size_t i = 0; i + 2 < strings.size(); i += 3) {
    directories.push_back({strings[i], strings[i + 1], strings[i + 2]});
  }
  if (directories.empty()) return 0;
  const KnownFolders known = {{directories.front()[0], u"C:\\Known"}, {directories.back()[1], u""}};
  for (const TableRow& row : directories) {
    const std::u16string folder = ResolveDirectory(directories, row[0], known);
    Require(folder.empty() || folder.starts_with(u"C:\\Known"), "a folder lies under a known folder");
  }
  // The same rows as File rows (DefaultDir, parent) and Component rows (parent, key).
  PackageTables package;
  for (const TableRow& row : directories) {
    package.files.push_back({row[2], row[1]});
    package.components.push_back({row[1], row[0]});
  }
  package.directories = directories;
  const std::vector<ProductFile> files = ProductFiles(package, known, {u"C:\\Installed", u"\\\\server\\share"});
  Require(files.size() == package.files.size(), "one product file per File row");
  for (const ProductFile& file : files) {
    Require(file.folders.empty() || file.folders.size() == 2, "a folder under every installation or none");
  }
  return 0;
}
