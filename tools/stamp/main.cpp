// orvex-stamp: writes the affiliate tag into a signed setup executable, or reads it back.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "tag/tag_format.h"
#include "tools/stamp/stamping.h"

namespace {

using stamping::Outcome;

constexpr char kUsage[] =
    "Usage:\n"
    "  orvex-stamp [--replace] [--output OUT] FILE TEXT\n"
    "  orvex-stamp [--replace] [--output OUT] --text-file TEXTFILE FILE\n"
    "  orvex-stamp --read FILE\n"
    "\n"
    "Writes the affiliate tag TEXT (or the bytes of TEXTFILE) behind the Authenticode signature\n"
    "of the signed setup executable FILE, in place or into OUT, and updates the certificate\n"
    "entry's length, the security directory's size and the PE checksum, so that the signature\n"
    "still verifies. The text is written as it is: \"&\" separates installer properties, \".\"\n"
    "stands for \"#\", for example AFFILIATEID=abc&AFFILIATEIDFLAGS=.0\n"
    "The setup reads the text up to its first zero byte and ignores a tag whose text is not a list\n"
    "of NAME=VALUE properties; such a text is refused here.\n"
    "--read prints the tag text of FILE (and ends with exit code 10 when the setup ignores it).\n"
    "Windows with the certificate padding check on (EnableCertPaddingCheck=1) takes a file\n"
    "with bytes behind its signature for unsigned.\n"
    "\n"
    "Exit codes:\n"
    "  0  done\n"
    "  1  a file cannot be read or written (or is a folder)\n"
    "  2  wrong arguments\n"
    "  3  FILE is not a PE image\n"
    "  4  FILE is not signed\n"
    "  5  the signature's length is not in the two-byte DER form (0x30 0x82)\n"
    "  6  the certificate table is damaged, holds more than one entry, lies inside the headers or\n"
    "     does not end the file\n"
    "  7  FILE already carries a tag (or other data behind its signature) and --replace is missing\n"
    "  8  the text is longer than 65535 bytes\n"
    "  9  (--read) FILE carries no tag\n"
    "  10 the text is not a list of NAME=VALUE properties separated by \"&\" (NAME of A-Z, 0-9\n"
    "     and _ beginning with a letter; VALUE without blanks, quotes or control characters);\n"
    "     with --read: the tag is printed, but the setup ignores it\n";

struct Arguments {
  bool read = false;
  bool replace = false;
  std::optional<std::string> output;
  std::optional<std::string> textFile;
  std::vector<std::string> positional;
};

std::optional<Arguments> Parse(int argc, char** argv) {
  Arguments arguments;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--read") {
      arguments.read = true;
    } else if (argument == "--replace") {
      arguments.replace = true;
    } else if ((argument == "--output" || argument == "--text-file") && i + 1 < argc) {
      (argument == "--output" ? arguments.output : arguments.textFile) = argv[++i];
    } else if (argument == "--") {
      for (++i; i < argc; ++i) arguments.positional.emplace_back(argv[i]);
    } else if (argument.size() > 1 && argument[0] == '-') {
      return std::nullopt;
    } else {
      arguments.positional.emplace_back(argument);
    }
  }
  const std::size_t wanted = arguments.read || arguments.textFile ? 1 : 2;
  if (arguments.positional.size() != wanted) return std::nullopt;
  if (arguments.read && (arguments.replace || arguments.output || arguments.textFile)) return std::nullopt;
  return arguments;
}

bool IsFolder(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_directory(path, error);
}

// False for a folder and for anything that cannot be read to its end. The stream buffer throws
// when a read fails (as reading a folder does), so that is caught here too.
bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
  if (IsFolder(path)) return false;
  try {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
  } catch (const std::exception&) {
    return false;
  }
}

// Writes through a temporary file beside the target and a rename, so that a failed write never
// leaves a half-written executable; the target keeps the permissions of `model`.
bool WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes, const std::string& model) {
  const std::string temporary = path + ".stamp-tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      return false;
    }
  }
  std::error_code error;
  const auto permissions = std::filesystem::status(model, error).permissions();
  if (!error) std::filesystem::permissions(temporary, permissions, error);
  std::filesystem::rename(temporary, path, error);
  if (error) std::filesystem::remove(temporary, error);
  return !error;
}

int Fail(Outcome outcome, const std::string& what) {
  std::fprintf(stderr, "orvex-stamp: %s: %s\n", what.c_str(), std::string(stamping::Describe(outcome)).c_str());
  return static_cast<int>(outcome);
}

int FailFile(const std::string& path) {
  if (!IsFolder(path)) return Fail(Outcome::FileError, path);
  std::fprintf(stderr, "orvex-stamp: %s: is a folder, not a file\n", path.c_str());
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
  std::vector<std::uint8_t> image;
  if (!ReadWholeFile(file, image)) return FailFile(file);

  if (arguments->read) {
    std::string text;
    const Outcome outcome = stamping::ReadTagText(image, text);
    if (outcome != Outcome::Done) return Fail(outcome, file);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);  // the text before the warning, also when both go to one pipe
    if (!tagging::IsWellFormedTagText(text)) return Fail(Outcome::MalformedText, file + ": the setup ignores this tag");
    return 0;
  }

  std::string text;
  if (arguments->textFile) {
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(*arguments->textFile, bytes)) return FailFile(*arguments->textFile);
    text.assign(bytes.begin(), bytes.end());
  } else {
    text = arguments->positional[1];
  }
  const Outcome outcome = stamping::StampTag(image, text, arguments->replace);
  if (outcome != Outcome::Done) return Fail(outcome, file);
  const std::string target = arguments->output.value_or(file);
  if (!WriteWholeFile(target, image, file)) return FailFile(target);
  return 0;
}
