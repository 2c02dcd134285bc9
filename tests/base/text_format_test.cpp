#include "base/text_format.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct FormatCase {
  const char* name;
  const char16_t* pattern;
  std::vector<std::u16string> args;
  std::u16string expected;
};

TEST(FormatTextTest, ReplacesPlaceholdersInOrder) {
  const FormatCase cases[] = {
      {"no placeholder", u"Next", {}, u"Next"},
      {"no placeholder, unused args", u"Next", {u"x"}, u"Next"},
      {"empty pattern", u"", {u"x"}, u""},
      {"one", u"%s is already installed.", {u"Orvex Utilities"}, u"Orvex Utilities is already installed."},
      {"in order", u"%s version %s of %s", {u"A", u"1.0", u"B"}, u"A version 1.0 of B"},
      {"adjacent", u"%s%s", {u"ab", u"cd"}, u"abcd"},
      {"fewer args", u"%s version %s of %s", {u"A"}, u"A version  of "},
      {"no args", u"[%s][%s]", {}, u"[][]"},
      {"surplus args", u"%s", {u"A", u"B"}, u"A"},
      {"empty arg", u"<%s>", {u""}, u"<>"},
      {"percent escape", u"100%% of %s", {u"files"}, u"100% of files"},
      {"escape before s", u"%%s", {u"unused"}, u"%s"},
      {"double escape", u"%%%%", {}, u"%%"},
      {"escape then placeholder", u"%%%s", {u"x"}, u"%x"},
      {"lone percent kept", u"50% off", {}, u"50% off"},
      {"trailing percent kept", u"50%", {}, u"50%"},
      {"other conversions kept", u"%d %ls", {u"x"}, u"%d %ls"},
      {"argument not reinterpreted", u"[%s]", {u"%s%%"}, u"[%s%%]"},
      {"line breaks kept", u"%s\r\n\r\n%s?\n", {u"a", u"b"}, u"a\r\n\r\nb?\n"},
      {"surrogate pair in pattern", u"\U0001F600 %s \U0001F600", {u"x"}, u"\U0001F600 x \U0001F600"},
      {"surrogate pair in argument", u"<%s>", {u"\U00020BB7\U0001F600"}, u"<\U00020BB7\U0001F600>"},
      {"non-Latin text", u"\u5DF2\u5B89\u88C5 %s\u3002", {u"Orvex"}, u"\u5DF2\u5B89\u88C5 Orvex\u3002"},
  };
  for (const FormatCase& c : cases) {
    EXPECT_EQ(FormatText(c.pattern, c.args), c.expected) << c.name;
  }
}

TEST(FormatTextTest, NullPatternGivesEmptyText) { EXPECT_EQ(FormatText(nullptr, {u"x"}), u""); }

TEST(FormatTextTest, ResultFitsTheMessageBuffer) {
  const std::size_t limit = kFormattedTextCapacity - 1;
  ASSERT_EQ(limit, 4095u);

  struct LengthCase {
    const char* name;
    std::u16string pattern;
    std::vector<std::u16string> args;
    std::u16string expected;
  };
  const std::u16string exact(limit, u'a');
  const std::u16string tooLong(limit + 1, u'a');
  const std::u16string huge(3 * limit, u'b');
  const LengthCase cases[] = {
      {"exactly the limit", exact, {}, exact},
      {"one over the limit", tooLong, {}, exact},
      {"long argument", u"x%sy", {huge}, u"x" + huge.substr(0, limit - 1)},
      {"long pattern after argument", u"%s" + tooLong, {u"A"}, u"A" + tooLong.substr(0, limit - 1)},
      {"escape at the end", std::u16string(limit - 1, u'a') + u"%%%%", {}, std::u16string(limit - 1, u'a') + u"%"},
      {"argument fits exactly", u"%s", {exact}, exact},
  };
  for (const LengthCase& c : cases) {
    const std::u16string result = FormatText(c.pattern.c_str(), c.args);
    EXPECT_LE(result.size(), limit) << c.name;
    EXPECT_EQ(result, c.expected) << c.name;
  }
}

TEST(FormatTextTest, TruncationDoesNotSplitASurrogatePair) {
  const std::size_t limit = kFormattedTextCapacity - 1;
  // The pair would occupy units limit - 1 and limit: the high half is dropped too.
  const std::u16string prefix(limit - 1, u'a');
  const std::u16string result = FormatText((prefix + u"\U0001F600z").c_str(), {});
  EXPECT_EQ(result, prefix);

  // A pair that ends exactly at the limit stays whole.
  const std::u16string shorter(limit - 2, u'a');
  EXPECT_EQ(FormatText(u"%s\U0001F600tail", {shorter}), shorter + u"\U0001F600");
}

}  // namespace
