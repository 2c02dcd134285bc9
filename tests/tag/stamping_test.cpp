#include "tools/stamp/stamping.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <gtest/gtest.h>

#include "tag/tag_extractor.h"
#include "tag/tag_format.h"
#include "tests/fakes/world.h"
#include "tests/fakes/signed_image.h"
#include "tests/tag/temp_file.h"

namespace {

using stamping::Outcome;
using fakes::GetLittleEndian32;
using fakes::kSecurityDirectory;

constexpr char kText[] = "AFFILIATEID=qzv2011aid31051en-US&AFFILIATEIDFLAGS=.0";

// MinimalPe with a certificate entry the way signing tools write it: the table ends the file and
// the entry's length is the padded size of the table.
std::vector<std::uint8_t> SignedImage(std::uint16_t signatureLength = 0x59F) {
  std::vector<std::uint8_t> image = fakes::MinimalPe();
  fakes::AppendSignature(image, signatureLength);
  return image;
}

// The tag text as the setup program's reader finds it in the file.
std::string ReadBack(const std::vector<std::uint8_t>& image) {
  tagtest::TempFile file;
  file.Write(image);
  tagging::TagExtractor extractor;
  if (!extractor.MapFile(file.widePath())) return "<not mapped>";
  std::int32_t count = 0;
  if (!extractor.ReadTag(nullptr, &count)) return "<no tag>";
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(count));
  if (!extractor.ReadTag(buffer.data(), &count)) return "<copy failed>";
  return std::string(buffer.begin(), buffer.end() - 1);
}

TEST(StampTagTest, WritesTheBlockBehindThePaddedSignatureAndUpdatesBothLengths) {
  for (std::uint16_t signatureLength : {0x59F, 0x5A4, 0x1000, 0x13}) {
    std::vector<std::uint8_t> image = SignedImage(signatureLength);
    const std::uint32_t entry = GetLittleEndian32(image, kSecurityDirectory);
    const std::size_t tagOffset = image.size();
    ASSERT_EQ(stamping::StampTag(image, kText, false), Outcome::Done);

    // "Gact", the big-endian length 52, the text, zero padding up to a multiple of 8.
    ASSERT_EQ(image.size(), tagOffset + 64);
    EXPECT_EQ(std::string(image.begin() + static_cast<std::ptrdiff_t>(tagOffset),
                          image.begin() + static_cast<std::ptrdiff_t>(tagOffset) + 4),
              "Gact");
    EXPECT_EQ(image[tagOffset + 4], 0);
    EXPECT_EQ(image[tagOffset + 5], 52);
    EXPECT_EQ(std::string(image.begin() + static_cast<std::ptrdiff_t>(tagOffset) + 6, image.end() - 6), kText);
    EXPECT_EQ(std::vector<std::uint8_t>(image.end() - 6, image.end()), std::vector<std::uint8_t>(6, 0));
    EXPECT_EQ(GetLittleEndian32(image, entry), image.size() - entry);
    EXPECT_EQ(GetLittleEndian32(image, kSecurityDirectory + 4), image.size() - entry);
    EXPECT_EQ(GetLittleEndian32(image, kSecurityDirectory), entry);

    std::string text;
    EXPECT_EQ(stamping::ReadTagText(image, text), Outcome::Done);
    EXPECT_EQ(text, kText);
    EXPECT_EQ(ReadBack(image), kText);
  }
}

TEST(StampTagTest, TextsOfEveryLengthUpTo65535BytesRoundTrip) {
  for (std::size_t length : {0, 1, 2, 3, 7, 8, 9, 255, 256, 4096, 65535}) {
    // "AFFILIATEID=abc..." and empty "&" pieces, only "&" where that does not fit; a zero byte
    // in the middle of the longer ones.
    std::string text(length, '&');
    const std::size_t valueEnd = std::min<std::size_t>(length, 12 + tagging::kMaxTagValueLength);
    if (length > 12) text.replace(0, 12, "AFFILIATEID=");
    for (std::size_t i = 12; i < valueEnd; ++i) text[i] = static_cast<char>('a' + i % 26);
    if (length / 2 > valueEnd) text[length / 2] = '\0';
    std::vector<std::uint8_t> image = SignedImage();
    ASSERT_EQ(stamping::StampTag(image, text, false), Outcome::Done) << length;
    EXPECT_EQ(image.size() % 8, 0u);
    EXPECT_EQ(ReadBack(image), text) << length;
  }
}

TEST(StampTagTest, RefusalsLeaveTheImageUnchanged) {
  std::vector<std::uint8_t> notPe = SignedImage();
  notPe[0] = 'N';
  std::vector<std::uint8_t> longSignature = fakes::MinimalPe();
  fakes::AppendSignature(longSignature, 0x100, 0x83);
  std::vector<std::uint8_t> shortSignature = fakes::MinimalPe();
  fakes::AppendSignature(shortSignature, 0x40, 0x81);
  std::vector<std::uint8_t> tableNotAtTheEnd = SignedImage();
  tableNotAtTheEnd.resize(tableNotAtTheEnd.size() + 8, 0);
  std::vector<std::uint8_t> twoEntries = SignedImage();
  const std::uint32_t entry = GetLittleEndian32(twoEntries, kSecurityDirectory);
  fakes::AppendSignature(twoEntries, 0x40);
  fakes::PutLittleEndian32(twoEntries, kSecurityDirectory, entry);
  fakes::PutLittleEndian32(twoEntries, kSecurityDirectory + 4, static_cast<std::uint32_t>(twoEntries.size() - entry));
  std::vector<std::uint8_t> signatureLongerThanItsEntry = SignedImage(0x100);
  fakes::PutLittleEndian32(signatureLongerThanItsEntry, entry, 0x80);
  fakes::PutLittleEndian32(signatureLongerThanItsEntry, kSecurityDirectory + 4, 0x80);
  signatureLongerThanItsEntry.resize(entry + 0x80);
  std::vector<std::uint8_t> tagged = SignedImage();
  ASSERT_EQ(stamping::StampTag(tagged, "AFFILIATEID=1", false), Outcome::Done);
  std::vector<std::uint8_t> otherDataBehind = SignedImage();
  otherDataBehind.insert(otherDataBehind.end(), {1, 2, 3, 4, 5, 6, 7, 8});
  fakes::PutLittleEndian32(otherDataBehind, entry, static_cast<std::uint32_t>(otherDataBehind.size() - entry));
  fakes::PutLittleEndian32(otherDataBehind, kSecurityDirectory + 4,
                             static_cast<std::uint32_t>(otherDataBehind.size() - entry));

  // The entry lies between the DOS header and the PE header and runs to the end of the file, so
  // the tag's place lies before the PE header: cutting the file there would drop the fields the
  // tool then updates.
  std::vector<std::uint8_t> tableBeforeHeaders = fakes::MinimalPe();
  tableBeforeHeaders.resize(0x140);
  fakes::PutLittleEndian32(tableBeforeHeaders, kSecurityDirectory, 0x40);
  fakes::PutLittleEndian32(tableBeforeHeaders, kSecurityDirectory + 4, 0x100);
  fakes::PutLittleEndian32(tableBeforeHeaders, 0x40, 0x100);
  const std::uint8_t der[] = {0x30, 0x82, 0x00, 0x10};
  std::copy(std::begin(der), std::end(der), tableBeforeHeaders.begin() + 0x48);

  struct Case {
    std::string name;
    std::vector<std::uint8_t> image;
    std::string text;
    Outcome outcome;
    bool replace = false;
  };
  const std::vector<Case> cases = {
      {"not PE", notPe, kText, Outcome::NotPeImage},
      {"unsigned", fakes::MinimalPe(), kText, Outcome::Unsigned},
      {"0x30 0x83", longSignature, kText, Outcome::UnexpectedSignatureHeader},
      {"0x30 0x81", shortSignature, kText, Outcome::UnexpectedSignatureHeader},
      {"table not at the end", tableNotAtTheEnd, kText, Outcome::UnsupportedCertificateTable},
      {"two entries", twoEntries, kText, Outcome::UnsupportedCertificateTable},
      {"signature longer than its entry", signatureLongerThanItsEntry, kText, Outcome::UnsupportedCertificateTable},
      {"already tagged", tagged, kText, Outcome::AlreadyTagged},
      {"other data behind the signature", otherDataBehind, kText, Outcome::AlreadyTagged},
      {"text too long", SignedImage(), std::string(65536, 'x'), Outcome::TextTooLong},
      {"blank in the text", SignedImage(), "AFFILIATEID=hello world", Outcome::MalformedText},
      {"not NAME=VALUE", SignedImage(), "hello", Outcome::MalformedText},
      {"a property the tag may not set", SignedImage(), "AFFILIATEID=x&INSTALLDIR=C:\\evil", Outcome::MalformedText},
      {"table before the headers, replaced", tableBeforeHeaders, kText, Outcome::UnsupportedCertificateTable, true},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> image = c.image;
    EXPECT_EQ(stamping::StampTag(image, c.text, c.replace), c.outcome) << c.name;
    EXPECT_EQ(image, c.image) << c.name;
  }
}

TEST(StampTagTest, ReplaceDropsWhatStoodBehindTheSignature) {
  std::vector<std::uint8_t> image = SignedImage();
  const std::size_t untagged = image.size();
  ASSERT_EQ(stamping::StampTag(image, "AFFILIATEID=" + std::string(64, 'a'), false), Outcome::Done);
  ASSERT_EQ(stamping::StampTag(image, "AFFILIATEIDFLAGS=2", true), Outcome::Done);
  EXPECT_EQ(image.size(), untagged + 24);
  EXPECT_EQ(ReadBack(image), "AFFILIATEIDFLAGS=2");
  const std::uint32_t entry = GetLittleEndian32(image, kSecurityDirectory);
  EXPECT_EQ(GetLittleEndian32(image, entry), image.size() - entry);
  EXPECT_EQ(GetLittleEndian32(image, kSecurityDirectory + 4), image.size() - entry);
}

TEST(StampTagTest, PaddingAndZeroBytesBehindTheSignatureAreNotATag) {
  struct Case {
    std::string name;
    std::uint32_t entryLength;
    std::uint32_t tableSize;  // the file ends with the table
  };
  // The signature's DER block ends at 12 + 0x5A1 = 0x5AD; the tag belongs at 0x5B0.
  for (const Case& c : {Case{"unpadded, file ends with the signature", 0x5AD, 0x5AD},
                        Case{"unpadded entry, padded table", 0x5AD, 0x5B0},
                        Case{"eight zero bytes more", 0x5B8, 0x5B8}}) {
    std::vector<std::uint8_t> image = SignedImage(0x5A1);
    const std::uint32_t entry = GetLittleEndian32(image, kSecurityDirectory);
    image.resize(entry + c.tableSize, 0);
    fakes::PutLittleEndian32(image, entry, c.entryLength);
    fakes::PutLittleEndian32(image, kSecurityDirectory + 4, c.tableSize);
    ASSERT_EQ(stamping::StampTag(image, "AFFILIATEID=1", false), Outcome::Done) << c.name;
    EXPECT_EQ(image.size(), entry + 0x5B0 + 24) << c.name;
    EXPECT_EQ(GetLittleEndian32(image, entry), 0x5B0u + 24) << c.name;
    EXPECT_EQ(ReadBack(image), "AFFILIATEID=1") << c.name;
  }
}

TEST(PeChecksumTest, MatchesTheLoaderRule) {
  // Words 0x0201, 0x0403 (checksum field skipped), 0xFFFF, then the odd byte 0x07: the sum with the
  // carry folded back, plus the length.
  const std::vector<std::uint8_t> image = {1, 2, 3, 4, 0xAA, 0xBB, 0xCC, 0xDD, 0xFF, 0xFF, 7};
  const std::uint32_t sum = 0x0201 + 0x0403 + 0xFFFF + 0x0007;
  const std::uint32_t folded = (sum & 0xFFFF) + (sum >> 16);
  EXPECT_EQ(stamping::PeChecksum(image, 4), folded + 11);
}

TEST(StampTagTest, ANonZeroChecksumIsRecomputedAndAZeroOneKept) {
  std::vector<std::uint8_t> image = SignedImage();
  ASSERT_EQ(stamping::StampTag(image, "AFFILIATEID=1", false), Outcome::Done);
  EXPECT_EQ(GetLittleEndian32(image, fakes::kChecksumField), 0u);

  image = SignedImage();
  fakes::PutLittleEndian32(image, fakes::kChecksumField, 0x12345);
  ASSERT_EQ(stamping::StampTag(image, "AFFILIATEID=1", false), Outcome::Done);
  const std::uint32_t written = GetLittleEndian32(image, fakes::kChecksumField);
  EXPECT_NE(written, 0x12345u);
  EXPECT_EQ(written, stamping::PeChecksum(image, fakes::kChecksumField));
}

struct CommandResult {
  int exitCode = -1;
  std::string output;
};

CommandResult RunCommand(const std::string& command) {
  CommandResult result;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return result;
  char chunk[4096];
  std::size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) result.output.append(chunk, got);
  const int status = ::pclose(pipe);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string Stamp(const std::string& arguments) { return std::string(ORVEX_STAMP_TOOL) + " " + arguments; }

TEST(StampToolTest, StampsReadsAndRefusesWithItsExitCodes) {
  tagtest::TempFile file;
  const std::string path = file.path().string();
  file.Write(SignedImage());

  EXPECT_EQ(RunCommand(Stamp("")).exitCode, 2);
  EXPECT_EQ(RunCommand(Stamp("--bogus " + path + " AFFILIATEID=1")).exitCode, 2);
  EXPECT_EQ(RunCommand(Stamp("--read " + path + " extra")).exitCode, 2);
  EXPECT_EQ(RunCommand(Stamp("--read " + path)).exitCode, 9);
  EXPECT_EQ(RunCommand(Stamp(path + ".missing AFFILIATEID=1")).exitCode, 1);

  ASSERT_EQ(RunCommand(Stamp(path + " '" + std::string(kText) + "'")).exitCode, 0);
  const CommandResult read = RunCommand(Stamp("--read " + path));
  EXPECT_EQ(read.exitCode, 0);
  EXPECT_EQ(read.output, std::string(kText) + "\n");
  EXPECT_EQ(ReadBack(file.Read()), kText);

  const std::vector<std::uint8_t> stamped = file.Read();
  EXPECT_EQ(RunCommand(Stamp(path + " AFFILIATEID=other")).exitCode, 7);
  EXPECT_EQ(file.Read(), stamped);
  EXPECT_FALSE(std::filesystem::exists(path + ".stamp-tmp"));

  EXPECT_EQ(RunCommand(Stamp("--replace " + path + " AFFILIATEID=other")).exitCode, 0);
  EXPECT_EQ(ReadBack(file.Read()), "AFFILIATEID=other");

  const std::string copy = path + ".copy";
  tagtest::TempFile textFile("text.bin");
  const std::string withZero("AFFILIATEID=x\0\xE9", 15);
  textFile.Write(std::vector<std::uint8_t>(withZero.begin(), withZero.end()));
  EXPECT_EQ(RunCommand(Stamp("--replace --output " + copy + " --text-file " + textFile.path().string() + " " + path)).exitCode,
            0);
  EXPECT_EQ(ReadBack(file.Read()), "AFFILIATEID=other");
  tagtest::TempFile copied;
  std::filesystem::copy_file(copy, copied.path());
  const std::vector<std::uint8_t> copyBytes = copied.Read();
  std::string text;
  EXPECT_EQ(stamping::ReadTagText(copyBytes, text), Outcome::Done);
  EXPECT_EQ(text, withZero);

  const CommandResult refused = RunCommand(Stamp("--replace " + path + " 'AFFILIATEID=x&AFFILIATEIDFLAGS='"));
  EXPECT_EQ(refused.exitCode, 10);
  EXPECT_NE(refused.output.find("piece 2 \"AFFILIATEIDFLAGS=\": an empty value"), std::string::npos) << refused.output;
  EXPECT_EQ(ReadBack(file.Read()), "AFFILIATEID=other");
  // A tag changed behind the tool's back is still shown, with the exit code of a refused text.
  std::vector<std::uint8_t> changed = file.Read();
  const auto equals = std::find(changed.rbegin(), changed.rend(), '=');
  ASSERT_NE(equals, changed.rend());
  *equals = ' ';
  file.Write(changed);
  const CommandResult ignored = RunCommand(Stamp("--read " + path));
  EXPECT_EQ(ignored.exitCode, 10);
  EXPECT_EQ(ignored.output.rfind("AFFILIATEID other\norvex-stamp: ", 0), 0u) << ignored.output;
  EXPECT_NE(ignored.output.find("the setup ignores this tag"), std::string::npos) << ignored.output;

  file.Write(fakes::MinimalPe());
  EXPECT_EQ(RunCommand(Stamp(path + " AFFILIATEID=1")).exitCode, 4);
  EXPECT_EQ(RunCommand(Stamp("--read " + path)).exitCode, 4);
  file.Write({'M', 'Z'});
  EXPECT_EQ(RunCommand(Stamp(path + " AFFILIATEID=1")).exitCode, 3);
}

// A text length that runs past the end of the file into the rest of its last page, which the
// setup's view shows as zeros: the setup ignores the tag exactly when the tool finds none.
TEST(StampToolTest, TheSetupAndTheToolEndTheTagWhereTheFileEnds) {
  const std::string text = "AFFILIATEID=pasteof";
  std::vector<std::uint8_t> exact = SignedImage();
  fakes::AppendTag(exact, text);
  const auto pageSize = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  const std::size_t restOfPage = pageSize - exact.size() % pageSize;
  tagtest::TempFile file;
  for (const std::size_t overrun : {std::size_t{0}, std::size_t{1}, restOfPage}) {
    std::vector<std::uint8_t> image = SignedImage();
    fakes::AppendTag(image, static_cast<std::uint16_t>(text.size() + overrun), text);
    file.Write(image);
    const CommandResult read = RunCommand(Stamp("--read " + file.path().string()));
    EXPECT_EQ(read.exitCode, overrun == 0 ? 0 : 9) << overrun << ": " << read.output;
    EXPECT_EQ(ReadBack(image), overrun == 0 ? text : "<no tag>") << overrun;
  }
}

TEST(StampToolTest, AFolderInPlaceOfAFileIsAFileError) {
  tagtest::TempFile file;
  file.Write(SignedImage());
  const std::vector<std::uint8_t> before = file.Read();
  const std::string path = file.path().string();
  const std::string folder = file.path().parent_path().string();
  for (const std::string& arguments : {folder + " AFFILIATEID=1", "--read " + folder, "--text-file " + folder + " " + path}) {
    const CommandResult result = RunCommand(Stamp(arguments));
    EXPECT_EQ(result.exitCode, 1) << arguments;
    EXPECT_EQ(result.output, "orvex-stamp: " + folder + ": is a folder, not a file\n") << arguments;
  }
  EXPECT_EQ(file.Read(), before);
}

TEST(StampToolTest, PlantedLinksDevicesAndControlCharactersGetNoHold) {
  tagtest::TempFile file;
  file.Write(SignedImage());
  const std::string path = file.path().string();
  const std::filesystem::path folder = file.path().parent_path();
  const std::vector<std::uint8_t> before = file.Read();

  // A link planted where the new file is written: its target stays as it was, the file too.
  tagtest::TempFile victim("victim.bin");
  victim.Write({'v'});
  std::filesystem::create_symlink(victim.path(), path + ".stamp-tmp");
  EXPECT_EQ(RunCommand(Stamp(path + " AFFILIATEID=1")).exitCode, 1);
  EXPECT_EQ(victim.Read(), std::vector<std::uint8_t>{'v'});
  EXPECT_EQ(file.Read(), before);
  std::filesystem::remove(path + ".stamp-tmp");

  // A link as OUT is refused, not replaced or written through.
  const std::string out = (folder / "out.exe").string();
  std::filesystem::create_symlink(victim.path(), out);
  EXPECT_EQ(RunCommand(Stamp("--output " + out + " " + path + " AFFILIATEID=1")).exitCode, 1);
  EXPECT_TRUE(std::filesystem::is_symlink(out));
  EXPECT_EQ(victim.Read(), std::vector<std::uint8_t>{'v'});

  // An endless device or a FIFO without writer is refused at once as the text file, as FILE and
  // as the file to read; a tool that waits on it instead is killed after 10 s (exit 137).
  const std::string fifo = (folder / "fifo").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& device : {std::string("/dev/zero"), fifo}) {
    for (const std::string& arguments :
         {"--text-file " + device + " " + path, device + " AFFILIATEID=1", "--read " + device}) {
      const CommandResult result = RunCommand("timeout -s KILL 10 " + Stamp(arguments));
      EXPECT_EQ(result.exitCode, 1) << arguments;
      EXPECT_EQ(result.output, "orvex-stamp: " + device + ": not a readable regular file\n") << arguments;
    }
  }
  EXPECT_EQ(file.Read(), before);
  std::filesystem::remove(fifo);

  // A tag's terminal escape sequences are printed as text.
  std::vector<std::uint8_t> image = SignedImage();
  const std::vector<std::uint8_t> block = tagging::EncodeTagBlock("AFFILIATEID=\x1b]2;x\x07\\");
  image.insert(image.end(), block.begin(), block.end());
  file.Write(image);
  const CommandResult read = RunCommand(Stamp("--read " + path));
  EXPECT_EQ(read.exitCode, 10);
  EXPECT_EQ(read.output.rfind("AFFILIATEID=\\x1b]2;x\\x07\\x5c\n", 0), 0u) << read.output;
}

bool HaveProgram(const std::string& name) { return RunCommand("command -v " + name).exitCode == 0; }

TEST(StampToolTest, TheStampedSignatureStillVerifies) {
  if (!HaveProgram("osslsigncode") || !HaveProgram("openssl")) GTEST_SKIP() << "osslsigncode or openssl missing";
  tagtest::TempFile unsignedFile("unsigned.exe");
  unsignedFile.Write(fakes::MinimalPe());
  const std::filesystem::path folder = unsignedFile.path().parent_path();
  const std::string key = (folder / "key.pem").string();
  const std::string certificate = (folder / "cert.pem").string();
  const std::string signedPath = (folder / "signed.exe").string();
  ASSERT_EQ(RunCommand("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=OrvexStampTest -addext "
                "extendedKeyUsage=codeSigning -keyout " + key + " -out " + certificate)
                .exitCode,
            0);
  ASSERT_EQ(RunCommand("osslsigncode sign -certs " + certificate + " -key " + key + " -h sha256 -in " +
                unsignedFile.path().string() + " -out " + signedPath)
                .exitCode,
            0);
  const std::string verify = "osslsigncode verify -CAfile " + certificate + " -in " + signedPath;
  ASSERT_EQ(RunCommand(verify).exitCode, 0);

  ASSERT_EQ(RunCommand(Stamp(signedPath + " '" + std::string(kText) + "'")).exitCode, 0);
  const CommandResult verified = RunCommand(verify);
  EXPECT_EQ(verified.exitCode, 0) << verified.output;
  EXPECT_NE(verified.output.find("Signature verification: ok"), std::string::npos) << verified.output;
  EXPECT_EQ(verified.output.find("invalid PE checksum"), std::string::npos) << verified.output;

  std::vector<std::uint8_t> stamped;
  {
    std::ifstream in(signedPath, std::ios::binary);
    stamped.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  EXPECT_EQ(ReadBack(stamped), kText);

  ASSERT_EQ(RunCommand(Stamp("--replace " + signedPath + " 'AFFILIATEID=z" + std::string(3000, '&') + "'")).exitCode, 0);
  EXPECT_EQ(RunCommand(verify).exitCode, 0);
}

}  // namespace
