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

using PendingRenamesTest = WorldTest;

TEST_F(PendingRenamesTest, PendingEntriesAgainstThePackageFiles) {
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
    if (c.fileNames) fakes::Installer().packages[kPackage] = {*c.fileNames};
    if (c.pending) {
      fakes::PutBytes(platform::RegistryRoot::LocalMachine, u"SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                      u"PendingFileRenameOperations", c.pending->type, c.pending->data);
    }
    EXPECT_EQ(IsRestartPending(kPackage), c.expected);
    EXPECT_EQ(fakes::Files().currentFolder, fakes::kWindowsFolder);
  }
}

TEST_F(PendingRenamesTest, CurrentFolderBecomesTheWindowsFolderOnlyWhenItFits) {
  const std::u16string tooLong = u"C:\\" + std::u16string(300, u'w');
  for (const std::u16string& windows : {std::u16string(), tooLong}) {
    fakes::ResetWorld();
    fakes::Files().windowsFolder = windows;
    fakes::Files().folders.insert(tooLong);
    IsRestartPending(kPackage);
    EXPECT_EQ(fakes::Files().currentFolder, fakes::kStartFolder);
  }
}

}  // namespace
