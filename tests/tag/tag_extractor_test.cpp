#include "tag/tag_extractor.h"

#include <unistd.h>

#include <cstring>
#include <gtest/gtest.h>

#include "tests/fakes/file_mapping.h"
#include "tests/fakes/world.h"
#include "tests/fakes/signed_image.h"
#include "tests/tag/temp_file.h"

namespace {

using fakes::AppendSignature;
using fakes::AppendTag;
using fakes::MinimalPe;
using fakes::TaggedImage;
using tagtest::TempFile;

std::uint32_t PageSize() { return static_cast<std::uint32_t>(::sysconf(_SC_PAGESIZE)); }

class TagExtractorTest : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    fakes::FileMapping().otherFiles.reset();
  }
  void TearDown() override { EXPECT_EQ(fakes::OpenMappingObjects(), 0u); }

  // Maps `image` from a file and returns the tag text, or "<no tag>" when either call fails.
  std::string TagOf(const std::vector<std::uint8_t>& image) {
    file_.Write(image);
    tagging::TagExtractor extractor;
    if (!extractor.MapFile(file_.widePath())) return "<not mapped>";
    std::int32_t count = 0;
    if (!extractor.ReadTag(nullptr, &count)) return "<no tag>";
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(count), 0xCC);
    if (!extractor.ReadTag(buffer.data(), &count)) return "<copy failed>";
    EXPECT_EQ(buffer.back(), 0);
    return std::string(buffer.begin(), buffer.end() - 1);
  }

  TempFile file_;
};

void ExpectInitialState(const tagging::TagExtractor& extractor) {
  EXPECT_FALSE(extractor.fileHandle.valid());
  EXPECT_FALSE(extractor.mappingHandle.valid());
  EXPECT_FALSE(extractor.view.valid());
  EXPECT_EQ(extractor.viewSize, 0u);
  EXPECT_EQ(extractor.fileSize, 0u);
}

TEST_F(TagExtractorTest, ReadsTheTagBehindTheSignature) {
  EXPECT_EQ(TagOf(TaggedImage("AFFILIATEID=qzv2011aid31051en-US&AFFILIATEIDFLAGS=.0")),
            "AFFILIATEID=qzv2011aid31051en-US&AFFILIATEIDFLAGS=.0");
}

TEST_F(TagExtractorTest, ImagesWithoutATagYieldNoTag) {
  std::vector<std::uint8_t> unsignedImage = MinimalPe();
  AppendTag(unsignedImage, "A=1");

  std::vector<std::uint8_t> notMz = TaggedImage("A=1");
  notMz[1] = 'Y';
  std::vector<std::uint8_t> notPe = TaggedImage("A=1");
  notPe[fakes::kPeHeader + 2] = 'x';
  std::vector<std::uint8_t> badMagic = TaggedImage("A=1");
  badMagic[badMagic.size() - 6] = 'g';
  std::vector<std::uint8_t> noTagAtAll = MinimalPe();
  AppendSignature(noTagAtAll, 0x100);
  noTagAtAll.resize(noTagAtAll.size() + 64, 0);

  for (const auto& image : {unsignedImage, notMz, notPe, badMagic, noTagAtAll}) {
    EXPECT_EQ(TagOf(image), "<no tag>");
  }
}

TEST_F(TagExtractorTest, OnlyTheTwoByteDerLengthFormIsFollowed) {
  for (std::uint8_t form : {0x81, 0x83, 0x80, 0x84}) {
    std::vector<std::uint8_t> image = MinimalPe();
    AppendSignature(image, 0x40, form);
    AppendTag(image, "A=1");
    EXPECT_EQ(TagOf(image), "<no tag>") << "form " << int(form);
  }
  std::vector<std::uint8_t> notASequence = TaggedImage("A=1");
  notASequence[fakes::GetLittleEndian32(notASequence, fakes::kSecurityDirectory) + 8] = 0x31;
  EXPECT_EQ(TagOf(notASequence), "<no tag>");
}

TEST_F(TagExtractorTest, TheSpanIsTheDerLengthPlus19RoundedDownTo8) {
  struct Case {
    std::uint16_t signatureLength;
    std::int32_t span;
  };
  for (const Case& c : {Case{0x0000, 0x10}, Case{0x0004, 0x10}, Case{0x0005, 0x18}, Case{0x059F, 0x5B0},
                        Case{0x05A4, 0x5B0}, Case{0x1000, 0x1010}, Case{0xFFFF, 0x10010}}) {
    std::vector<std::uint8_t> image = MinimalPe();
    const std::uint32_t entry = AppendSignature(image, c.signatureLength);
    ASSERT_EQ(image.size(), entry + static_cast<std::size_t>(c.span));
    AppendTag(image, "X=1");
    file_.Write(image);
    tagging::TagExtractor extractor;
    ASSERT_TRUE(extractor.MapFile(file_.widePath()));
    std::int32_t count = 0;
    EXPECT_TRUE(extractor.ReadTag(nullptr, &count)) << std::hex << c.signatureLength;
    EXPECT_EQ(count, 4);
    EXPECT_EQ(extractor.certificateSpan, c.span);
    EXPECT_EQ(extractor.certificate, extractor.view.get() + entry);
  }
}

TEST_F(TagExtractorTest, TheEntryLengthAndTheDirectorySizePlayNoPart) {
  std::vector<std::uint8_t> image = MinimalPe();
  const std::uint32_t entry = AppendSignature(image, 0x1000);
  fakes::PutLittleEndian32(image, entry, 0x1008);
  fakes::PutLittleEndian32(image, fakes::kSecurityDirectory + 4, 0x1008);
  std::vector<std::uint8_t> whereTheLengthsPoint = image;
  whereTheLengthsPoint.resize(entry + 0x1008);
  AppendTag(whereTheLengthsPoint, "A=1");
  EXPECT_EQ(TagOf(whereTheLengthsPoint), "<no tag>");

  AppendTag(image, "A=2");
  fakes::PutLittleEndian32(image, entry, 0x7000);
  fakes::PutLittleEndian32(image, fakes::kSecurityDirectory + 4, 0);
  EXPECT_EQ(TagOf(image), "A=2");
}

TEST_F(TagExtractorTest, AnEmptyTagReportsSizeOneAndCopiesAnEmptyText) {
  file_.Write(TaggedImage(""));
  tagging::TagExtractor extractor;
  ASSERT_TRUE(extractor.MapFile(file_.widePath()));
  std::int32_t count = 77;
  ASSERT_TRUE(extractor.ReadTag(nullptr, &count));
  EXPECT_EQ(count, 1);
  std::uint8_t buffer[3] = {0xCC, 0xCC, 0xCC};
  ASSERT_TRUE(extractor.ReadTag(buffer, &count));
  EXPECT_EQ(buffer[0], 0);
  EXPECT_EQ(buffer[1], 0xCC);
}

TEST_F(TagExtractorTest, ZeroBytesInsideTheTextAreCopiedInFull) {
  const std::string text("A=1\0B=2\0", 8);
  file_.Write(TaggedImage(text));
  tagging::TagExtractor extractor;
  ASSERT_TRUE(extractor.MapFile(file_.widePath()));
  std::int32_t count = 0;
  ASSERT_TRUE(extractor.ReadTag(nullptr, &count));
  ASSERT_EQ(count, 9);
  std::vector<std::uint8_t> buffer(9, 0xCC);
  ASSERT_TRUE(extractor.ReadTag(buffer.data(), &count));
  EXPECT_EQ(std::string(buffer.begin(), buffer.end()), text + '\0');
}

TEST_F(TagExtractorTest, TheCopyNeedsRoomForTheTerminatorAndLeavesTheCountAlone) {
  const std::string text = "AFFILIATEID=abc";
  file_.Write(TaggedImage(text));
  tagging::TagExtractor extractor;
  ASSERT_TRUE(extractor.MapFile(file_.widePath()));
  const auto n = static_cast<std::int32_t>(text.size());

  std::vector<std::uint8_t> buffer(64, 0xCC);
  std::int32_t count = n;
  EXPECT_FALSE(extractor.ReadTag(buffer.data(), &count));
  EXPECT_EQ(count, n);
  EXPECT_EQ(buffer, std::vector<std::uint8_t>(64, 0xCC));

  count = -1;
  EXPECT_FALSE(extractor.ReadTag(buffer.data(), &count));
  EXPECT_EQ(count, -1);

  for (std::int32_t capacity : {n + 1, n + 10}) {
    std::fill(buffer.begin(), buffer.end(), 0xCC);
    count = capacity;
    ASSERT_TRUE(extractor.ReadTag(buffer.data(), &count));
    EXPECT_EQ(count, capacity);
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + n), text);
    EXPECT_EQ(buffer[static_cast<std::size_t>(n)], 0);
    EXPECT_EQ(buffer[static_cast<std::size_t>(n) + 1], 0xCC);
  }
}

TEST_F(TagExtractorTest, ReadTagNeedsACountAndAMappedFile) {
  tagging::TagExtractor extractor;
  ExpectInitialState(extractor);
  EXPECT_EQ(extractor.certificate, nullptr);
  EXPECT_EQ(extractor.certificateSpan, 0);
  std::int32_t count = 5;
  EXPECT_FALSE(extractor.ReadTag(nullptr, &count));
  EXPECT_EQ(count, 5);

  file_.Write(TaggedImage("A=1"));
  ASSERT_TRUE(extractor.MapFile(file_.widePath()));
  EXPECT_FALSE(extractor.ReadTag(nullptr, nullptr));
  extractor.UnmapFile();
  EXPECT_FALSE(extractor.ReadTag(nullptr, &count));
  EXPECT_EQ(count, 5);
}

TEST_F(TagExtractorTest, TheViewIsTheFileRoundedUpToWholePages) {
  std::vector<std::uint8_t> image = TaggedImage("A=1");
  image.resize(PageSize() + 3, 0);
  file_.Write(image);
  tagging::TagExtractor extractor;
  ASSERT_TRUE(extractor.MapFile(file_.widePath()));
  EXPECT_EQ(extractor.viewSize, 2 * PageSize());
  EXPECT_EQ(extractor.fileSize, image.size());
  EXPECT_TRUE(extractor.fileHandle.valid());
  EXPECT_TRUE(extractor.mappingHandle.valid());
  EXPECT_EQ(fakes::Calls(), (std::vector<std::string>{"OpenFileForReading " + file_.path().string(),
                                                      "QueryFileSize", "CreateReadOnlyMapping", "MapReadOnlyView",
                                                      "QueryRegionSize"}));
}

TEST_F(TagExtractorTest, ATagStartingExactlyAtTheEndOfTheViewIsNoTag) {
  // The signature fills the file up to a page boundary, which the region ends at.
  std::vector<std::uint8_t> image = MinimalPe();
  const std::uint32_t entry = AppendSignature(image, static_cast<std::uint16_t>(2 * PageSize() - 0x400 - 12));
  ASSERT_EQ(image.size(), 2 * PageSize());
  file_.Write(image);
  tagging::TagExtractor extractor;
  ASSERT_TRUE(extractor.MapFile(file_.widePath()));
  ASSERT_EQ(extractor.viewSize, image.size());
  std::int32_t count = 0;
  EXPECT_FALSE(extractor.ReadTag(nullptr, &count));
  EXPECT_EQ(extractor.view.get() + extractor.viewSize, extractor.certificate + extractor.certificateSpan);
  EXPECT_EQ(extractor.certificate, extractor.view.get() + entry);
}

class TightViewTest : public TagExtractorTest {
 protected:
  void SetUp() override {
    TagExtractorTest::SetUp();
    fakes::FileMapping().tightViews = true;
  }
};

TEST_F(TightViewTest, ATagThatRunsPastTheEndIsNoTag) {
  const std::vector<std::uint8_t> full = TaggedImage("AFFILIATEID=abc");
  ASSERT_EQ(TagOf(full), "AFFILIATEID=abc");

  std::vector<std::uint8_t> longerThanTheFile = MinimalPe();
  AppendSignature(longerThanTheFile, 0x40);
  AppendTag(longerThanTheFile, 16, "AFFILIATEID=abc");
  EXPECT_EQ(TagOf(longerThanTheFile), "<no tag>");

  std::vector<std::uint8_t> longestText = MinimalPe();
  AppendSignature(longestText, 0x40);
  AppendTag(longestText, 0xFFFF, "A=1");
  EXPECT_EQ(TagOf(longestText), "<no tag>");

  std::vector<std::uint8_t> signatureBeyondTheEnd = MinimalPe();
  AppendSignature(signatureBeyondTheEnd, 0xFFFF);
  signatureBeyondTheEnd.resize(signatureBeyondTheEnd.size() - 0x8000);
  EXPECT_EQ(TagOf(signatureBeyondTheEnd), "<no tag>");
}

TEST_F(TightViewTest, EveryTruncationOfHeadersAndTagIsNoTag) {
  const std::vector<std::uint8_t> full = TaggedImage("AFFILIATEID=qzv2011aid31051en-US&AFFILIATEIDFLAGS=.0");
  for (std::size_t size = 1; size < full.size(); ++size) {
    fakes::FileMapping().files[u"truncated.exe"].assign(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(size));
    tagging::TagExtractor extractor;
    ASSERT_TRUE(extractor.MapFile(u"truncated.exe"));
    std::int32_t count = 0;
    ASSERT_FALSE(extractor.ReadTag(nullptr, &count)) << "truncated at " << size;
  }
  EXPECT_EQ(TagOf(full), "AFFILIATEID=qzv2011aid31051en-US&AFFILIATEIDFLAGS=.0");
}

TEST_F(TightViewTest, OffsetsPointingOutsideTheFileAreRejected) {
  const std::vector<std::uint8_t> full = TaggedImage("A=1");
  const auto size = static_cast<std::uint32_t>(full.size());
  struct Case {
    std::size_t field;
    std::uint32_t value;
  };
  for (const Case& c : {Case{0x3C, size}, Case{0x3C, size - 2}, Case{0x3C, 0xFFFFFFFF}, Case{0x3C, 0xFFFFFFFC},
                        Case{0x3C, 0x80000000}, Case{fakes::kSecurityDirectory, size},
                        Case{fakes::kSecurityDirectory, size - 4}, Case{fakes::kSecurityDirectory, 0xFFFFFFF8},
                        Case{fakes::kSecurityDirectory, 0xFFFFFFFF}, Case{fakes::kSecurityDirectory, 0xFFFFFFF4},
                        Case{fakes::kSecurityDirectory, 0x80000000}}) {
    std::vector<std::uint8_t> image = full;
    fakes::PutLittleEndian32(image, c.field, c.value);
    EXPECT_EQ(TagOf(image), "<no tag>") << std::hex << c.field << " = " << c.value;
  }
}

TEST_F(TightViewTest, HeadersThatEndWithTheFileAreNotReadPastIt) {
  // "PE\0\0" near the end: the security directory's address field lies partly or wholly past it.
  for (std::uint32_t missing : {1u, 2u, 4u, 0x20u}) {
    std::vector<std::uint8_t> image = TaggedImage("A=1");
    const auto peHeader = static_cast<std::uint32_t>(image.size());
    image.resize(peHeader + 0x98 + 4 - missing, 0);
    image[peHeader] = 'P';
    image[peHeader + 1] = 'E';
    fakes::PutLittleEndian32(image, 0x3C, peHeader);
    EXPECT_EQ(TagOf(image), "<no tag>") << "missing " << missing;
  }
  // A certificate entry whose DER header lacks its last byte at the end of the file.
  std::vector<std::uint8_t> image = MinimalPe();
  const auto entry = static_cast<std::uint32_t>(image.size());
  const std::uint8_t truncatedEntry[] = {0x10, 0, 0, 0, 0, 2, 2, 0, 0x30, 0x82, 0x00};
  image.insert(image.end(), std::begin(truncatedEntry), std::end(truncatedEntry));
  fakes::PutLittleEndian32(image, fakes::kSecurityDirectory, entry);
  EXPECT_EQ(TagOf(image), "<no tag>");
}

TEST_F(TightViewTest, AnEmptyFileCannotBeMapped) {
  file_.Write({});
  tagging::TagExtractor extractor;
  EXPECT_FALSE(extractor.MapFile(file_.widePath()));
  ExpectInitialState(extractor);
}

class MapFileFailureTest : public TagExtractorTest {};

TEST_F(MapFileFailureTest, EachFailingStepReleasesWhatWasAcquiredOnce) {
  struct Case {
    fakes::MappingStep step;
    std::vector<std::string> tail;
  };
  const std::vector<Case> cases = {
      {fakes::MappingStep::Open, {}},
      {fakes::MappingStep::FileSize, {"QueryFileSize", "CloseHandle file"}},
      {fakes::MappingStep::CreateMapping, {"QueryFileSize", "CreateReadOnlyMapping", "CloseHandle file"}},
      {fakes::MappingStep::MapView,
       {"QueryFileSize", "CreateReadOnlyMapping", "MapReadOnlyView", "CloseHandle mapping", "CloseHandle file"}},
      {fakes::MappingStep::QueryRegion,
       {"QueryFileSize", "CreateReadOnlyMapping", "MapReadOnlyView", "QueryRegionSize", "UnmapReadOnlyView",
        "CloseHandle mapping", "CloseHandle file"}},
  };
  file_.Write(TaggedImage("A=1"));
  for (const Case& c : cases) {
    fakes::ResetWorld();
    fakes::FileMapping().failingStep = c.step;
    std::vector<std::string> expected = {"OpenFileForReading " + file_.path().string()};
    expected.insert(expected.end(), c.tail.begin(), c.tail.end());
    {
      tagging::TagExtractor extractor;
      EXPECT_FALSE(extractor.MapFile(file_.widePath()));
      ExpectInitialState(extractor);
      EXPECT_EQ(fakes::OpenMappingObjects(), 0u);
      std::int32_t count = 0;
      EXPECT_FALSE(extractor.ReadTag(nullptr, &count));
    }
    EXPECT_EQ(fakes::Calls(), expected);
  }
}

TEST_F(MapFileFailureTest, AMissingFileFailsAndAFailureReleasesTheFileHeldBefore) {
  file_.Write(TaggedImage("A=1"));
  tagging::TagExtractor extractor;
  ASSERT_TRUE(extractor.MapFile(file_.widePath()));
  fakes::Calls().clear();
  EXPECT_FALSE(extractor.MapFile(u"/nonexistent/orvex/setup.exe"));
  EXPECT_EQ(fakes::Calls(), (std::vector<std::string>{"UnmapReadOnlyView", "CloseHandle mapping", "CloseHandle file",
                                                      "OpenFileForReading /nonexistent/orvex/setup.exe"}));
  ExpectInitialState(extractor);
  EXPECT_EQ(fakes::OpenMappingObjects(), 0u);
}

TEST_F(TagExtractorTest, MappingASecondFileReleasesTheFirstBeforeOpening) {
  TempFile second("second.exe");
  file_.Write(TaggedImage("first"));
  second.Write(TaggedImage("second"));
  tagging::TagExtractor extractor;
  ASSERT_TRUE(extractor.MapFile(file_.widePath()));
  fakes::Calls().clear();
  ASSERT_TRUE(extractor.MapFile(second.widePath()));
  const std::vector<std::string> expected = {"UnmapReadOnlyView", "CloseHandle mapping", "CloseHandle file",
                                             "OpenFileForReading " + second.path().string(),
                                             "QueryFileSize", "CreateReadOnlyMapping", "MapReadOnlyView",
                                             "QueryRegionSize"};
  EXPECT_EQ(fakes::Calls(), expected);
  EXPECT_EQ(fakes::OpenMappingObjects(), 3u);

  std::int32_t count = 0;
  ASSERT_TRUE(extractor.ReadTag(nullptr, &count));
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(count));
  ASSERT_TRUE(extractor.ReadTag(buffer.data(), &count));
  EXPECT_STREQ(reinterpret_cast<const char*>(buffer.data()), "second");
}

TEST_F(TagExtractorTest, UnmapAndDestructionReleaseEverythingOnce) {
  file_.Write(TaggedImage("A=1"));
  {
    tagging::TagExtractor extractor;
    ASSERT_TRUE(extractor.MapFile(file_.widePath()));
    fakes::Calls().clear();
    extractor.UnmapFile();
    extractor.UnmapFile();
    ExpectInitialState(extractor);
    EXPECT_EQ(fakes::Calls(),
              (std::vector<std::string>{"UnmapReadOnlyView", "CloseHandle mapping", "CloseHandle file"}));

    ASSERT_TRUE(extractor.MapFile(file_.widePath()));
    fakes::Calls().clear();
  }
  EXPECT_EQ(fakes::Calls(), (std::vector<std::string>{"UnmapReadOnlyView", "CloseHandle mapping", "CloseHandle file"}));
}

}  // namespace
