#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Reading the pending file-rename list and comparing it with the package's file names. Pure text
// work on bytes and UTF-16 strings, so it can be exercised on any input.

// The entries of REG_MULTI_SZ data: the bytes read as size / 2 UTF-16 little-endian code units (an
// odd last byte is ignored), every maximal run of non-zero units one entry, in order. Zero units
// only separate: empty strings, such as the empty target of a pending delete and the final
// terminators, give no entry.
std::vector<std::u16string> SplitMultiString(const std::uint8_t* data, std::size_t size);

// The long name of a File table "FileName": the part after the first "|", or the whole text when
// it has none ("SHORT~1.TXT|long name.txt" gives "long name.txt").
std::u16string_view LongFileName(std::u16string_view fileName);

// The file name a pending-rename entry ends in: the part after the last "\" or "/", once a leading
// "!" (the replace-existing mark of a target) and a leading "\??\" (the native path prefix) are
// removed. "\??\C:\Program Files\x\license.txt" gives "license.txt".
std::u16string_view FinalPathComponent(std::u16string_view entry);

// True when the final path component of an entry equals one of the names, ignoring the case of A to
// Z. An entry whose final component is empty (it ends in a separator) matches nothing. A plain
// nested loop: cost grows with entries times names.
bool AnyEntryNamesAFile(const std::vector<std::u16string>& entries, const std::vector<std::u16string>& fileNames);
