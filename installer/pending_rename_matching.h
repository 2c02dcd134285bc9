#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Reading the pending file-rename list and deciding whether it concerns the package's files. Pure
// text work on bytes and UTF-16 strings, so it can be exercised on any input.

// One operation Windows carries out at the next start: the file it moves or deletes and where to
// (empty: a delete; a leading "!" marks replace-existing), as written, "\??\" prefix included.
struct PendingRename {
  std::u16string source;
  std::u16string target;
};

// The operations of "PendingFileRenameOperations" data: the bytes read as size / 2 UTF-16
// little-endian code units (an odd last byte is ignored), each zero unit ending a string, the
// strings taken two by two as source and target. An empty string where a source is due (the
// closing terminator, padding) is passed over, so every non-empty string of the data is a source
// or a target, in order; a source without a string after it gets an empty target.
std::vector<PendingRename> SplitPendingRenames(const std::uint8_t* data, std::size_t size);

// The long name of a File table "FileName": the part after the first "|", or the whole text when
// it has none ("SHORT~1.TXT|long name.txt" gives "long name.txt").
std::u16string_view LongFileName(std::u16string_view fileName);

// A row of the package's Directory table.
struct DirectoryRow {
  std::u16string directory;
  std::u16string parent;  // empty, or the row's own key: a root (TARGETDIR)
  std::u16string defaultDir;
};

// Folders known by Directory key before the table is read: the standard folder properties
// (ProgramFilesFolder, ...) and INSTALLDIR when it is set. A folder that is not a full path (a
// drive and "\", or "\\server"), an empty one included, stands for a folder that cannot be worked
// out.
using KnownFolders = std::map<std::u16string, std::u16string, std::less<>>;

// The folder a Directory key stands for: the nearest known folder up its chain of parents, then
// the target name of each row below it (DefaultDir "target:source", each part "short|long": the
// long target name; "." adds none). None when the chain meets a folder that cannot be worked out,
// ends at a root that is not known (TARGETDIR: the drive Windows Installer picks), a key without a
// row, or runs in a circle.
std::optional<std::u16string> ResolveDirectory(const std::vector<DirectoryRow>& directories,
                                               const std::u16string& key, const KnownFolders& known);

// What the check reads of the package: File rows (FileName, Component_), Component rows
// (Component, Directory_) and the Directory table.
struct PackageTables {
  std::vector<std::pair<std::u16string, std::u16string>> files;
  std::vector<std::pair<std::u16string, std::u16string>> components;
  std::vector<DirectoryRow> directories;
};

// A file of the product: its long name and the folders where the product has it or puts it.
// Without folders (its folder cannot be worked out) the name alone counts, in any folder.
struct ProductFile {
  std::u16string name;
  std::vector<std::u16string> folders;
};

// The package's files, in File table order, each with its component's folder under every one of
// `installations` (the known folders of one place the product is or goes to). A file whose
// component or folder under any installation cannot be worked out gets no folder.
std::vector<ProductFile> ProductFiles(const PackageTables& package, const std::vector<KnownFolders>& installations);

// True when an operation's source or target is a product file: its final path component equals the
// file's name and the folder before it one of the file's folders (any folder when it has none).
// Paths are compared with "!" and "\??\" ("\??\UNC\" for "\\") removed, "/" taken for "\", runs of
// "\" as one and no trailing "\", ignoring the case of A to Z only; other units must be equal. A
// source under "X:\Config.Msi\" (Windows Installer's copy of a file in use) counts only by its
// target. A path ending in a separator names no file. A plain nested loop: cost grows with
// operations times files.
bool AnyRenameConcernsAFile(const std::vector<PendingRename>& renames, const std::vector<ProductFile>& files);
