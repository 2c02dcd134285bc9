#include "installer/pending_renames.h"

#include <gtest/gtest.h>

#include <optional>

#include "platform/registry.h"
#include "tests/fakes/files.h"
#include "tests/fakes/installer.h"
#include "tests/fakes/registry.h"
#include "tests/fakes/world.h"

namespace {

const std::u16string kPackage = u"C:\\ProgramData\\main.msi";
const std::u16string kSessionManager = u"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const std::vector<std::u16string> kMainFileNames = {u"README~1.TXT|readme first.txt", u"license.txt"};

// REG_MULTI_SZ data: each string with its terminator, then the closing terminator.
std::vector<std::uint8_t> MultiString(const std::vector<std::u16string>& strings) {
  std::vector<std::uint8_t> bytes;
  for (const std::u16string& text : strings) {
    const std::vector<std::uint8_t> one = fakes::StringBytes(text);
    bytes.insert(bytes.end(), one.begin(), one.end());
  }
  bytes.push_back(0);
  bytes.push_back(0);
  return bytes;
}

// UTF-16 little-endian bytes of a text without a terminator, plus `extra` bytes.
std::vector<std::uint8_t> Unterminated(const std::u16string& text, std::vector<std::uint8_t> extra) {
  std::vector<std::uint8_t> bytes = fakes::StringBytes(text);
  bytes.resize(bytes.size() - 2);
  bytes.insert(bytes.end(), extra.begin(), extra.end());
  return bytes;
}

class PendingRenamesTest : public WorldTest {
 protected:
  void PutPackage(std::vector<std::u16string> fileNames = kMainFileNames) {
    fakes::Installer().packages[kPackage] = {std::move(fileNames)};
  }
  void PutPending(std::uint32_t type, std::vector<std::uint8_t> data) {
    fakes::PutBytes(platform::RegistryRoot::LocalMachine, kSessionManager, u"PendingFileRenameOperations", type,
                    std::move(data));
  }
};

TEST_F(PendingRenamesTest, PendingEntriesAgainstThePackageFiles) {
  struct Case {
    const char* what;
    std::optional<fakes::RegistryValue> pending;
    bool expected;
    std::vector<std::u16string> fileNames = kMainFileNames;
  };
  const std::u16string productFolder = u"\\??\\C:\\Program Files\\Orvex\\Utilities 2011\\";
  const Case cases[] = {
      {"no value", std::nullopt, false},
      {"REG_SZ", fakes::RegistryValue{platform::kRegSz, fakes::StringBytes(u"license.txt")}, false},
      {"one byte", fakes::RegistryValue{platform::kRegMultiSz, {'l'}}, false},
      {"terminators only", fakes::RegistryValue{platform::kRegMultiSz, {0, 0, 0, 0}}, false},
      {"odd byte count: the half unit is dropped",
       fakes::RegistryValue{platform::kRegMultiSz, Unterminated(u"license.txt", {'x'})}, true},
      {"empty strings around a bare name",
       fakes::RegistryValue{platform::kRegMultiSz, MultiString({u"", u"", u"license.txt", u""})}, true},
      {"delete of a product file (empty target)",
       fakes::RegistryValue{platform::kRegMultiSz, MultiString({productFolder + u"license.txt", u""})}, true},
      {"rename onto the long name, replace-existing mark",
       fakes::RegistryValue{platform::kRegMultiSz,
                            MultiString({u"\\??\\C:\\Temp\\new.tmp", u"!" + productFolder + u"readme first.txt"})},
       true},
      {"bare name with the replace-existing mark",
       fakes::RegistryValue{platform::kRegMultiSz, MultiString({u"\\??\\C:\\Temp\\a.tmp", u"!license.txt"})}, true},
      {"forward slashes", fakes::RegistryValue{platform::kRegMultiSz, MultiString({u"C:/x/License.TXT", u""})},
       true},
      {"upper case A-Z", fakes::RegistryValue{platform::kRegMultiSz, MultiString({u"\\??\\C:\\X\\LICENSE.TXT"})},
       true},
      {"the short name does not enter",
       fakes::RegistryValue{platform::kRegMultiSz, MultiString({u"\\??\\C:\\PROGRA~1\\ORVEX\\README~1.TXT", u""})},
       false},
      {"unrelated files, one ending in a product name",
       fakes::RegistryValue{platform::kRegMultiSz,
                            MultiString({u"\\??\\C:\\Temp\\x.tmp", u"!\\??\\C:\\Windows\\mylicense.txt",
                                         u"\\??\\C:\\Temp\\license.txt.old", u""})},
       false},
      {"only A-Z fold: Ä is not ä",
       fakes::RegistryValue{platform::kRegMultiSz, MultiString({u"\\??\\C:\\X\\Ärger.txt"})}, false,
       {u"ärger.txt"}},
      {"A-Z fold beside other letters",
       fakes::RegistryValue{platform::kRegMultiSz, MultiString({u"\\??\\C:\\X\\äRGER.TXT"})}, true, {u"ärger.txt"}},
      {"an entry ending in a separator matches no empty long name",
       fakes::RegistryValue{platform::kRegMultiSz, MultiString({u"\\??\\C:\\X\\", u"|"})}, false,
       {u"EMPTY~1|", u""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fakes::ResetWorld();
    PutPackage(c.fileNames);
    if (c.pending) PutPending(c.pending->type, c.pending->data);

    EXPECT_EQ(IsRestartPending(kPackage), c.expected);
    EXPECT_EQ(fakes::CallsStartingWith("MsiDatabaseOpenViewW"),
              std::vector<std::string>{"MsiDatabaseOpenViewW SELECT FileName FROM File"});
    EXPECT_EQ(fakes::Files().currentFolder, fakes::kWindowsFolder);
  }
}

TEST_F(PendingRenamesTest, APackageThatCannotBeReadMatchesNothingAndIsClosed) {
  struct Case {
    const char* what;
    std::uint32_t fakes::InstallerWorld::*failing;
    std::vector<std::string> closes;
  };
  const Case cases[] = {
      {"database", &fakes::InstallerWorld::openDatabaseResult, {}},
      {"view", &fakes::InstallerWorld::openViewResult, {"MsiCloseHandle database"}},
      {"execute", &fakes::InstallerWorld::executeResult, {"MsiCloseHandle view", "MsiCloseHandle database"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fakes::ResetWorld();
    PutPackage();
    PutPending(platform::kRegMultiSz, MultiString({u"license.txt"}));
    fakes::Installer().*c.failing = 1627;

    EXPECT_FALSE(IsRestartPending(kPackage));
    EXPECT_EQ(fakes::CallsStartingWith("MsiCloseHandle"), c.closes);
    EXPECT_EQ(fakes::CallsStartingWith("QueryRegistryValue").size(), 2u) << "the list is still read";
  }
}

TEST_F(PendingRenamesTest, CurrentFolderBecomesTheWindowsFolderOnlyWhenItFits) {
  const std::u16string tooLong = u"C:\\" + std::u16string(300, u'w');
  for (const std::u16string& windows : {std::u16string(fakes::kWindowsFolder), std::u16string(), tooLong}) {
    fakes::ResetWorld();
    fakes::Files().windowsFolder = windows;
    fakes::Files().folders.insert(tooLong);
    IsRestartPending(kPackage);
    const bool fits = windows == fakes::kWindowsFolder;
    EXPECT_EQ(fakes::Files().currentFolder, fits ? fakes::kWindowsFolder : fakes::kStartFolder);
    EXPECT_EQ(fakes::CallsStartingWith("SetCurrentFolder").size(), fits ? 1u : 0u);
  }
}

}  // namespace
