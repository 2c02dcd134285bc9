// Query-value escaping of any UTF-16 text: the result holds only characters that are safe in a
// query value, one "?" per code unit from 0x80 up, and between one and three units per unit.
#include <algorithm>
#include <cstdint>
#include <string>

#include "report/system_info_query.h"
#include "tests/fuzz/fuzz_support.h"

using fuzzing::Require;

namespace {

bool IsSafe(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'-' ||
         c == u']' || c == u'.' || c == u'?' || c == u'%';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::u16string text = fuzzing::CodeUnits(data, size);
  const std::u16string escaped = UrlEscape(text);
  Require(std::all_of(escaped.begin(), escaped.end(), IsSafe), "only safe characters come out");
  Require(std::count(escaped.begin(), escaped.end(), u'?') ==
              std::count_if(text.begin(), text.end(), [](char16_t c) { return c >= 0x80; }),
          "one question mark per code unit from 0x80 up");
  Require(escaped.size() >= text.size() && escaped.size() <= 3 * text.size(), "one to three units per unit");
  return 0;
}
