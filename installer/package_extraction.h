#pragma once
#include <cstdint>
#include <string>

#include "base/product.h"
#include "platform/result.h"

// A package the program carries as an RCDATA resource and writes to a fixed file name.
struct PackageDescriptor {
  char16_t resourceName[16];  // zero-padded
  std::uint32_t languageId;
  const char16_t* fileBaseName;  // file name of the written package, without ".msi"
  std::uint32_t versionHigh;     // major in the high 16 bits, minor in the low 16
  std::uint32_t versionLow;      // build in the high 16 bits, revision in the low 16
};

inline constexpr PackageDescriptor kMainPackage = {
    u"MSI", 1031, kMainPackageFileBaseName, kProductVersionHigh, kProductVersionLow,
};

// The bytes of an RCDATA resource of the program's own module, found language-neutrally. They stay
// valid for the life of the process. A missing resource, a failed load or lock and a size of 0
// return the last error as a failure; `data` and `size` are only set on success.
HResult FindPackageResource(const std::u16string& resourceName, const std::uint8_t*& data, std::uint32_t& size);

// What writing a package does with a file already at its name.
enum class ExistingFile {
  kRefuse,   // anything there, a link included, makes the write fail; nothing is removed or followed
  kReplace,  // a plain file with one name is emptied and rewritten through the handle that checked
             // it; with nothing there a new file is made; anything else (a link, a hard link, a
             // folder) makes the write fail untouched
};

// Writes the resource to `path` in one write, then holds it open against changes and deletion
// until the process ends. When this process wrote the same resource there before, the held file is
// used as it is. A failed write deletes the partial file; a file that, opened again to be held, is
// no longer the one written or no longer reads back as the resource's bytes fails with error 1006.
HResult ResExportToFile(const std::u16string& path, const std::u16string& resourceName,
                        ExistingFile existing = ExistingFile::kRefuse);

// Creates (or keeps) the hidden, system-attributed folder named after the product code under the
// all-users or, with `perUser`, the user's application data folder. The path ends in a backslash.
// The all-users folder is created with restricted access; an existing one is used only when
// SYSTEM or the Administrators own it, and gets that access again. A file or a reparse point
// where the folder should be fails with access denied (5).
HResult GetExtractionFolder(bool perUser, std::u16string& folder);

// Writes the package into the extraction folder as its base name plus ".msi", rewriting a plain
// file an earlier run left there; when that fails (the file is locked, or something else stands at
// the name), tries up to 100 new files named with numbers from the tick count. A package this
// process wrote already is not written again: its file is returned, whichever folder it is in and
// whatever the folders' checks would say now. After a write, the numbered copies earlier runs left
// in that folder are removed, except those in use, those that are not plain files and the one
// Windows Installer keeps as the installed product's source. `path` is only set on success.
HResult ExtractMsi(const PackageDescriptor& package, std::u16string& path);

// Lets go of every held package (tests start as a fresh process would).
void ResetHeldPackagesForTesting();

// Writes the main package to its fixed file and returns the path; failures are fatal.
std::u16string ExtractMainPackage();
// Writes a language pack resource to a new temporary file and returns the path; failures are fatal.
std::u16string ExtractLanguagePack(const std::u16string& resourceName);
