#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
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

// A row of one of the package's tables, its fields in the order the query names them; a field
// past the end of a row reads as empty.
using TableRow = std::vector<std::u16string>;

// Folders known by Directory key before the Directory table is read, each a row (key, folder):
// the standard folder properties (ProgramFilesFolder, ...); the first row of a key counts. A folder
// that is not a full path (a drive and "\", or "\\server"), an empty one included, stands for a
// folder that cannot be worked out.
using KnownFolders = std::vector<TableRow>;

// The Directory key of the folder the product is installed to.
inline constexpr char16_t kInstallFolderKey[] = u"INSTALLDIR";

// The folder a Directory key stands for, given the Directory table (Directory, Directory_Parent,
// DefaultDir): the nearest known folder up its chain of parents, then the target name of each row
// below it (DefaultDir "target:source", each part "short|long": the long target name; "." adds
// none). Empty when the chain meets a folder that cannot be worked out, ends at a root that is not
// known (a row without a parent or its own parent: TARGETDIR, the drive Windows Installer picks),
// at a key without a row, or runs in a circle.
std::u16string ResolveDirectory(const std::vector<TableRow>& directories, std::u16string_view key,
                                const KnownFolders& known);

// What the check reads of the package: the File table (FileName, Component_), the Component table
// (Component, Directory_) and the Directory table (Directory, Directory_Parent, DefaultDir).
struct PackageTables {
  std::vector<TableRow> files;
  std::vector<TableRow> components;
  std::vector<TableRow> directories;
};

// A file of the product: its long name and the folders where the product has it or puts it.
// Without folders (its folder cannot be worked out) the name alone counts, in any folder.
struct ProductFile {
  std::u16string name;
  std::vector<std::u16string> folders;
};

// The package's files, in File table order, each with its component's folder in every place the
// product is or goes to: `known` (which names no INSTALLDIR) with INSTALLDIR as one of
// `installFolders` each. A file whose component or folder in any place cannot be worked out gets
// no folder. Each file's component and folders are looked up anew: cost grows with files times
// components and folders.
std::vector<ProductFile> ProductFiles(const PackageTables& package, const KnownFolders& known,
                                      const std::vector<std::u16string>& installFolders);

// True when an operation's source or target is a product file: its final path component equals the
// file's name and the folder before it one of the file's folders (any folder when it has none).
// Paths are compared with "!" and "\??\" ("\??\UNC\" for "\\") removed, "/" taken for "\", runs of
// "\" as one and no trailing "\", ignoring the case of A to Z only; other units must be equal. A
// source under "X:\Config.Msi\" (Windows Installer's copy of a file in use) counts only by its
// target. A path ending in a separator names no file. A plain nested loop: cost grows with
// operations times files.
bool AnyRenameConcernsAFile(const std::vector<PendingRename>& renames, const std::vector<ProductFile>& files);
