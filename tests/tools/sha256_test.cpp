#include "tools/stamp/sha256.h"

#include <string>
#include <gtest/gtest.h>

namespace {

std::span<const std::uint8_t> Bytes(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// The FIPS 180-4 examples and a long message, hashed whole and in uneven pieces, by the SHA
// instructions (where the processor has them) and by the portable compression.
TEST(Sha256Test, KnownDigestsWholeAndInPiecesByEitherCompression) {
  const struct {
    std::string message;
    const char* digest;
  } cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const bool portable : {false, true}) {
    Sha256::UsePortableForTesting(portable);
    for (const auto& c : cases) {
      EXPECT_EQ(Sha256Hex(Bytes(c.message)), c.digest) << c.message.size() << " portable " << portable;
      Sha256 pieces;
      for (std::size_t at = 0, size = 1; at < c.message.size(); at += size, size = size * 3 + 1) {
        pieces.Update(Bytes(c.message.substr(at, size)));
      }
      EXPECT_EQ(HexDigits(pieces.Finish()), c.digest) << c.message.size() << " in pieces, portable " << portable;
    }
  }
  Sha256::UsePortableForTesting(false);
}

}  // namespace
