// Writes the committed seed inputs of the fuzz targets into <folder>/<target>/, from the same
// image helpers the host tests use: write_seeds tests/fuzz/seeds
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
  return 0;
}
