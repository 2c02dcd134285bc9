#include "base/text_format.h"

namespace {

constexpr std::size_t kMaxLength = kFormattedTextCapacity - 1;

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

}  // namespace

std::u16string FormatText(const char16_t* pattern, const std::vector<std::u16string>& args) {
  std::u16string result;
  if (pattern == nullptr) {
    return result;
  }
  std::size_t nextArg = 0;
  // Stop once the limit is passed by one unit, so that a cut can be recognised.
  for (const char16_t* p = pattern; *p != u'\0' && result.size() <= kMaxLength; ++p) {
    if (*p == u'%' && p[1] == u's') {
      if (nextArg < args.size()) {
        result.append(args[nextArg], 0, kMaxLength + 1 - result.size());
      }
      ++nextArg;
      ++p;
    } else if (*p == u'%' && p[1] == u'%') {
      result.push_back(u'%');
      ++p;
    } else {
      result.push_back(*p);
    }
  }
  if (result.size() > kMaxLength) {
    result.resize(kMaxLength);
    if (IsHighSurrogate(result.back())) {
      result.pop_back();
    }
  }
  return result;
}

std::u16string UnsignedDecimal(std::uint32_t number) {
  std::u16string digits;
  do {
    digits.insert(digits.begin(), static_cast<char16_t>(u'0' + number % 10));
    number /= 10;
  } while (number != 0);
  return digits;
}

std::u16string SignedDecimal(std::int32_t number) {
  if (number >= 0) return UnsignedDecimal(static_cast<std::uint32_t>(number));
  return u"-" + UnsignedDecimal(0u - static_cast<std::uint32_t>(number));
}

std::u16string HexResult(std::uint32_t code) {
  constexpr char16_t kHex[] = u"0123456789ABCDEF";
  std::u16string text = u"0x";
  for (int shift = 28; shift >= 0; shift -= 4) text += kHex[(code >> shift) & 0xFu];
  return text;
}
