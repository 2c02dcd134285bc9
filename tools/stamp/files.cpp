#include "tools/stamp/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "tools/stamp/sha256.h"

namespace stamping {
namespace {

bool WriteAll(int fd, const std::uint8_t* bytes, std::size_t size) {
  for (std::size_t written = 0; written < size;) {
    const ssize_t put = ::write(fd, bytes + written, size - written);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    written += static_cast<std::size_t>(put);
  }
  return true;
}

}  // namespace

bool IsFolder(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_directory(path, error);
}

bool IsLink(const std::string& path) {
  struct stat status {};
  return ::lstat(path.c_str(), &status) == 0 && S_ISLNK(status.st_mode);
}

bool Exists(const std::string& path) {
  struct stat status {};
  return ::lstat(path.c_str(), &status) == 0 || errno != ENOENT;
}

bool ReadRegularFile(const std::string& path, std::vector<std::uint8_t>& bytes, std::optional<std::size_t> limit) {
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

// The new file is created, never opened: a link or file planted under its name makes the write fail.
bool WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes, const std::string& model) {
  const std::string temporary = path + ".stamp-tmp";
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, bytes.data(), bytes.size());
  struct stat status {};
  if (ok && ::stat(model.c_str(), &status) == 0) ok = ::fchmod(fd, status.st_mode & 07777) == 0;
  ok = ::close(fd) == 0 && ok;
  ok = ok && ::rename(temporary.c_str(), path.c_str()) == 0;
  if (!ok) ::unlink(temporary.c_str());
  return ok;
}

std::string HashFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return {};
  Sha256 hash;
  std::vector<std::uint8_t> buffer(1 << 20);
  bool ok = true;
  for (;;) {
    const ssize_t got = ::read(fd, buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      ok = got == 0;
      break;
    }
    hash.Update(std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(got)));
  }
  ::close(fd);
  return ok ? HexDigits(hash.Finish()) : std::string();
}

NewPaths::~NewPaths() {
  for (auto it = created_.rbegin(); it != created_.rend(); ++it) {
    if (it->second) {
      ::rmdir(it->first.c_str());
    } else {
      ::unlink(it->first.c_str());
    }
  }
}

bool NewPaths::Folder(const std::string& path) {
  if (::mkdir(path.c_str(), 0755) != 0) return false;
  created_.emplace_back(path, true);
  return true;
}

bool NewPaths::File(const std::string& path, const void* bytes, std::size_t size, unsigned mode) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
  if (fd < 0) return false;
  created_.emplace_back(path, false);
  bool ok = WriteAll(fd, static_cast<const std::uint8_t*>(bytes), size);
  return ::close(fd) == 0 && ok;
}

}  // namespace stamping
