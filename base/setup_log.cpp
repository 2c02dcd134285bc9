#include "base/setup_log.h"

#include <cstdint>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/process.h"

namespace {

constexpr char16_t kDefaultLogName[] = u"OrvexUtilities2011Setup_";
constexpr char16_t kLogExtension[] = u".log";
constexpr std::uint32_t kTempPathCapacity = 261;
// Names tried for one log before giving up: the name itself, then "_2" to "_99".
constexpr int kNamesToTry = 99;
// What may be kept before the file is open: start-up says little; a runaway must not grow memory.
constexpr std::size_t kPendingLimit = 64 * 1024;
constexpr std::uint32_t kErrorAccessDenied = 5;
constexpr std::uint32_t kErrorSharingViolation = 32;
constexpr std::uint32_t kErrorFileExists = 80;
constexpr std::uint32_t kErrorAlreadyExists = 183;

struct SetupLog {
  bool openTried = false;
  std::u16string path;
  platform::FileHandle file;
  std::vector<std::uint8_t> pending;
};

SetupLog& Log() {
  static SetupLog log;
  return log;
}

using Bytes = std::vector<std::uint8_t>;

void AppendUtf8(Bytes& out, std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      unit = 0x10000 + ((unit - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      unit = 0xFFFD;  // half of a pair: the replacement character, never invalid UTF-8
    }
    if (unit < 0x80) {
      out.push_back(static_cast<std::uint8_t>(unit));
    } else if (unit < 0x800) {
      out.push_back(static_cast<std::uint8_t>(0xC0 | (unit >> 6)));
      out.push_back(static_cast<std::uint8_t>(0x80 | (unit & 0x3F)));
    } else if (unit < 0x10000) {
      out.push_back(static_cast<std::uint8_t>(0xE0 | (unit >> 12)));
      out.push_back(static_cast<std::uint8_t>(0x80 | ((unit >> 6) & 0x3F)));
      out.push_back(static_cast<std::uint8_t>(0x80 | (unit & 0x3F)));
    } else {
      out.push_back(static_cast<std::uint8_t>(0xF0 | (unit >> 18)));
      out.push_back(static_cast<std::uint8_t>(0x80 | ((unit >> 12) & 0x3F)));
      out.push_back(static_cast<std::uint8_t>(0x80 | ((unit >> 6) & 0x3F)));
      out.push_back(static_cast<std::uint8_t>(0x80 | (unit & 0x3F)));
    }
  }
}

std::u16string Digits(unsigned value, std::size_t width) {
  std::u16string text(width, u'0');
  for (std::size_t i = width; i-- > 0; value /= 10) text[i] = static_cast<char16_t>(u'0' + value % 10);
  return text;
}

std::u16string Timestamp(const platform::SystemTime& t) {
  return Digits(t.year, 4) + u"-" + Digits(t.month, 2) + u"-" + Digits(t.day, 2) + u" " + Digits(t.hour, 2) + u":" +
         Digits(t.minute, 2) + u":" + Digits(t.second, 2) + u"." + Digits(t.milliseconds, 3);
}

bool WriteBytes(const platform::FileHandle& file, const Bytes& bytes) {
  return platform::WriteToFile(file, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

// Splits "C:\logs\setup.log" into "C:\logs\setup" and ".log"; a name without extension keeps none.
void SplitExtension(const std::u16string& path, std::u16string& stem, std::u16string& extension) {
  const std::size_t dot = path.rfind(u'.');
  const std::size_t separator = path.find_last_of(u"\\/");
  if (dot == std::u16string::npos || (separator != std::u16string::npos && dot < separator)) {
    stem = path;
    extension.clear();
    return;
  }
  stem = path.substr(0, dot);
  extension = path.substr(dot);
}

// A new file at the first free name of stem + extension, stem + "_2" + extension, ...
platform::FileHandle CreateAtFreeName(const std::u16string& stem, const std::u16string& extension,
                                      std::u16string& path) {
  for (int n = 1; n <= kNamesToTry; ++n) {
    const std::u16string candidate =
        n == 1 ? stem + extension : stem + u"_" + Digits(static_cast<unsigned>(n), n < 10 ? 1 : 2) + extension;
    platform::FileHandle file = platform::CreateFileForWriting(candidate);
    if (file) {
      path = candidate;
      return file;
    }
    const std::uint32_t error = platform::LastError();
    if (error != kErrorFileExists && error != kErrorAlreadyExists && error != kErrorAccessDenied &&
        error != kErrorSharingViolation) {
      break;  // no folder, a bad name: another number will not help
    }
  }
  return platform::FileHandle();
}

std::u16string DefaultLogStem() {
  std::u16string folder;
  const std::uint32_t length = platform::GetTempFolderPath(kTempPathCapacity, folder);
  if (length == 0 || length > kTempPathCapacity) return {};
  if (!folder.empty() && folder.back() != u'\\') folder += u'\\';
  const platform::SystemTime t = platform::CurrentLocalTime();
  return folder + kDefaultLogName + Digits(t.year, 4) + Digits(t.month, 2) + Digits(t.day, 2) + Digits(t.hour, 2) +
         Digits(t.minute, 2) + Digits(t.second, 2);
}

}  // namespace

void OpenSetupLog(const std::u16string& chosenPath) {
  SetupLog& log = Log();
  if (log.openTried) return;
  log.openTried = true;
  std::u16string refused;
  if (!chosenPath.empty()) {
    std::u16string stem;
    std::u16string extension;
    SplitExtension(chosenPath, stem, extension);
    const std::size_t separator = chosenPath.find_last_of(u"\\/");
    // The folder may exist already; a failure shows when the file is created.
    if (separator != std::u16string::npos && separator > 0) (void)platform::CreateFolder(chosenPath.substr(0, separator));
    log.file = CreateAtFreeName(stem, extension, log.path);
    if (!log.file) refused = chosenPath;
  }
  if (!log.file) {
    const std::u16string stem = DefaultLogStem();
    if (!stem.empty()) log.file = CreateAtFreeName(stem, kLogExtension, log.path);
  }
  if (!log.file) {
    log.path.clear();
    log.pending.clear();
    return;
  }
  (void)WriteBytes(log.file, log.pending);
  log.pending.clear();
  if (!refused.empty()) LogEvent({u"The log could not be created at ", refused, u"; it is written here instead."});
}

void LogEvent(std::initializer_list<std::u16string_view> parts) {
  SetupLog& log = Log();
  if (log.openTried && !log.file) return;
  Bytes line;
  AppendUtf8(line, Timestamp(platform::CurrentLocalTime()));
  AppendUtf8(line, u"  ");
  for (const std::u16string_view part : parts) AppendUtf8(line, part);
  AppendUtf8(line, u"\r\n");
  if (log.file) {
    (void)WriteBytes(log.file, line);  // a full disk loses the line, never the run
  } else if (log.pending.size() + line.size() <= kPendingLimit) {
    log.pending.insert(log.pending.end(), line.begin(), line.end());
  }
}

const std::u16string& SetupLogPath() { return Log().path; }

std::u16string CreateCompanionLog(const std::u16string& suffix) {
  const SetupLog& log = Log();
  if (log.path.empty()) return {};
  std::u16string stem;
  std::u16string extension;
  SplitExtension(log.path, stem, extension);
  std::u16string path;
  const platform::FileHandle file = CreateAtFreeName(stem + u"_" + suffix, kLogExtension, path);
  return file ? path : std::u16string();
}

void ResetSetupLogForTesting() {
  SetupLog& log = Log();
  log.file.reset();
  log.path.clear();
  log.pending.clear();
  log.openTried = false;
}
