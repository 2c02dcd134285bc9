#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tagtest {

// A file in a fresh temporary folder, removed with the folder when the object goes.
class TempFile {
 public:
  explicit TempFile(std::string_view name = "setup.exe");
  ~TempFile();
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  void Write(const std::vector<std::uint8_t>& bytes) const;
  std::vector<std::uint8_t> Read() const;
  const std::filesystem::path& path() const { return path_; }
  std::u16string widePath() const;

 private:
  std::filesystem::path folder_;
  std::filesystem::path path_;
};

}  // namespace tagtest
