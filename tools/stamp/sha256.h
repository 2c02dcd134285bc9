#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// SHA-256 (FIPS 180-4), for the hashes the deployment metadata publishes and SHA256SUMS lists.
// On x86 processors with the SHA instructions the blocks are compressed with them (product-sized
// files are hashed by the hundred in a batch), elsewhere in portable C++.
class Sha256 {
 public:
  Sha256();
  void Update(std::span<const std::uint8_t> bytes);
  // The digest of everything given; the object is spent afterwards.
  std::array<std::uint8_t, 32> Finish();

  // Whether the SHA instructions are used; the portable compression alone when `portable`.
  static bool Accelerated();
  static void UsePortableForTesting(bool portable);

 private:
  void Compress(const std::uint8_t* blocks, std::size_t count);

  std::array<std::uint32_t, 8> state_;
  std::array<std::uint8_t, 64> buffer_{};
  std::size_t buffered_ = 0;
  std::uint64_t length_ = 0;
};

// The digest of `bytes` as 64 lower-case hexadecimal digits.
std::string Sha256Hex(std::span<const std::uint8_t> bytes);
std::string HexDigits(std::span<const std::uint8_t> bytes);
