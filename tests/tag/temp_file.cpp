#include "tests/tag/temp_file.h"

#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "tests/fakes/world.h"

namespace tagtest {

TempFile::TempFile(std::string_view name) {
  std::string pattern = (std::filesystem::temp_directory_path() / "orvex-tag-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  folder_ = pattern;
  path_ = folder_ / name;
}

TempFile::~TempFile() {
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

void TempFile::Write(const std::vector<std::uint8_t>& bytes) const {
  std::ofstream out(path_, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path_.string());
}

std::vector<std::uint8_t> TempFile::Read() const {
  std::ifstream in(path_, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::u16string TempFile::widePath() const { return fakes::Utf16(path_.string()); }

}  // namespace tagtest
