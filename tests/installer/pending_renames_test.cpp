#include "installer/pending_renames.h"

#include <gtest/gtest.h>

#include <optional>

#include "base/product.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "tests/fakes/files.h"
#include "tests/fakes/installer.h"
#include "tests/fakes/registry.h"
#include "tests/fakes/world.h"
#include "tests/product_versions.h"

namespace {

const std::u16string kPackage = u"C:\\ProgramData\\main.msi";
const std::vector<std::u16string> kMainFileNames = {u"README~1.TXT|readme first.txt", u"license.txt"};

// REG_MULTI_SZ data: each string with its terminator, then the closing terminator.
fakes::RegistryValue Multi(const std::vector<std::u16string>& strings) {
  std::vector<std::uint8_t> bytes;
  for (const std::u16string& text : strings) {
    const std::vector<std::uint8_t> one = fakes::StringBytes(text);
    bytes.insert(bytes.end(), one.begin(), one.end());
  }
  bytes.insert(bytes.end(), {0, 0});
  return {platform::kRegMultiSz, bytes};
}

// A package whose files' folders cannot be worked out (it has no Directory table).
fakes::PackageFile PackageWithoutFolders(const std::vector<std::u16string>& fileNames) {
  std::vector<std::pair<std::u16string, std::u16string>> files;
  for (const std::u16string& name : fileNames) files.emplace_back(name, u"INSTALLDIR");
  return fakes::PackageOf(files);
}

void PutPending(const fakes::RegistryValue& value) {
  fakes::PutBytes(platform::RegistryRoot::LocalMachine, u"SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                  u"PendingFileRenameOperations", value.type, value.data);
}

using PendingRenamesTest = WorldTest;

// Files whose folder cannot be worked out: an entry counts by its final path component alone.
TEST_F(PendingRenamesTest, PendingEntriesAgainstThePackageFileNames) {
  struct Case {
    const char* what;
    std::optional<fakes::RegistryValue> pending;
    bool expected;
    std::optional<std::vector<std::u16string>> fileNames = kMainFileNames;  // none: no package
  };
  const std::u16string product = u"\\??\\C:\\Program Files\\Orvex\\Utilities 2011\\";
  // 23 bytes: "license.txt" and the low byte of an "x", which is dropped.
  std::vector<std::uint8_t> odd = fakes::StringBytes(u"license.txtx");
  odd.resize(odd.size() - 3);
  const Case cases[] = {
      {"no value", std::nullopt, false},
      {"REG_SZ", fakes::RegistryValue{platform::kRegSz, fakes::StringBytes(u"license.txt")}, false},
      {"one byte", fakes::RegistryValue{platform::kRegMultiSz, {'l'}}, false},
      {"odd byte count", fakes::RegistryValue{platform::kRegMultiSz, odd}, true},
      {"terminators only", Multi({u""}), false},
      {"empty strings around a bare name", Multi({u"", u"", u"license.txt", u""}), true},
      {"delete of a product file (empty target)", Multi({product + u"license.txt", u""}), true},
      {"rename onto the long name", Multi({u"\\??\\C:\\Temp\\n.tmp", u"!" + product + u"readme first.txt"}), true},
      {"bare name with the replace-existing mark", Multi({u"\\??\\C:\\Temp\\a.tmp", u"!license.txt"}), true},
      {"A-Z case, forward slashes", Multi({u"C:/x/LICENSE.TXT", u""}), true},
      {"the short name does not enter", Multi({u"\\??\\C:\\PROGRA~1\\ORVEX\\README~1.TXT", u""}), false},
      {"unrelated files", Multi({u"\\??\\C:\\Temp\\x.tmp", u"!\\??\\C:\\mylicense.txt", u"C:\\license.txt.old"}),
       false},
      {"only A-Z fold", Multi({u"\\??\\C:\\X\\Ärger.txt"}), false, {{u"ärger.txt"}}},
      {"A-Z fold beside other letters", Multi({u"\\??\\C:\\X\\äRGER.TXT"}), true, {{u"ärger.txt"}}},
      {"a trailing separator matches no empty name", Multi({u"\\??\\C:\\X\\", u"|"}), false, {{u"EMPTY~1|"}}},
      {"package that cannot be opened", Multi({u"license.txt"}), false, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fakes::ResetWorld();
    if (c.fileNames) fakes::Installer().packages[kPackage] = PackageWithoutFolders(*c.fileNames);
    if (c.pending) PutPending(*c.pending);
    EXPECT_EQ(IsRestartPending(kPackage, kInstallerProductCode, u""), c.expected);
    EXPECT_EQ(fakes::Files().currentFolder, fakes::kWindowsFolder);
  }
}

// The main package's layout: both files in INSTALLDIR under the program files, "data.bin" in a
// folder on the drive Windows Installer picks, which cannot be worked out beforehand.
TEST_F(PendingRenamesTest, PendingEntriesAgainstTheProductsFolders) {
  struct Case {
    const char* what;
    std::vector<std::u16string> pending;
    bool expected;
    std::optional<std::u16string> installedAt = std::nullopt;  // "InstallLocation" of the installed product
    std::u16string installFolder = u"";                        // INSTALLDIR given for the installation
    bool programFilesKnown = true;
  };
  const std::u16string product = u"\\??\\C:\\Program Files (x86)\\Orvex\\Utilities 2011\\";
  const std::u16string vendor = u"\\??\\C:\\Program Files (x86)\\Other Vendor\\";
  const Case cases[] = {
      {"another program's file of the same name",
       {vendor + u"license.txt", u"", vendor + u"a.tmp", u"!" + vendor + u"readme first.txt"},
       false},
      {"a product file in the folder the package installs to", {product + u"license.txt", u""}, true},
      {"the same in another case, Win32 form",
       {u"c:/PROGRAM FILES (X86)//orvex/utilities 2011/License.TXT", u""},
       true},
      {"a file of the same name in a folder below the product's", {product + u"Extra\\license.txt", u""}, false},
      {"a file whose folder depends on the drive counts anywhere", {u"\\??\\D:\\Elsewhere\\data.bin", u""}, true},
      {"Windows Installer's copy of a file in use counts by its target",
       {u"\\??\\C:\\Config.Msi\\3f2a.rbf", u"!" + product + u"readme first.txt"},
       true},
      {"a copy in Config.Msi never counts by its own name",
       {u"\\??\\C:\\Config.Msi\\data.bin", u"!" + vendor + u"data.bak"},
       false},
      {"the installed product's folder (trailing backslash, UNC)",
       {u"\\??\\UNC\\Server\\Apps\\Orvex\\LICENSE.txt", u""},
       true,
       u"\\\\server\\apps\\Orvex\\"},
      {"the folder the package installs to besides the installed one", {product + u"license.txt", u""}, true, u"D:\\Tools\\Orvex"},
      {"an installed product without a recorded folder: any folder", {vendor + u"license.txt", u""}, true, u""},
      {"INSTALLDIR given: its folder", {u"\\??\\E:\\Apps\\Utilities\\license.txt", u""}, true, std::nullopt, u"E:\\Apps\\Utilities\\"},
      {"INSTALLDIR given: not the default folder", {product + u"license.txt", u""}, false, std::nullopt, u"E:\\Apps\\Utilities"},
      {"no program files folder: any folder", {vendor + u"license.txt", u""}, true, std::nullopt, u"", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fakes::ResetWorld();
    std::vector<std::vector<std::u16string>> directories = fakes::MainPackageDirectories();
    directories.push_back({u"DataFolder", u"TARGETDIR", u"Data"});
    fakes::Installer().packages[kPackage] = fakes::PackageOf({{u"README~1.TXT|readme first.txt", u"INSTALLDIR"},
                                                              {u"license.txt", u"INSTALLDIR"},
                                                              {u"data.bin", u"DataFolder"}},
                                                             directories);
    if (c.programFilesKnown) fakes::AddSpecialFolder(platform::kFolderProgramFiles, u"C:\\Program Files (x86)");
    if (c.installedAt) {
      fakes::Installer().products[kInstallerProductCode] = {PreviousProductVersion()};
      if (!c.installedAt->empty()) fakes::Installer().installLocations[kInstallerProductCode] = *c.installedAt;
    }
    PutPending(Multi(c.pending));
    EXPECT_EQ(IsRestartPending(kPackage, kInstallerProductCode, c.installFolder), c.expected);
  }
}

TEST_F(PendingRenamesTest, CurrentFolderBecomesTheWindowsFolderOnlyWhenItFits) {
  const std::u16string tooLong = u"C:\\" + std::u16string(300, u'w');
  for (const std::u16string& windows : {std::u16string(), tooLong}) {
    fakes::ResetWorld();
    fakes::Files().windowsFolder = windows;
    fakes::Files().folders.insert(tooLong);
    IsRestartPending(kPackage, kInstallerProductCode, u"");
    EXPECT_EQ(fakes::Files().currentFolder, fakes::kStartFolder);
  }
}

}  // namespace
