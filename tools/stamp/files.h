#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The stamping tool's file operations. None follows a link it did not make: new files and
// folders are created, never opened, and a link at a path the tool writes is refused.
namespace stamping {

bool IsFolder(const std::string& path);
bool IsLink(const std::string& path);
// Whether anything (a link included) stands at the path.
bool Exists(const std::string& path);

// A regular file, opened without blocking, up to its end but at most `limit` bytes (by default
// its size when opened), so that a FIFO, a device or a file that keeps growing cannot hold the
// tool up. False for anything else and for a failed read.
bool ReadRegularFile(const std::string& path, std::vector<std::uint8_t>& bytes,
                     std::optional<std::size_t> limit = std::nullopt);

// Writes a new file beside the target and renames it over the target, so that a failed write
// never leaves a half-written executable; the target keeps the permissions of `model`.
bool WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes, const std::string& model);

// The lower-case SHA-256 of the file's bytes as they are on disk, or empty when it cannot be read.
std::string HashFile(const std::string& path);

// Creates files and folders that must not exist yet, and removes them all again, newest first,
// unless Keep() is called: a run that fails half-way leaves nothing of its output.
class NewPaths {
 public:
  NewPaths() = default;
  NewPaths(const NewPaths&) = delete;
  NewPaths& operator=(const NewPaths&) = delete;
  ~NewPaths();

  bool Folder(const std::string& path);
  // `mode` as for open(2); the umask applies.
  bool File(const std::string& path, const void* bytes, std::size_t size, unsigned mode = 0644);
  void Keep() { created_.clear(); }

 private:
  std::vector<std::pair<std::string, bool>> created_;  // path, is a folder
};

}  // namespace stamping
