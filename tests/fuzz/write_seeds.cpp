// Writes the committed seed inputs of the fuzz targets into <folder>/<target>/, from the same
// image helpers the host tests use: write_seeds tests/fuzz/seeds
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "tests/fakes/signed_image.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::filesystem::path root;

void Write(const std::string& target, const std::string& name, const Bytes& bytes) {
  std::filesystem::create_directories(root / target);
  std::ofstream out(root / target / name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes Text(std::string_view text) { return Bytes(text.begin(), text.end()); }

// UTF-16 little-endian; "|" stands for a zero code unit (the command-line target's separator).
Bytes Utf16(std::u16string_view text, std::uint8_t prefix = 0, bool withPrefix = false) {
  Bytes bytes;
  if (withPrefix) bytes.push_back(prefix);
  for (char16_t c : text) {
    if (c == u'|') c = 0;
    bytes.push_back(static_cast<std::uint8_t>(c));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return bytes;
}

Bytes SignedImage(std::uint16_t signatureLength) {
  Bytes image = fakes::MinimalPe();
  fakes::AppendSignature(image, signatureLength);
  return image;
}

Bytes Tagged(std::uint16_t signatureLength, std::string_view text) {
  Bytes image = SignedImage(signatureLength);
  fakes::AppendTag(image, text);
  return image;
}

// The stamp target's input: flags, text length, text, image.
Bytes StampInput(std::uint8_t flags, std::string_view text, const Bytes& image) {
  Bytes input = {flags, static_cast<std::uint8_t>(text.size())};
  input.insert(input.end(), text.begin(), text.end());
  input.insert(input.end(), image.begin(), image.end());
  return input;
}

// MinimalPe with a resource section: RCDATA "MSI" and manifest 1 (requireAdministrator), both
// in language 1033, as the resource compiler lays them out.
Bytes WithResources() {
  Bytes image = fakes::MinimalPe();
  image.resize(0x600, 0);
  const std::size_t fileHeader = fakes::kPeHeader + 4;
  const std::size_t optional = fileHeader + 20;
  image[fileHeader + 2] = 2;                                    // two sections
  fakes::PutLittleEndian32(image, optional + 56, 0x3000);       // size of image
  fakes::PutLittleEndian32(image, optional + 96 + 16, 0x2000);  // the resource table
  fakes::PutLittleEndian32(image, optional + 96 + 20, 0x140);
  const std::size_t section = optional + 0xE0 + 40;
  const std::string_view name = ".rsrc";
  std::copy(name.begin(), name.end(), image.begin() + static_cast<std::ptrdiff_t>(section));
  fakes::PutLittleEndian32(image, section + 8, 0x140);
  fakes::PutLittleEndian32(image, section + 12, 0x2000);
  fakes::PutLittleEndian32(image, section + 16, 0x200);
  fakes::PutLittleEndian32(image, section + 20, 0x400);
  const std::size_t r = 0x400;
  // Directories (named and numbered entry counts at 12 and 14, entries from 16), data entries.
  auto directory = [&](std::size_t at, bool named, std::uint32_t key, std::uint32_t target) {
    image[r + at + (named ? 12 : 14)] = 1;
    fakes::PutLittleEndian32(image, r + at + 16, key);
    fakes::PutLittleEndian32(image, r + at + 20, target);
  };
  image[r + 14] = 2;
  fakes::PutLittleEndian32(image, r + 16, 10);
  fakes::PutLittleEndian32(image, r + 20, 0x80000020);
  fakes::PutLittleEndian32(image, r + 24, 24);
  fakes::PutLittleEndian32(image, r + 28, 0x80000060);
  directory(0x20, true, 0x800000C0, 0x80000040);
  directory(0x40, false, 1033, 0xA0);
  directory(0x60, false, 1, 0x80000080);
  directory(0x80, false, 1033, 0xB0);
  const std::string_view package = "a main package";
  const std::string_view manifest = "<requestedExecutionLevel level=\"requireAdministrator\"/>";
  fakes::PutLittleEndian32(image, r + 0xA0, 0x20D0);
  fakes::PutLittleEndian32(image, r + 0xA4, static_cast<std::uint32_t>(package.size()));
  fakes::PutLittleEndian32(image, r + 0xB0, 0x2100);
  fakes::PutLittleEndian32(image, r + 0xB4, static_cast<std::uint32_t>(manifest.size()));
  const Bytes msiName = Utf16(u"\x03MSI");
  std::copy(msiName.begin(), msiName.end(), image.begin() + static_cast<std::ptrdiff_t>(r + 0xC0));
  std::copy(package.begin(), package.end(), image.begin() + static_cast<std::ptrdiff_t>(r + 0xD0));
  std::copy(manifest.begin(), manifest.end(), image.begin() + static_cast<std::ptrdiff_t>(r + 0x100));
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  root = argv[1];
  const std::string_view tag = "AFFILIATEID=qzv2011aid31051en-US&AFFILIATEIDFLAGS=.0";

  Write("tag_reader", "tagged.exe", Tagged(0x40, tag));
  Write("tag_reader", "zero-in-text.exe", Tagged(0x45, std::string_view("A=1\0B=2", 7)));
  Write("tag_reader", "signed-untagged.exe", SignedImage(0x40));
  // A text length that runs past the end of the file into the rest of its last page.
  Bytes pastTheEnd = SignedImage(0x40);
  fakes::AppendTag(pastTheEnd, 0x40, "AFFILIATEID=pasteof");
  Write("tag_reader", "length-past-the-end.exe", pastTheEnd);

  Bytes withChecksum = SignedImage(0x40);
  fakes::PutLittleEndian32(withChecksum, fakes::kChecksumField, 0x1234);
  Write("stamp", "fresh.bin", StampInput(0, tag, SignedImage(0x40)));
  Write("stamp", "replace.bin", StampInput(1, "AFFILIATEIDFLAGS=2", Tagged(0x40, tag)));
  Write("stamp", "checksum.bin", StampInput(2, "", withChecksum));

  Write("affiliate_tag", "default.txt", Text(tag));
  Write("affiliate_tag", "pieces.txt", Text("&A_1=1.5&&B=x\xE9y&"));
  Write("affiliate_tag", "blank.txt", Text("AFFILIATEID=hello world"));
  // The attacks the form check stops: a property the package trusts, a value that swallows the
  // next property, a property set twice, an overlong value.
  Write("affiliate_tag", "install-dir.txt", Text("AFFILIATEID=x&INSTALLDIR=C:\\ProgramData\\evil\\"));
  Write("affiliate_tag", "patch.txt", Text("AFFILIATEID=x&PATCH=C:\\evil.msp&TRANSFORMS=x"));
  Write("affiliate_tag", "empty-value.txt", Text("AFFILIATEIDFLAGS=&AFFILIATEID=x"));
  Write("affiliate_tag", "twice.txt", Text("AFFILIATEID=x&AFFILIATEID=y"));
  Write("affiliate_tag", "long-value.txt", Text("AFFILIATEID=" + std::string(65, 'v')));

  Write("command_line", "silent.bin", Utf16(u"setup.exe|/SILENT|/language|de-DE;en-US;|/logbp|C:\\l.log", 0, true));
  Write("command_line", "props.bin", Utf16(u"setup.exe|/lpprops|A=1|B=2|/bpprops|/reducedui|/x", 1, true));
  Write("command_line", "console.bin", Utf16(u"setup.exe|/foo|/supportedlang|--force-shell-restart", 3, true));

  Write("version_string", "product.txt", Utf16(u"10.0.3000.101"));
  Write("version_string", "odd.txt", Utf16(u" +9.-1.65535x"));
  Write("version_string", "long.txt", Utf16(u"10.0.3000.101.1234567890123456789"));

  Write("url_escape", "mixed.txt", Utf16(u"qzv2011 10.0_~\x01\xE9\xD83D\xDE00"));
  Write("registry_text", "value.bin", Utf16(u"{D3742F82-1C1A-4DCC-ABBD-0E7C3C0185CC}|x"));
  Write("registry_text", "odd.bin", Bytes{'A', 0, 'B'});

  Write("pe_resources", "resources.exe", WithResources());
  Write("pe_resources", "no-resources.exe", SignedImage(0x40));
  Write("batch_list", "two.txt",
        Text("acme\thttps://downloads.acme.example/orvex/setup.exe\t" + std::string(tag) +
             "\r\nBeta_2\thttps://beta.example/s?id=1\tAFFILIATEID=x\n\n"));
  Write("batch_list", "bad-name.txt", Text("../up\thttps://x.example/s.exe\tAFFILIATEID=1\n"));
  Write("batch_list", "twice.txt", Text("a\thttps://x.example/1\tAFFILIATEID=1\nA\thttps://x.example/2\tAFFILIATEID=2\n"));
  Write("batch_list", "quoted.txt", Text("b\thttps://x.example/a\"b c\tAFFILIATEID=1&INSTALLDIR=C:\xC3\xBC\n"));
  return 0;
}
