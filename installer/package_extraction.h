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

// Writes the resource to `path` in one write, as a new file (anything already at the name, a
// link included, makes it fail: nothing is removed or followed), then holds it open against
// changes and deletion until the process ends. When this process wrote the same resource there
// before, the held file is used as it is. A failed write deletes the partial file; a file that is
// no longer the one written when it is opened again fails with error 1006.
HResult ResExportToFile(const std::u16string& path, const std::u16string& resourceName);

// Creates (or keeps) the hidden, system-attributed folder named after the product code under the
// all-users or, with `perUser`, the user's application data folder. The path ends in a backslash.
// The all-users folder is created with restricted access; an existing one is used only when
// SYSTEM or the Administrators own it, and gets that access again. A file or a reparse point
// where the folder should be fails with access denied (5).
HResult GetExtractionFolder(bool perUser, std::u16string& folder);

// Writes the package into the extraction folder as its base name plus ".msi"; when that fails
// (a file left by an earlier run, or anything else at the name), tries up to 100 names numbered
// from the tick count. `path` is only set on success.
HResult ExtractMsi(const PackageDescriptor& package, std::u16string& path);

// Lets go of every held package (tests start as a fresh process would).
void ResetHeldPackagesForTesting();

// Writes the main package to its fixed file and returns the path; failures are fatal.
std::u16string ExtractMainPackage();
// Writes a language pack resource to a new temporary file and returns the path; failures are fatal.
std::u16string ExtractLanguagePack(const std::u16string& resourceName);
