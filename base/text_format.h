#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Localized messages are formatted into buffers of this many characters, the last one
// being the terminating NUL.
inline constexpr std::size_t kFormattedTextCapacity = 4096;

// printf-style formatting of the setup's message patterns: each "%s" takes the next
// argument (an empty text once the arguments run out), "%%" becomes "%", any other
// character is copied. The result holds at most kFormattedTextCapacity - 1 code units;
// a cut never leaves half of a surrogate pair at the end. A null pattern gives "".
std::u16string FormatText(const char16_t* pattern, const std::vector<std::u16string>& args);

// An unsigned number as decimal digits without leading zeros ("%u").
std::u16string UnsignedDecimal(std::uint32_t number);

// A 32-bit result code as "0x" and eight upper-case hexadecimal digits ("0x80070005").
std::u16string HexResult(std::uint32_t code);

// A signed number as decimal digits, with "-" before a negative one ("%d").
std::u16string SignedDecimal(std::int32_t number);
