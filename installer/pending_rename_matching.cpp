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

std::u16string_view Field(const TableRow& row, std::size_t field) {
  return field < row.size() ? std::u16string_view(row[field]) : std::u16string_view();
}

// The first row whose first field is `key`, or none.
const TableRow* FindRow(const std::vector<TableRow>& rows, std::u16string_view key) {
  for (const TableRow& row : rows) {
    if (Field(row, 0) == key) return &row;
  }
  return nullptr;
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
  // One step past the last unit: a string the data does not end is ended there.
  for (std::size_t i = 0; i <= size / 2; ++i) {
    const auto unit = i < size / 2 ? static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8)) : u'\0';
    if (unit != u'\0') {
      text += unit;
      continue;
    }
    if (!sourceDue) {
      renames.back().target = std::move(text);
      sourceDue = true;
    } else if (!text.empty()) {
      renames.push_back({std::move(text), {}});
      sourceDue = false;
    }
    text.clear();
  }
  return renames;
}

std::u16string_view LongFileName(std::u16string_view fileName) {
  const std::size_t bar = fileName.find(u'|');
  return bar == std::u16string_view::npos ? fileName : fileName.substr(bar + 1);
}

std::u16string ResolveDirectory(const std::vector<TableRow>& directories, std::u16string_view key,
                                const KnownFolders& known) {
  std::vector<const TableRow*> chain;  // the rows below the known folder, innermost first
  const TableRow* folder = FindRow(known, key);
  // A chain without a circle visits each row at most once before it reaches a known folder.
  while (folder == nullptr) {
    const TableRow* row = FindRow(directories, key);
    if (row == nullptr || chain.size() == directories.size()) return {};
    const std::u16string_view parent = Field(*row, 1);
    if (parent.empty() || parent == key) return {};
    chain.push_back(row);
    key = parent;
    folder = FindRow(known, key);
  }
  if (!IsFullPath(Field(*folder, 1))) return {};
  std::u16string path(Field(*folder, 1));
  for (auto row = chain.rbegin(); row != chain.rend(); ++row) {
    const std::u16string_view name = TargetName(Field(**row, 2));
    if (name.empty() || name == u".") continue;
    path += u'\\';
    path += name;
  }
  return path;
}

std::vector<ProductFile> ProductFiles(const PackageTables& package, const KnownFolders& known,
                                      const std::vector<std::u16string>& installFolders) {
  KnownFolders folders = known;
  folders.push_back({kInstallFolderKey, u""});
  TableRow& installFolder = folders.back();
  std::vector<ProductFile> files;
  files.reserve(package.files.size());
  for (const TableRow& fileRow : package.files) {
    ProductFile& file = files.emplace_back();
    file.name = LongFileName(Field(fileRow, 0));
    const TableRow* component = FindRow(package.components, Field(fileRow, 1));
    for (std::size_t i = 0; component != nullptr && i < installFolders.size(); ++i) {
      installFolder[1] = installFolders[i];
      std::u16string folder = ResolveDirectory(package.directories, Field(*component, 1), folders);
      if (folder.empty()) {
        file.folders.clear();
        break;
      }
      file.folders.push_back(std::move(folder));
    }
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
