#pragma once
#include <string>

// True when Windows has a pending file rename or delete for one of the main package's files: an
// entry of "PendingFileRenameOperations" whose final path component is a long file name of the
// package's File table (ignoring the case of A to Z) and whose folder is one where the product
// has that file: under the installed product's folder (Windows Installer's "InstallLocation" of
// `installedProduct`) or where the package installs it, its Directory table resolved from the
// standard folders and `installFolder` (INSTALLDIR as given for the main package; empty: not
// given) as INSTALLDIR. Windows Installer's own copies of files in use (a source under
// "Config.Msi") count by their target. A file whose folder cannot be worked out counts in any
// folder. Every failure to read the pending list, and a package that cannot be read, give false.
// Makes the Windows folder the process's current folder first, for the rest of the process.
bool IsRestartPending(const std::u16string& mainPackagePath, const std::u16string& installedProduct,
                      const std::u16string& installFolder);
