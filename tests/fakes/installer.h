#pragma once
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/installer.h"

namespace fakes {

struct InstalledProduct {
  std::u16string version;  // "VersionString"
  int state = platform::kInstallStateDefault;
};

// A table of a package: its column names and its rows, one text per column.
struct PackageTable {
  std::vector<std::u16string> columns;
  std::vector<std::vector<std::u16string>> rows;
};

// A package file the fake service can open, its tables by name. A view "SELECT A, B FROM T"
// returns columns A and B of T's rows; a table or column the package lacks fails the view with
// 1615 (bad query syntax), as the service does.
struct PackageFile {
  std::map<std::u16string, PackageTable> tables;
};

// A package of these files: FileName texts, each in a component of its own that installs into the
// Directory key beside it, and these Directory rows (Directory, Directory_Parent, DefaultDir). A
// package without rows has no Directory table.
PackageFile PackageOf(const std::vector<std::pair<std::u16string, std::u16string>>& files,
                      const std::vector<std::vector<std::u16string>>& directories = {});
// The Directory table of the main package (packages/wix/main.wxs): INSTALLDIR is
// [ProgramFilesFolder]Orvex\Utilities 2011.
std::vector<std::vector<std::u16string>> MainPackageDirectories();

struct InstallerWorld {
  int uiLevel = 5;
  // What LoadWindowsInstaller answers.
  HResult loadResult = 0;
  std::uint32_t missingOrdinal = 0;
  // Installed products by product code.
  std::map<std::u16string, InstalledProduct> products;
  // MsiGetProductInfoW answers with these results for the given product codes, whatever is installed.
  std::map<std::u16string, std::uint32_t> productInfoResults;
  // "PackageName" of installed products, by product code (unknown property when missing).
  std::map<std::u16string, std::u16string> packageNames;
  // "InstallLocation" of installed products, by product code (unknown property when missing).
  std::map<std::u16string, std::u16string> installLocations;
  // Results of the next MsiInstallProductW calls, in order; 0 once they run out.
  std::deque<std::uint32_t> installResults;
  // Product code each package path installs on success (so later queries see it).
  std::map<std::u16string, std::u16string> packageProducts;
  // Results of the next MsiConfigureProductW calls, in order; 0 once they run out.
  std::deque<std::uint32_t> configureResults;
  // Packages MsiOpenDatabaseW can open, by path.
  std::map<std::u16string, PackageFile> packages;
  std::uint32_t openDatabaseResult = 0;
  std::uint32_t openViewResult = 0;
  std::uint32_t executeResult = 0;
};
InstallerWorld& Installer();

}  // namespace fakes
