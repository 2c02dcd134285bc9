// orvex-stamp: writes the affiliate tag into a signed setup executable, or reads it back.
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tag/tag_format.h"
#include "tools/stamp/deployment.h"
#include "tools/stamp/files.h"
#include "tools/stamp/stamping.h"

namespace {

using stamping::IsFolder;
using stamping::Outcome;

constexpr char kUsage[] =
    "Usage:\n"
    "  orvex-stamp [--replace] [--output OUT] FILE TEXT\n"
    "  orvex-stamp [--replace] [--output OUT] --text-file TEXTFILE FILE\n"
    "  orvex-stamp --read FILE\n"
    "  orvex-stamp --metadata --download-url URL FILE\n"
    "  orvex-stamp --batch LIST --output-dir DIR FILE\n"
    "  orvex-stamp --main-package OUT FILE\n"
    "\n"
    "Writes the affiliate tag TEXT (or the bytes of TEXTFILE) behind the Authenticode signature\n"
    "of the signed setup executable FILE, in place or into OUT, and updates the certificate\n"
    "entry's length, the security directory's size and the PE checksum, so that the signature\n"
    "still verifies. The text is written as it is: \"&\" separates installer properties, \".\"\n"
    "stands for \"#\", for example AFFILIATEID=abc&AFFILIATEIDFLAGS=.0\n"
    "The setup reads the text up to its first zero byte and ignores a tag whose text is not a list\n"
    "of NAME=VALUE properties it allows; such a text is refused here.\n"
    "--read prints the tag text of FILE, control characters and bytes from 0x80 up as \\xNN (and\n"
    "ends with exit code 10 when the setup ignores it).\n"
    "OUT (and FILE when written in place) must not be a symbolic link.\n"
    "Windows with the certificate padding check on (EnableCertPaddingCheck=1) takes a file\n"
    "with bytes behind its signature for unsigned.\n"
    "\n"
    "--metadata writes the deployment metadata of the signed, tagged FILE beside it: the winget\n"
    "manifest in <stem>.winget/ and the Intune application in <stem>.deployment.json, from FILE's\n"
    "SHA-256 and the facts of its main package in <stem>.package-facts (which the build writes\n"
    "with packages/tools/read_package_facts.py and which must describe the package FILE carries).\n"
    "URL is the address FILE is published at (https).\n"
    "--batch makes one copy of FILE per line of LIST, NAME<TAB>DOWNLOAD URL<TAB>TAG TEXT:\n"
    "DIR/NAME/<FILE's name> with that tag in place of FILE's, its metadata beside it, and then\n"
    "DIR/SHA256SUMS. NAME is 1 to 64 letters, digits, \"-\" and \"_\". Every line is checked, and\n"
    "no DIR/NAME may exist, before anything is written; a failure later removes what was written.\n"
    "--main-package writes the package FILE carries as its resource \"MSI\" to the new file OUT.\n"
    "\n"
    "Exit codes:\n"
    "  0  done\n"
    "  1  a file cannot be read or written, is a folder, a link (OUT) or not a regular file (FILE, TEXTFILE)\n"
    "  2  wrong arguments\n"
    "  3  FILE is not a PE image\n"
    "  4  FILE is not signed\n"
    "  5  the signature's length is not in the two-byte DER form (0x30 0x82)\n"
    "  6  the certificate table is damaged, holds more than one entry, lies inside the headers or\n"
    "     does not end the file\n"
    "  7  FILE already carries a tag (or other data behind its signature) and --replace is missing\n"
    "  8  the text is longer than 65535 bytes\n"
    "  9  (--read) FILE carries no tag\n"
    "  10 the text is not a list of NAME=VALUE properties separated by \"&\" (NAME one of the\n"
    "     properties the setup allows, each once; VALUE 1 to 64 letters, digits, \"-\", \"_\" and\n"
    "     \".\"); with --read: the tag is printed, but the setup ignores it\n"
    "  11 FILE carries no main package, or its package facts are missing, malformed or not those\n"
    "     of that package\n"
    "  12 the download address or a line of LIST is refused (the line's number is named); nothing\n"
    "     is written\n";

struct Arguments {
  bool read = false;
  bool replace = false;
  bool metadata = false;
  std::optional<std::string> output;
  std::optional<std::string> textFile;
  std::optional<std::string> downloadUrl;
  std::optional<std::string> batch;
  std::optional<std::string> outputDir;
  std::optional<std::string> mainPackage;
  std::vector<std::string> positional;
};

std::optional<Arguments> Parse(int argc, char** argv) {
  Arguments arguments;
  const std::pair<std::string_view, std::optional<std::string> Arguments::*> valued[] = {
      {"--output", &Arguments::output},
      {"--text-file", &Arguments::textFile},
      {"--download-url", &Arguments::downloadUrl},
      {"--batch", &Arguments::batch},
      {"--output-dir", &Arguments::outputDir},
      {"--main-package", &Arguments::mainPackage},
  };
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    std::optional<std::string> Arguments::*option = nullptr;
    for (const auto& [name, member] : valued) {
      if (argument == name) option = member;
    }
    if (argument == "--read") {
      arguments.read = true;
    } else if (argument == "--replace") {
      arguments.replace = true;
    } else if (argument == "--metadata") {
      arguments.metadata = true;
    } else if (option != nullptr && i + 1 < argc) {
      arguments.*option = argv[++i];
    } else if (argument == "--") {
      for (++i; i < argc; ++i) arguments.positional.emplace_back(argv[i]);
    } else if (argument.size() > 1 && argument[0] == '-') {
      return std::nullopt;
    } else {
      arguments.positional.emplace_back(argument);
    }
  }
  const bool stamps = arguments.replace || arguments.output || arguments.textFile;
  const int modes = arguments.read + arguments.metadata + arguments.batch.has_value() + arguments.mainPackage.has_value();
  if (modes > 1 || (modes == 1 && stamps)) return std::nullopt;
  if (arguments.metadata != arguments.downloadUrl.has_value()) return std::nullopt;
  if (arguments.batch.has_value() != arguments.outputDir.has_value()) return std::nullopt;
  const std::size_t wanted = modes == 1 || arguments.textFile ? 1 : 2;
  if (arguments.positional.size() != wanted) return std::nullopt;
  return arguments;
}

// Bytes a terminal would act on, and the escape character itself, as \xNN.
std::string Printable(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string printable;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
      printable += c;
    } else {
      printable += "\\x";
      printable += kHex[byte >> 4];
      printable += kHex[byte & 0xF];
    }
  }
  return printable;
}

int Fail(Outcome outcome, const std::string& what) {
  std::fprintf(stderr, "orvex-stamp: %s: %s\n", what.c_str(), std::string(stamping::Describe(outcome)).c_str());
  return static_cast<int>(outcome);
}

// Which piece of the text the setup would refuse, and why.
int FailText(const std::string& what, std::string_view text) {
  const tagging::TagTextCheck check = tagging::CheckTagText(text);
  std::fprintf(stderr, "orvex-stamp: %s: piece %zu \"%s\": %s\n", what.c_str(), check.pieceNumber,
               Printable(check.piece).c_str(), std::string(tagging::DescribeTagTextFault(check.fault)).c_str());
  return static_cast<int>(Outcome::MalformedText);
}

int FailFile(const std::string& path) {
  if (!IsFolder(path)) return Fail(Outcome::FileError, path);
  std::fprintf(stderr, "orvex-stamp: %s: is a folder, not a file\n", path.c_str());
  return static_cast<int>(Outcome::FileError);
}

int FailRead(const std::string& path) {
  if (IsFolder(path)) return FailFile(path);
  std::fprintf(stderr, "orvex-stamp: %s: not a readable regular file\n", path.c_str());
  return static_cast<int>(Outcome::FileError);
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<Arguments> arguments = Parse(argc, argv);
  if (!arguments) {
    std::fputs(kUsage, stderr);
    return static_cast<int>(Outcome::Usage);
  }
  const std::string& file = arguments->positional[0];
  if (arguments->metadata) return stamping::WriteMetadataBeside(file, *arguments->downloadUrl);
  if (arguments->batch) return stamping::StampBatch(*arguments->batch, *arguments->outputDir, file);
  if (arguments->mainPackage) return stamping::WriteMainPackage(file, *arguments->mainPackage);
  std::vector<std::uint8_t> image;
  if (!stamping::ReadRegularFile(file, image)) return FailRead(file);

  if (arguments->read) {
    std::string text;
    const Outcome outcome = stamping::ReadTagText(image, text);
    if (outcome != Outcome::Done) return Fail(outcome, file);
    std::fputs((Printable(text) + "\n").c_str(), stdout);
    std::fflush(stdout);  // the text before the warning, also when both go to one pipe
    if (!tagging::IsWellFormedTagText(text)) return FailText(file + ": the setup ignores this tag", text);
    return 0;
  }

  std::string text;
  if (arguments->textFile) {
    // One byte over the limit, so that a longer text is still seen as such.
    std::vector<std::uint8_t> bytes;
    if (!stamping::ReadRegularFile(*arguments->textFile, bytes, tagging::kMaxTagTextSize + 1)) {
      return FailRead(*arguments->textFile);
    }
    text.assign(bytes.begin(), bytes.end());
  } else {
    text = arguments->positional[1];
  }
  const std::string target = arguments->output.value_or(file);
  if (stamping::IsLink(target)) {
    std::fprintf(stderr, "orvex-stamp: %s: is a symbolic link; name the file itself\n", target.c_str());
    return static_cast<int>(Outcome::FileError);
  }
  const Outcome outcome = stamping::StampTag(image, text, arguments->replace);
  if (outcome == Outcome::MalformedText) return FailText(file, text);
  if (outcome != Outcome::Done) return Fail(outcome, file);
  if (!stamping::WriteWholeFile(target, image, file)) return FailFile(target);
  return 0;
}
