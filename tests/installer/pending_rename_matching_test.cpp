#include "installer/pending_rename_matching.h"

#include <gtest/gtest.h>

namespace {

TEST(PendingRenameMatchingTest, DirectoriesResolveFromTheKnownFolders) {
  const std::vector<TableRow> directories = {
      {u"TARGETDIR", u"", u"SourceDir"},
      {u"ProgramFilesFolder", u"TARGETDIR", u"PFiles"},
      {u"Vendor", u"ProgramFilesFolder", u"VENDOR~1|Vendor Name:VENDOR~2|Vendor Source"},
      {u"Same", u"Vendor", u"."},
      {u"Bin", u"Same", u"bin"},
      {u"Loose", u"TARGETDIR", u"Loose"},
      {u"Self", u"Self", u"Self"},
      {u"Orphan", u"Missing", u"x"},
      {u"LoopA", u"LoopB", u"a"},
      {u"LoopB", u"LoopA", u"b"},
  };
  struct Case {
    const char16_t* key;
    KnownFolders known;
    std::u16string expected;  // empty: cannot be worked out
  };
  const KnownFolders programFiles = {{u"ProgramFilesFolder", u"C:\\Program Files"}};
  const Case cases[] = {
      {u"Bin", programFiles, u"C:\\Program Files\\Vendor Name\\bin"},  // long target name, "." adds none
      {u"ProgramFilesFolder", programFiles, u"C:\\Program Files"},
      {u"Bin", {{u"Vendor", u"\\\\server\\share"}}, u"\\\\server\\share\\bin"},  // a set property wins
      {u"Loose", programFiles, u""},                                             // below the root (the drive)
      {u"Self", programFiles, u""},
      {u"Orphan", programFiles, u""},
      {u"LoopA", programFiles, u""},
      {u"Bin", {{u"ProgramFilesFolder", u""}}, u""},               // the system did not give it
      {u"Bin", {{u"ProgramFilesFolder", u"Program Files"}}, u""},  // not a full path
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(ResolveDirectory(directories, cases[i].key, cases[i].known), cases[i].expected) << "case " << i;
  }
}

}  // namespace
