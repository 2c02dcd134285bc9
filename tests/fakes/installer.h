#pragma once
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/installer.h"

namespace fakes {

struct InstalledProduct {
  std::u16string version;  // "VersionString"
  int state = platform::kInstallStateDefault;
};

// A package file the fake service can open: the FileName column of its File table.
struct PackageFile {
  std::vector<std::u16string> fileNames;
};

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
