#include "installer/pending_rename_matching.h"

namespace {

constexpr std::u16string_view kNativePrefix = u"\\??\\";
// Where Windows Installer keeps the new copy of a file in use until the restart, after the drive.
constexpr std::u16string_view kInstallerWorkFolder = u":\\config.msi\\";

char16_t FoldAsciiCase(char16_t unit) {
  return unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit - u'A' + u'a') : unit;
}

std::u16string FoldedAsciiCase(std::u16string_view text) {
  std::u16string folded(text);
  for (char16_t& unit : folded) unit = FoldAsciiCase(unit);
  return folded;
}

bool IsSeparator(char16_t unit) { return unit == u'\\' || unit == u'/'; }

// "X:\..." or "\\server\...".
bool IsFullPath(std::u16string_view path) {
  if (path.size() >= 3 && path[1] == u':' && IsSeparator(path[2])) {
    const char16_t drive = FoldAsciiCase(path[0]);
    return drive >= u'a' && drive <= u'z';
  }
  return path.size() > 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
}

// A path in the one form this check compares: without "\??\", "\??\UNC\server" as "\server"
// and "\\server" as well (runs of separators become one "\"), A-Z folded.
std::u16string ComparablePath(std::u16string_view path) {
  if (path.starts_with(kNativePrefix)) {
    path.remove_prefix(kNativePrefix.size());
    if (path.size() > 3 && FoldAsciiCase(path[0]) == u'u' && FoldAsciiCase(path[1]) == u'n' &&
        FoldAsciiCase(path[2]) == u'c' && IsSeparator(path[3])) {
      path.remove_prefix(3);
    }
  }
  std::u16string comparable;
  comparable.reserve(path.size());
  for (const char16_t unit : path) {
    if (IsSeparator(unit)) {
      if (comparable.empty() || comparable.back() != u'\\') comparable += u'\\';
    } else {
      comparable += FoldAsciiCase(unit);
    }
  }
  return comparable;
}

std::u16string ComparableFolder(std::u16string_view folder) {
  std::u16string comparable = ComparablePath(folder);
  if (!comparable.empty() && comparable.back() == u'\\') comparable.pop_back();
  return comparable;
}

// The long target name of a DefaultDir: "target:source", each part "short|long".
std::u16string_view TargetName(std::u16string_view defaultDir) {
  const std::size_t colon = defaultDir.find(u':');
  return LongFileName(colon == std::u16string_view::npos ? defaultDir : defaultDir.substr(0, colon));
}

using DirectoryIndex = std::map<std::u16string_view, const DirectoryRow*>;

// The first row of each key counts.
DirectoryIndex IndexDirectories(const std::vector<DirectoryRow>& directories) {
  DirectoryIndex index;
  for (const DirectoryRow& row : directories) index.emplace(row.directory, &row);
  return index;
}

std::optional<std::u16string> Resolve(const DirectoryIndex& index, std::u16string_view key,
                                      const KnownFolders& known) {
  std::vector<std::u16string_view> names;  // the target names below the known folder, innermost first
  // A chain without a circle visits each row at most once before it reaches a known folder.
  for (std::size_t step = 0; step <= index.size(); ++step) {
    const auto folder = known.find(key);
    if (folder != known.end()) {
      if (!IsFullPath(folder->second)) return std::nullopt;
      std::u16string path = folder->second;
      for (auto name = names.rbegin(); name != names.rend(); ++name) {
        path += u'\\';
        path += *name;
      }
      return path;
    }
    const auto row = index.find(key);
    if (row == index.end()) return std::nullopt;
    const DirectoryRow& directory = *row->second;
    if (directory.parent.empty() || directory.parent == directory.directory) return std::nullopt;
    const std::u16string_view name = TargetName(directory.defaultDir);
    if (!name.empty() && name != u".") names.push_back(name);
    key = directory.parent;
  }
  return std::nullopt;
}

// The product files in comparable form: all names in one text, so the loop over them reads one
// block of memory wherever the names came from; the folders beside them.
struct ComparableFiles {
  std::u16string names;
  std::vector<std::pair<std::size_t, std::size_t>> nameSpans;  // offset and length in `names`
  std::vector<std::vector<std::u16string>> folders;
};

// `path` in comparable form names one of the files in one of its folders.
bool NamesAFile(std::u16string_view path, const ComparableFiles& files) {
  const std::size_t separator = path.rfind(u'\\');
  const std::u16string_view name = separator == std::u16string_view::npos ? path : path.substr(separator + 1);
  if (name.empty()) return false;
  const std::u16string_view folder = separator == std::u16string_view::npos ? u"" : path.substr(0, separator);
  const std::u16string_view names = files.names;
  for (std::size_t i = 0; i < files.nameSpans.size(); ++i) {
    const auto [offset, length] = files.nameSpans[i];
    if (length != name.size() || names.substr(offset, length) != name) continue;
    if (files.folders[i].empty()) return true;
    for (const std::u16string& candidate : files.folders[i]) {
      if (candidate == folder) return true;
    }
  }
  return false;
}

}  // namespace

std::vector<PendingRename> SplitPendingRenames(const std::uint8_t* data, std::size_t size) {
  std::vector<PendingRename> renames;
  std::u16string text;
  bool sourceDue = true;
  const auto endString = [&] {
    if (!sourceDue) {
      renames.back().target = std::move(text);
      sourceDue = true;
    } else if (!text.empty()) {
      renames.push_back({std::move(text), {}});
      sourceDue = false;
    }
    text.clear();
  };
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    const auto unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    if (unit != u'\0') {
      text += unit;
    } else {
      endString();
    }
  }
  if (!text.empty()) endString();
  return renames;
}

std::u16string_view LongFileName(std::u16string_view fileName) {
  const std::size_t bar = fileName.find(u'|');
  return bar == std::u16string_view::npos ? fileName : fileName.substr(bar + 1);
}

std::optional<std::u16string> ResolveDirectory(const std::vector<DirectoryRow>& directories,
                                               const std::u16string& key, const KnownFolders& known) {
  return Resolve(IndexDirectories(directories), key, known);
}

std::vector<ProductFile> ProductFiles(const PackageTables& package, const std::vector<KnownFolders>& installations) {
  const DirectoryIndex index = IndexDirectories(package.directories);
  std::map<std::u16string_view, std::u16string_view> componentFolders;
  for (const auto& [component, directory] : package.components) componentFolders.emplace(component, directory);
  // Each folder is resolved once per installation.
  std::vector<std::map<std::u16string_view, std::optional<std::u16string>>> resolved(installations.size());
  std::vector<ProductFile> files;
  files.reserve(package.files.size());
  for (const auto& [fileName, component] : package.files) {
    ProductFile file{std::u16string(LongFileName(fileName)), {}};
    const auto directory = componentFolders.find(component);
    for (std::size_t i = 0; directory != componentFolders.end() && i < installations.size(); ++i) {
      const auto [folder, added] = resolved[i].try_emplace(directory->second);
      if (added) folder->second = Resolve(index, directory->second, installations[i]);
      if (!folder->second) {
        file.folders.clear();
        break;
      }
      file.folders.push_back(*folder->second);
    }
    files.push_back(std::move(file));
  }
  return files;
}

bool AnyRenameConcernsAFile(const std::vector<PendingRename>& renames, const std::vector<ProductFile>& files) {
  // Each text is brought into comparable form once, so the loop compares plain code units.
  ComparableFiles comparable;
  comparable.nameSpans.reserve(files.size());
  comparable.folders.reserve(files.size());
  for (const ProductFile& file : files) {
    comparable.nameSpans.emplace_back(comparable.names.size(), file.name.size());
    comparable.names += FoldedAsciiCase(file.name);
    std::vector<std::u16string>& folders = comparable.folders.emplace_back();
    for (const std::u16string& folder : file.folders) folders.push_back(ComparableFolder(folder));
  }
  // Windows writes "!" before a target only; it is taken off wherever it leads.
  const auto operationPath = [](std::u16string_view path) {
    if (path.starts_with(u'!')) path.remove_prefix(1);
    return ComparablePath(path);
  };
  for (const PendingRename& rename : renames) {
    const std::u16string source = operationPath(rename.source);
    const bool installerCopy = source.size() > kInstallerWorkFolder.size() + 1 &&
                               source.compare(1, kInstallerWorkFolder.size(), kInstallerWorkFolder) == 0;
    if (!installerCopy && NamesAFile(source, comparable)) return true;
    if (NamesAFile(operationPath(rename.target), comparable)) return true;
  }
  return false;
}
