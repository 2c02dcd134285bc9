#include "installer/package_extraction.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "platform/process.h"
#include "tests/fakes/files.h"
#include "tests/fakes/installer.h"
#include "tests/fakes/process.h"
#include "tests/fakes/resources.h"
#include "tests/fakes/system_info.h"
#include "tests/fakes/ui.h"
#include "tests/fakes/world.h"

namespace {

const std::u16string kFolderName = kInstallerProductCode;
const std::u16string kBaseName = kMainPackageFileBaseName;
const std::u16string kCommonFolder = std::u16string(fakes::kCommonAppDataFolder) + u"\\" + kFolderName + u"\\";
const std::u16string kUserFolder = std::u16string(fakes::kAppDataFolder) + u"\\" + kFolderName + u"\\";
const std::u16string kMainFile = kCommonFolder + kBaseName + u".msi";

std::u16string Numbered(const std::u16string& folder, std::uint32_t number) {
  return folder + kBaseName + u"_" + fakes::Utf16(std::to_string(number)) + u".msi";
}

std::u16string WithoutSlash(const std::u16string& folder) { return folder.substr(0, folder.size() - 1); }

std::u16string TempFolder() { return fakes::kTempFolder; }

HResult Win32(std::uint32_t error) { return HResultFromWin32(error); }

class PackageExtractionTest : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    fakes::AddRcdata(u"MSI", mainBytes);
    fakes::AddRcdata(u"QZLANGPACK_EN_US", packBytes);
  }

  // The file-system calls and resource look-ups, in order, without any other kind's records.
  static std::vector<std::string> FileCalls() {
    std::vector<std::string> calls;
    for (const std::string& call : fakes::Calls()) {
      for (const char* prefix : {"GetSpecialFolderPath", "CreateFolder", "SetFileAttributesAt", "LoadRcdataResource",
                                 "CreateFileForWriting", "OpenFileForRewriting", "WriteToFile", "DeleteFileAt",
                                 "GetTempFolderPath",
                                 "CreateTempFileName"}) {
        if (call.rfind(prefix, 0) == 0) calls.push_back(call);
      }
    }
    return calls;
  }

  // The process ends and the next run starts: the system closes what this one held.
  static void NextRun() {
    fakes::Files().heldOpen.clear();
    ResetHeldPackagesForTesting();
  }

  // The names of the files in `folder` (a path without links, ending in a backslash).
  static std::set<std::u16string> FilesIn(const std::u16string& folder) {
    std::set<std::u16string> names;
    for (const auto& [path, contents] : fakes::Files().files) {
      if (path.rfind(folder, 0) == 0 && path.find(u'\\', folder.size()) == std::u16string::npos) {
        names.insert(path.substr(folder.size()));
      }
    }
    return names;
  }

  static std::vector<std::u16string> CreatedFiles() {
    std::vector<std::u16string> paths;
    for (const std::string& call : fakes::Calls()) {
      for (const std::string prefix : {"CreateFileForWriting ", "OpenFileForRewriting "}) {
        if (call.rfind(prefix, 0) == 0) paths.push_back(fakes::Utf16(call.substr(prefix.size())));
      }
    }
    return paths;
  }

  const std::vector<std::uint8_t> mainBytes = {'M', 'A', 'I', 'N', 0, 1, 2, 3, 4, 5, 6, 7};
  const std::vector<std::uint8_t> packBytes = {'P', 'A', 'C', 'K', 9, 8, 7};
};

TEST_F(PackageExtractionTest, MainPackageDescriptorCarriesTheProductVersionWords) {
  EXPECT_EQ(std::u16string(kMainPackage.resourceName), u"MSI");
  for (std::size_t i = 3; i < 16; ++i) EXPECT_EQ(kMainPackage.resourceName[i], u'\0') << i;
  EXPECT_EQ(kMainPackage.languageId, 1031u);
  EXPECT_EQ(std::u16string(kMainPackage.fileBaseName), kBaseName);
  EXPECT_EQ(kMainPackage.versionHigh, kProductVersionHigh);
  EXPECT_EQ(kMainPackage.versionLow, kProductVersionLow);
  EXPECT_EQ(kFolderName, kInstallerProductCode);
}

TEST_F(PackageExtractionTest, MainPackageLandsInTheHiddenSystemFolderUnderCommonAppData) {
  EXPECT_EQ(ExtractMainPackage(), kMainFile);

  EXPECT_EQ(fakes::Files().files.at(kMainFile), mainBytes);
  EXPECT_EQ(fakes::Files().attributes.at(WithoutSlash(kCommonFolder)), 6u);
  EXPECT_EQ(FileCalls(), (std::vector<std::string>{
                             "GetSpecialFolderPath 35",
                             "CreateFolder " + fakes::Utf8(kCommonFolder) + " restricted",
                             "SetFileAttributesAt " + fakes::Utf8(kCommonFolder) + " 6",
                             "LoadRcdataResource MSI",
                             "OpenFileForRewriting " + fakes::Utf8(kMainFile),
                             "CreateFileForWriting " + fakes::Utf8(kMainFile),
                             "WriteToFile " + fakes::Utf8(kMainFile) + " 12",
                         }));
  // One write, straight from where the resource lives.
  EXPECT_EQ(fakes::Files().lastWriteSource, fakes::Resources().rcdata[0].bytes.data());
  EXPECT_TRUE(fakes::Ui().boxes.empty());
}

TEST_F(PackageExtractionTest, APlainFileAtTheNameIsRewrittenAnythingElseIsLeftAlone) {
  // Made by the first run or left by an earlier one, it is the package's one home however many
  // runs follow, through whatever links the folder is reached. A link, a hard link or a file
  // another program has open is neither changed, followed nor removed: each run takes a numbered
  // name and removes the one the run before took.
  const std::u16string junction = u"E:\\ProgramData";
  const std::u16string relocated = u"D:\\Profiles\\Tester\\Roaming";
  const auto earlierFile = [](const std::u16string& folder) {
    fakes::Files().folders.insert(WithoutSlash(folder));
    fakes::Files().files[folder + kBaseName + u".msi"] = std::vector<std::uint8_t>(100, 'x');
  };
  const struct {
    const char* name;
    std::function<void()> arrange;
    std::u16string folder;      // as the program names it
    std::u16string realFolder;  // where its files are, the links followed
    bool rewritten;
  } cases[] = {
      {"a plain file of an earlier run", [&] { earlierFile(kCommonFolder); }, kCommonFolder, kCommonFolder, true},
      {"nothing there yet", [] {}, kCommonFolder, kCommonFolder, true},
      {"ProgramData behind a junction, a file of an earlier run",
       [&] {
         fakes::Files().folderLinks[fakes::kCommonAppDataFolder] = junction;
         fakes::Files().folders.insert(junction);
         earlierFile(junction + u"\\" + kFolderName + u"\\");
       },
       kCommonFolder, junction + u"\\" + kFolderName + u"\\", true},
      {"the per-user folder of a relocated profile, nothing there yet",
       [&] {
         fakes::Files().folderCreateErrors[WithoutSlash(kCommonFolder)] = 5;
         fakes::Files().folderLinks[fakes::kAppDataFolder] = relocated;
         fakes::Files().folders.insert(relocated);
       },
       kUserFolder, relocated + u"\\" + kFolderName + u"\\", true},
      {"a link or a hard link",
       [&] {
         earlierFile(kCommonFolder);
         fakes::Files().notPlainFiles.insert(kMainFile);
       },
       kCommonFolder, kCommonFolder, false},
      {"a file in use",
       [&] {
         earlierFile(kCommonFolder);
         fakes::Files().lockedFiles[kMainFile] = 32;
       },
       kCommonFolder, kCommonFolder, false},
  };
  const std::u16string plainName = kBaseName + u".msi";
  const auto contents = [](const std::u16string& path) {
    const auto found = fakes::Files().files.find(path);
    return found == fakes::Files().files.end() ? std::vector<std::uint8_t>() : found->second;
  };
  for (const auto& c : cases) {
    fakes::ResetWorld();
    fakes::AddRcdata(u"MSI", mainBytes);
    c.arrange();
    for (std::uint32_t run = 1; run <= 3; ++run) {
      const std::string name = c.name + std::string(", run ") + std::to_string(run);
      NextRun();
      fakes::Process().tickCount = 100 * run;

      const std::u16string path = ExtractMainPackage();
      const std::u16string numberedName = Numbered(u"", 100 * run);
      const std::u16string written = c.rewritten ? plainName : numberedName;
      EXPECT_EQ(path, c.folder + written) << name;
      const std::set<std::u16string> expected = {plainName, written};
      EXPECT_EQ(FilesIn(c.realFolder), expected) << name;
      EXPECT_EQ(contents(c.realFolder + plainName), c.rewritten ? mainBytes : std::vector<std::uint8_t>(100, 'x'))
          << name;
      EXPECT_EQ(contents(c.realFolder + written), mainBytes) << name;
      EXPECT_EQ(fakes::Files().attributes.at(WithoutSlash(c.realFolder)), 6u) << name;
      EXPECT_TRUE(fakes::CallsStartingWith("DeleteFileAt").empty()) << name;
    }
  }
}

TEST_F(PackageExtractionTest, NumberedCopiesOfEarlierRunsAreRemovedUnlessStillNeeded) {
  // In the folder the run writes to, the per-user one too: 2 is in use until the next run, 3 is a
  // link, 4 is what a repair of the installed product reads where it is installed from there.
  const struct {
    const char* name;
    std::function<void()> arrange;
    std::u16string folder;
    std::set<std::uint32_t> removed;  // of the numbered copies 1 to 5 there
  } cases[] = {
      {"installed from a numbered copy",
       [] {
         fakes::Installer().products[kInstallerProductCode].version = kProductVersion;
         fakes::Installer().packageNames[kInstallerProductCode] = kBaseName + u"_4.MSI";
       },
       kCommonFolder,
       {1, 5}},
      {"nothing installed", [] {}, kCommonFolder, {1, 4, 5}},
      {"the installer cannot say",
       [] { fakes::Installer().productInfoResults[kInstallerProductCode] = 1601; },
       kCommonFolder,
       {}},
      {"only the per-user folder usable",
       [] { fakes::Files().folderCreateErrors[WithoutSlash(kCommonFolder)] = 5; },
       kUserFolder,
       {1, 4, 5}},
  };
  for (const auto& c : cases) {
    fakes::ResetWorld();
    fakes::AddRcdata(u"MSI", mainBytes);
    fakes::Files().folders.insert(WithoutSlash(kCommonFolder));
    fakes::Files().folders.insert(WithoutSlash(kUserFolder));
    for (std::uint32_t n = 1; n <= 5; ++n) {
      fakes::Files().files[Numbered(kCommonFolder, n)] = {1};
      fakes::Files().files[Numbered(kUserFolder, n)] = {1};
    }
    const std::u16string notNumbered = c.folder + kBaseName + u"_1x.msi";
    fakes::Files().files[notNumbered] = {1};
    fakes::Files().lockedFiles[Numbered(c.folder, 2)] = 32;
    fakes::Files().notPlainFiles.insert(Numbered(c.folder, 3));
    c.arrange();

    ExtractMainPackage();
    for (std::uint32_t n = 1; n <= 5; ++n) {
      for (const std::u16string& folder : {kCommonFolder, kUserFolder}) {
        EXPECT_EQ(fakes::Files().files.count(Numbered(folder, n)), folder == c.folder && c.removed.count(n) ? 0u : 1u)
            << c.name << " " << n << " " << fakes::Utf8(folder);
      }
    }
    EXPECT_EQ(fakes::Files().files.count(notNumbered), 1u) << c.name;

    // Its holder lets go: the next run removes it too.
    fakes::Files().lockedFiles.clear();
    NextRun();
    ExtractMainPackage();
    EXPECT_EQ(fakes::Files().files.count(Numbered(c.folder, 2)), c.removed.empty() ? 1u : 0u) << c.name;
  }
}

TEST_F(PackageExtractionTest, FolderPathGetsExactlyOneBackslashBeforeAndAfterTheFolderName) {
  const struct {
    std::u16string specialFolder;
    std::u16string expected;
  } cases[] = {
      {u"D:\\Data", u"D:\\Data\\" + kFolderName + u"\\"},
      {u"D:\\Data\\", u"D:\\Data\\" + kFolderName + u"\\"},
      {u"D:\\", u"D:\\" + kFolderName + u"\\"},
  };
  for (const auto& c : cases) {
    fakes::ResetWorld();
    fakes::AddSpecialFolder(35, c.specialFolder);
    std::u16string folder = u"untouched";
    EXPECT_EQ(GetExtractionFolder(false, folder), kSOk) << fakes::Utf8(c.specialFolder);
    EXPECT_EQ(folder, c.expected) << fakes::Utf8(c.specialFolder);
  }
}

TEST_F(PackageExtractionTest, PerUserFolderTakesOverWhenTheCommonOneIsUnusable) {
  const struct {
    const char* name;
    std::function<void()> arrange;
    std::vector<std::string> foldersCreated;
  } cases[] = {
      {"common folder unknown", [] { fakes::Files().specialFolders.erase(35); }, {fakes::Utf8(kUserFolder)}},
      {"common folder reported with S_FALSE",
       [] {
         fakes::Files().specialFolders.erase(35);
         fakes::Files().missingFolderResult = 1;
       },
       {fakes::Utf8(kUserFolder)}},
      {"extraction folder refused",
       [] { fakes::Files().folderCreateErrors[WithoutSlash(kCommonFolder)] = 5; },
       {fakes::Utf8(kCommonFolder) + " restricted", fakes::Utf8(kUserFolder)}},
      {"parent folder missing",
       [] { fakes::Files().folders.erase(fakes::kCommonAppDataFolder); },
       {fakes::Utf8(kCommonFolder) + " restricted", fakes::Utf8(kUserFolder)}},
      // Made beforehand by someone who is not SYSTEM or an administrator (another user, or this
      // user's unelevated programs: an owner the elevated token would not give), a link to
      // another place, or a file: never used, and left as it is.
      {"extraction folder owned by another user or an unelevated process",
       [] {
         fakes::Files().folders.insert(WithoutSlash(kCommonFolder));
         fakes::Files().folderFacts[WithoutSlash(kCommonFolder)] = {true, false, false, false};
       },
       {fakes::Utf8(kCommonFolder) + " restricted", fakes::Utf8(kUserFolder)}},
      {"extraction folder is a reparse point",
       [] {
         fakes::Files().folders.insert(WithoutSlash(kCommonFolder));
         fakes::Files().folderFacts[WithoutSlash(kCommonFolder)] = {true, true, true, false};
       },
       {fakes::Utf8(kCommonFolder) + " restricted", fakes::Utf8(kUserFolder)}},
      {"a file where the extraction folder should be",
       [] { fakes::Files().files[WithoutSlash(kCommonFolder)] = {}; },
       {fakes::Utf8(kCommonFolder) + " restricted", fakes::Utf8(kUserFolder)}},
  };
  for (const auto& c : cases) {
    fakes::ResetWorld();
    fakes::AddRcdata(u"MSI", mainBytes);
    c.arrange();

    std::u16string path;
    EXPECT_EQ(ExtractMsi(kMainPackage, path), kSOk) << c.name;
    EXPECT_EQ(path, kUserFolder + kBaseName + u".msi") << c.name;
    EXPECT_EQ(fakes::Files().files.at(path), mainBytes) << c.name;
    EXPECT_EQ(fakes::Files().attributes.at(WithoutSlash(kUserFolder)), 6u) << c.name;
    EXPECT_EQ(fakes::CallsStartingWith("GetSpecialFolderPath"),
              (std::vector<std::string>{"GetSpecialFolderPath 35", "GetSpecialFolderPath 26"}))
        << c.name;
    std::vector<std::string> created;
    for (const std::string& call : fakes::CallsStartingWith("CreateFolder ")) created.push_back(call.substr(13));
    EXPECT_EQ(created, c.foldersCreated) << c.name;
    EXPECT_TRUE(fakes::CallsStartingWith("RestrictFolder").empty()) << c.name;
  }
}

TEST_F(PackageExtractionTest, AnExistingFolderIsUsedOnlyWhenItPassesTheChecks) {
  // The all-users folder of an earlier run, owned by the Administrators, gets its access reset.
  fakes::Files().folders.insert(WithoutSlash(kCommonFolder));
  EXPECT_EQ(ExtractMainPackage(), kMainFile);
  EXPECT_EQ(fakes::CallsStartingWith("RestrictFolder"),
            std::vector<std::string>{"RestrictFolder " + fakes::Utf8(WithoutSlash(kCommonFolder))});
  // One owned by what this process's token gives new objects (the setup's own account, on systems
  // where an administrator's objects belong to their creator) is given to the Administrators.
  fakes::Files().folderFacts[WithoutSlash(kCommonFolder)] = {true, false, false, true};
  fakes::Calls().clear();
  NextRun();
  EXPECT_EQ(ExtractMainPackage(), kMainFile);
  EXPECT_EQ(fakes::CallsStartingWith("RestrictFolder"),
            std::vector<std::string>{"RestrictFolder " + fakes::Utf8(WithoutSlash(kCommonFolder)) +
                                     " to Administrators"});

  // A per-user folder is not reset (it is the user's own), but a link there is no more usable.
  fakes::ResetWorld();
  fakes::AddRcdata(u"MSI", mainBytes);
  fakes::Files().folderCreateErrors[WithoutSlash(kCommonFolder)] = 5;
  fakes::Files().folders.insert(WithoutSlash(kUserFolder));
  fakes::Files().folderFacts[WithoutSlash(kUserFolder)] = {true, true, false, true};
  std::u16string path;
  EXPECT_EQ(ExtractMsi(kMainPackage, path), Win32(5));
  EXPECT_TRUE(path.empty());
  EXPECT_TRUE(fakes::CallsStartingWith("CreateFileForWriting").empty());
  EXPECT_TRUE(fakes::CallsStartingWith("RestrictFolder").empty());
}

TEST_F(PackageExtractionTest, WrittenPackagesStayHeldAgainstChangesUntilTheProcessEnds) {
  const std::u16string pack = ExtractLanguagePack(u"QZLANGPACK_EN_US");
  EXPECT_EQ(ExtractMainPackage(), kMainFile);
  const fakes::FilesWorld& files = fakes::Files();
  ASSERT_EQ(files.held, (std::vector<std::u16string>{pack, kMainFile}));
  EXPECT_EQ(files.heldOpen.size(), 2u);

  // Writing the main package again uses the file this process holds: it cannot have changed. So
  // it does when the folder's checks would now refuse it (a system that keeps no owners takes
  // the folder this process made for another user's).
  fakes::Calls().clear();
  fakes::Files().folderFacts[WithoutSlash(kCommonFolder)] = {true, false, false, false};
  EXPECT_EQ(ExtractMainPackage(), kMainFile);
  EXPECT_EQ(files.held.size(), 2u);
  EXPECT_EQ(files.heldOpen.size(), 2u);
  EXPECT_TRUE(CreatedFiles().empty());
  EXPECT_EQ(files.files.at(kMainFile), mainBytes);

  // So does a numbered one, written while the plain name was locked, even once that is free.
  fakes::ResetWorld();
  fakes::AddRcdata(u"MSI", mainBytes);
  fakes::Files().lockedFiles[kMainFile] = 32;
  fakes::Process().tickCount = 9;
  EXPECT_EQ(ExtractMainPackage(), Numbered(kCommonFolder, 9));
  fakes::Files().lockedFiles.clear();
  fakes::Calls().clear();
  EXPECT_EQ(ExtractMainPackage(), Numbered(kCommonFolder, 9));
  EXPECT_TRUE(CreatedFiles().empty());
}

TEST_F(PackageExtractionTest, AFileSwappedOrChangedBetweenWritingAndHoldingIsRefused) {
  const std::u16string path = TempFolder() + u"pack.msi";
  for (std::set<std::u16string> fakes::FilesWorld::*change :
       {&fakes::FilesWorld::swappedBeforeHolding, &fakes::FilesWorld::changedBeforeHolding}) {
    fakes::ResetWorld();
    fakes::AddRcdata(u"MSI", mainBytes);
    (fakes::Files().*change).insert(path);
    EXPECT_EQ(ResExportToFile(path, u"MSI"), Win32(1006));
    EXPECT_TRUE(fakes::Files().heldOpen.empty());
  }
}

TEST_F(PackageExtractionTest, NoUsableFolderReturnsThePerUserFailureAndEndsTheProcess) {
  fakes::Files().folderCreateErrors[WithoutSlash(kCommonFolder)] = 5;
  fakes::Files().folderCreateErrors[WithoutSlash(kUserFolder)] = 1392;
  std::u16string path = u"untouched";
  EXPECT_EQ(ExtractMsi(kMainPackage, path), Win32(1392));
  EXPECT_EQ(path, u"untouched");
  EXPECT_TRUE(CreatedFiles().empty());

  fakes::SystemInfo().messages[1392] = u"The file or directory is corrupted and unreadable.\r\n";
  EXPECT_EQ(ExitCodeOf([] { ExtractMainPackage(); }), 1392);
  ASSERT_EQ(fakes::Ui().boxes.size(), 1u);
  EXPECT_EQ(fakes::Ui().boxes[0].text, u"ExtractMsi: The file or directory is corrupted and unreadable.\r\n");
  EXPECT_FALSE(fakes::Ui().boxes[0].caption.has_value());
}

TEST_F(PackageExtractionTest, FolderFailureWithoutLastErrorIsErrorGenFailure) {
  fakes::Files().folderCreateErrors[WithoutSlash(kCommonFolder)] = 0;
  std::u16string folder;
  EXPECT_EQ(GetExtractionFolder(false, folder), static_cast<HResult>(0x8007001Fu));
  EXPECT_TRUE(folder.empty());
  EXPECT_TRUE(fakes::CallsStartingWith("SetFileAttributesAt").empty());

  fakes::Files().specialFolders.erase(26);
  fakes::Files().missingFolderResult = static_cast<HResult>(0x80070003u);
  EXPECT_EQ(GetExtractionFolder(true, folder), static_cast<HResult>(0x80070003u));
}

TEST_F(PackageExtractionTest, LockedFileMovesOnToNamesNumberedFromTheTickCount) {
  const struct {
    std::uint32_t tick;
    int lockedNumbered;  // how many numbered names are locked too
    std::uint32_t expectedNumber;
  } cases[] = {
      {123456, 0, 123456},
      {123456, 2, 123458},
      {0xFFFFFFFFu, 1, 0},  // the 32-bit counter wraps
      {7, 99, 106},         // the 100th numbered name is the last one tried
  };
  for (const auto& c : cases) {
    fakes::ResetWorld();
    fakes::AddRcdata(u"MSI", mainBytes);
    fakes::Process().tickCount = c.tick;
    fakes::Process().tickStep = 1000;  // a second read of the clock would break the sequence
    fakes::Files().lockedFiles[kMainFile] = 32;
    std::uint32_t number = c.tick;
    for (int i = 0; i < c.lockedNumbered; ++i) fakes::Files().lockedFiles[Numbered(kCommonFolder, number++)] = 32;

    std::u16string path;
    EXPECT_EQ(ExtractMsi(kMainPackage, path), kSOk) << c.tick;
    EXPECT_EQ(path, Numbered(kCommonFolder, c.expectedNumber)) << c.tick;
    EXPECT_EQ(fakes::Files().files.at(path), mainBytes) << c.tick;
    EXPECT_EQ(CreatedFiles().size(), static_cast<std::size_t>(c.lockedNumbered) + 2) << c.tick;
    EXPECT_EQ(CreatedFiles().front(), kMainFile);
    // A folder that refuses the file is not left for the per-user one.
    EXPECT_EQ(fakes::CallsStartingWith("GetSpecialFolderPath").size(), 1u) << c.tick;
  }
}

TEST_F(PackageExtractionTest, GivesUpAfter101AttemptsWithTheLastAttemptsResult) {
  fakes::Process().tickCount = 5000;
  fakes::Files().writeError = 112;
  fakes::Files().bytesWrittenBeforeFailure = 4;
  fakes::Files().lockedFiles[Numbered(kCommonFolder, 5099)] = 5;
  fakes::Files().lockedFiles[Numbered(kCommonFolder, 5100)] = 0;  // never reached

  std::u16string path = u"untouched";
  EXPECT_EQ(ExtractMsi(kMainPackage, path), Win32(5));
  EXPECT_EQ(path, u"untouched");
  // The plain name, found empty and then created, and 100 numbered names.
  const std::vector<std::u16string> created = CreatedFiles();
  ASSERT_EQ(created.size(), 102u);
  EXPECT_EQ(created[0], kMainFile);
  EXPECT_EQ(created[1], kMainFile);
  EXPECT_EQ(created[2], Numbered(kCommonFolder, 5000));
  EXPECT_EQ(created[101], Numbered(kCommonFolder, 5099));
  // Every partial file was deleted again; the folder holds nothing.
  EXPECT_TRUE(fakes::Files().files.empty());
  EXPECT_EQ(fakes::CallsStartingWith("DeleteFileAt").size(), 100u);

  fakes::Files().lockedFiles.clear();
  fakes::Process().tickCount = 5000;
  EXPECT_EQ(ExitCodeOf([] { ExtractMainPackage(); }), 112);
  EXPECT_EQ(fakes::Ui().boxes.at(0).text.rfind(u"ExtractMsi: ", 0), 0u);
}

TEST_F(PackageExtractionTest, WriteFailureDeletesThePartialFileAndReturnsItsError) {
  const std::u16string path = TempFolder() + u"pack.msi";
  for (const std::uint32_t error : {112u, 0u}) {
    fakes::ResetWorld();
    fakes::AddRcdata(u"MSI", mainBytes);
    fakes::Files().writeError = error;
    fakes::Files().bytesWrittenBeforeFailure = 5;

    EXPECT_EQ(ResExportToFile(path, u"MSI"), error == 0 ? kEFail : Win32(error)) << error;
    EXPECT_EQ(fakes::Files().files.count(path), 0u) << error;
    EXPECT_EQ(FileCalls(), (std::vector<std::string>{
                               "LoadRcdataResource MSI",
                               "CreateFileForWriting " + fakes::Utf8(path),
                               "WriteToFile " + fakes::Utf8(path) + " 12",
                               "DeleteFileAt " + fakes::Utf8(path),
                           }))
        << error;
  }
}

TEST_F(PackageExtractionTest, WriteFailureIsReportedEvenWhenTheCleanupFailsToo) {
  const std::u16string path = TempFolder() + u"pack.msi";
  fakes::Files().writeError = 112;
  fakes::Files().deleteFailure = 5;
  EXPECT_EQ(ResExportToFile(path, u"MSI"), Win32(112));
  EXPECT_EQ(fakes::CallsStartingWith("DeleteFileAt").size(), 1u);
}

TEST_F(PackageExtractionTest, CreateFailureLeavesTheExistingFileAlone) {
  const std::u16string path = TempFolder() + u"pack.msi";
  for (const std::uint32_t error : {32u, 0u}) {
    fakes::ResetWorld();
    fakes::AddRcdata(u"MSI", mainBytes);
    fakes::Files().files[path] = {1, 2, 3};
    fakes::Files().lockedFiles[path] = error;

    EXPECT_EQ(ResExportToFile(path, u"MSI"), error == 0 ? kEFail : Win32(error)) << error;
    EXPECT_EQ(fakes::Files().files.at(path), (std::vector<std::uint8_t>{1, 2, 3})) << error;
    EXPECT_TRUE(fakes::CallsStartingWith("WriteToFile").empty()) << error;
    EXPECT_TRUE(fakes::CallsStartingWith("DeleteFileAt").empty()) << error;
  }
}

TEST_F(PackageExtractionTest, ResourceFailuresAreReturnedBeforeAnyFileIsTouched) {
  const struct {
    const char* name;
    std::u16string resource;
    std::vector<std::uint8_t> bytes;
    std::uint32_t loadError;
    std::uint32_t lastErrorBefore;
    HResult expected;
  } cases[] = {
      {"missing", u"QZLANGPACK_XX_YY", {}, 0, 0, Win32(1814)},
      {"load fails", u"BROKEN", {1}, 1812, 0, Win32(1812)},
      {"empty without last error", u"EMPTY", {}, 0, 0, kEFail},
      {"empty with a last error", u"EMPTY", {}, 0, 87, Win32(87)},
  };
  for (const auto& c : cases) {
    fakes::ResetWorld();
    fakes::AddRcdata(u"EMPTY", {});
    fakes::AddRcdata(u"BROKEN", {1});
    fakes::Resources().rcdata.back().loadError = 1812;
    fakes::Process().lastError = c.lastErrorBefore;

    const std::uint8_t* data = nullptr;
    std::uint32_t size = 77;
    EXPECT_EQ(FindPackageResource(c.resource, data, size), c.expected) << c.name;
    EXPECT_EQ(data, nullptr) << c.name;
    EXPECT_EQ(size, 77u) << c.name;

    fakes::Process().lastError = c.lastErrorBefore;
    EXPECT_EQ(ResExportToFile(TempFolder() + u"out.msi", c.resource), c.expected) << c.name;
    EXPECT_TRUE(CreatedFiles().empty()) << c.name;
    EXPECT_TRUE(fakes::Files().files.empty()) << c.name;
  }
}

TEST_F(PackageExtractionTest, FoundResourceIsTheLoadersOwnBytes) {
  const std::uint8_t* data = nullptr;
  std::uint32_t size = 0;
  EXPECT_EQ(FindPackageResource(u"QZLANGPACK_EN_US", data, size), kSOk);
  EXPECT_EQ(data, fakes::Resources().rcdata[1].bytes.data());
  EXPECT_EQ(size, packBytes.size());
}

TEST_F(PackageExtractionTest, LanguagePackLandsInANewTemporaryFile) {
  fakes::Files().nextUnique = 0xBEEF;
  fakes::Files().files[TempFolder() + u"QZMBEEF.tmp"] = {};  // taken: the system picks the next number

  const std::u16string path = ExtractLanguagePack(u"QZLANGPACK_EN_US");
  EXPECT_EQ(path, TempFolder() + u"QZMBEF0.tmp");
  EXPECT_EQ(fakes::Files().files.at(path), packBytes);
  EXPECT_EQ(fakes::Files().lastWriteSource, fakes::Resources().rcdata[1].bytes.data());
  EXPECT_EQ(FileCalls(), (std::vector<std::string>{
                             "GetTempFolderPath 260",
                             "CreateTempFileName " + fakes::Utf8(TempFolder()) + " QZMSI 0",
                             "DeleteFileAt " + fakes::Utf8(path),
                             "LoadRcdataResource QZLANGPACK_EN_US",
                             "CreateFileForWriting " + fakes::Utf8(path),
                             "WriteToFile " + fakes::Utf8(path) + " 7",
                         }));

  // Each pack gets a file of its own.
  const std::u16string second = ExtractLanguagePack(u"QZLANGPACK_EN_US");
  EXPECT_NE(second, path);
  EXPECT_EQ(fakes::Files().files.at(second), packBytes);
}

TEST_F(PackageExtractionTest, TemporaryFolderPathThatIsMissingOrTooLongIsFatal) {
  const std::u16string fits = u"C:\\" + std::u16string(255, u'a') + u"\\";  // 259 characters
  const std::u16string tooLong = u"C:\\" + std::u16string(256, u'a') + u"\\";  // 260: needs 261
  const struct {
    const char* name;
    std::function<void()> arrange;
    bool fatal;
  } cases[] = {
      {"GetTempPathW fails", [] { fakes::Files().tempPathFailure = 5; }, true},
      {"path of 260 characters", [&] { fakes::Files().tempFolder = tooLong; }, true},
      {"path of 259 characters",
       [&] {
         fakes::Files().tempFolder = fits;
         fakes::Files().folders.insert(fits.substr(0, fits.size() - 1));
       },
       false},
  };
  for (const auto& c : cases) {
    fakes::ResetWorld();
    fakes::AddRcdata(u"QZLANGPACK_EN_US", packBytes);
    c.arrange();
    if (!c.fatal) {
      EXPECT_EQ(ExtractLanguagePack(u"QZLANGPACK_EN_US").rfind(fits + u"QZM", 0), 0u) << c.name;
      continue;
    }
    EXPECT_EQ(ExitCodeOf([] { ExtractLanguagePack(u"QZLANGPACK_EN_US"); }), 16389) << c.name;
    ASSERT_EQ(fakes::Ui().boxes.size(), 1u) << c.name;
    EXPECT_EQ(fakes::Ui().boxes[0].text, u"ExtractMsi216389") << c.name;
    EXPECT_TRUE(fakes::CallsStartingWith("CreateTempFileName").empty()) << c.name;
  }
}

TEST_F(PackageExtractionTest, TemporaryFileNameFailureIsFatalWithEFail) {
  fakes::Files().tempFileNameFailure = 5;
  EXPECT_EQ(ExitCodeOf([] { ExtractLanguagePack(u"QZLANGPACK_EN_US"); }), 16389);
  EXPECT_EQ(fakes::Ui().boxes.at(0).text, u"ExtractMsi216389");
  EXPECT_TRUE(fakes::CallsStartingWith("LoadRcdataResource").empty());
}

TEST_F(PackageExtractionTest, MissingPackIsFatalAndLeavesNoTemporaryFileBehind) {
  fakes::SystemInfo().messages[1814] = u"The specified resource name cannot be found in the image file.\r\n";
  EXPECT_EQ(ExitCodeOf([] { ExtractLanguagePack(u"QZLANGPACK_FR_FR"); }), 1814);
  ASSERT_EQ(fakes::Ui().boxes.size(), 1u);
  EXPECT_EQ(fakes::Ui().boxes[0].text,
            u"ResExportToFileThe specified resource name cannot be found in the image file.\r\n");
  EXPECT_EQ(fakes::Files().files.count(TempFolder() + u"QZM1A2B.tmp"), 0u);
}

}  // namespace
