// orvex-stamp: writes the affiliate tag into a signed setup executable, or reads it back.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
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
    "of NAME=VALUE properties it allows; such a text is refused here.\n"
    "--read prints the tag text of FILE, control characters and bytes from 0x80 up as \\xNN (and\n"
    "ends with exit code 10 when the setup ignores it).\n"
    "OUT (and FILE when written in place) must not be a symbolic link.\n"
    "Windows with the certificate padding check on (EnableCertPaddingCheck=1) takes a file\n"
    "with bytes behind its signature for unsigned.\n"
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
    "     \".\"); with --read: the tag is printed, but the setup ignores it\n";

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

// A regular file, opened without blocking, up to its end but at most `limit` bytes (by default
// its size when opened), so that a FIFO, a device or a file that keeps growing cannot hold the
// tool up. False for anything else and for a failed read.
bool ReadRegularFile(const std::string& path, std::vector<std::uint8_t>& bytes,
                     std::optional<std::size_t> limit = std::nullopt) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat status {};
  bool ok = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
  bytes.assign(ok ? limit.value_or(static_cast<std::size_t>(status.st_size)) : 0, 0);
  std::size_t used = 0;
  while (ok && used < bytes.size()) {
    const ssize_t got = ::read(fd, bytes.data() + used, bytes.size() - used);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      ok = got == 0;
      break;
    }
    used += static_cast<std::size_t>(got);
  }
  ::close(fd);
  bytes.resize(used);
  return ok;
}

bool IsLink(const std::string& path) {
  struct stat status {};
  return ::lstat(path.c_str(), &status) == 0 && S_ISLNK(status.st_mode);
}

// Writes a new file beside the target and renames it over the target, so that a failed write
// never leaves a half-written executable; the target keeps the permissions of `model`. The new
// file is created, never opened: a link or file planted under its name makes the write fail.
bool WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes, const std::string& model) {
  const std::string temporary = path + ".stamp-tmp";
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  bool ok = true;
  for (std::size_t written = 0; ok && written < bytes.size();) {
    const ssize_t put = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (put < 0 && errno == EINTR) continue;
    ok = put > 0;
    if (ok) written += static_cast<std::size_t>(put);
  }
  struct stat status {};
  if (ok && ::stat(model.c_str(), &status) == 0) ok = ::fchmod(fd, status.st_mode & 07777) == 0;
  ok = ::close(fd) == 0 && ok;
  ok = ok && ::rename(temporary.c_str(), path.c_str()) == 0;
  if (!ok) ::unlink(temporary.c_str());
  return ok;
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
  std::vector<std::uint8_t> image;
  if (!ReadRegularFile(file, image)) return FailRead(file);

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
    if (!ReadRegularFile(*arguments->textFile, bytes, tagging::kMaxTagTextSize + 1)) {
      return FailRead(*arguments->textFile);
    }
    text.assign(bytes.begin(), bytes.end());
  } else {
    text = arguments->positional[1];
  }
  const std::string target = arguments->output.value_or(file);
  if (IsLink(target)) {
    std::fprintf(stderr, "orvex-stamp: %s: is a symbolic link; name the file itself\n", target.c_str());
    return static_cast<int>(Outcome::FileError);
  }
  const Outcome outcome = stamping::StampTag(image, text, arguments->replace);
  if (outcome == Outcome::MalformedText) return FailText(file, text);
  if (outcome != Outcome::Done) return Fail(outcome, file);
  if (!WriteWholeFile(target, image, file)) return FailFile(target);
  return 0;
}
