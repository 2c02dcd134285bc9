#include "tests/fakes/com.h"

#include <cstdio>
#include <string>

#include "tests/fakes/world.h"

namespace fakes {
namespace {
ComWorld world;
const bool registered = RegisterReset([] { world = ComWorld{}; });

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

// Reads `digits` hexadecimal digits at `at`; false on anything else.
bool ReadHex(const std::u16string& text, std::size_t at, int digits, std::uint32_t& value) {
  value = 0;
  for (int i = 0; i < digits; ++i) {
    const int digit = HexDigit(text[at + i]);
    if (digit < 0) return false;
    value = (value << 4) | static_cast<std::uint32_t>(digit);
  }
  return true;
}
}  // namespace

ComWorld& Com() { return world; }

platform::Guid GuidOf(const char16_t* text) {
  platform::Guid guid;
  EXPECT_TRUE(platform::GuidFromString(text, guid)) << Utf8(text);
  return guid;
}

}  // namespace fakes

namespace platform {

bool CreateGuid(Guid& guid) {
  fakes::Record("CreateGuid");
  fakes::ComWorld& world = fakes::Com();
  if (world.createFails) return false;
  ++world.created;
  if (!world.guidsToCreate.empty()) {
    guid = world.guidsToCreate.front();
    world.guidsToCreate.pop_front();
    return true;
  }
  guid = Guid{};
  guid.data1 = world.created;
  guid.data3 = 0x4000;
  guid.data4[0] = 0x80;
  return true;
}

HResult InitializeCom() {
  fakes::Record("CoInitialize");
  if (fakes::Com().initializeResult >= 0) fakes::Com().initialized = true;
  return fakes::Com().initializeResult;
}

void UninitializeCom() {
  fakes::Record("CoUninitialize");
  fakes::Com().initialized = false;
}

bool GuidToString(const Guid& guid, std::u16string& text) {
  fakes::Record("GuidToString");
  if (fakes::Com().toStringFails) return false;
  char buffer[39];
  std::snprintf(buffer, sizeof buffer, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(guid.data1), guid.data2, guid.data3, guid.data4[0], guid.data4[1],
                guid.data4[2], guid.data4[3], guid.data4[4], guid.data4[5], guid.data4[6], guid.data4[7]);
  text = fakes::Utf16(buffer);
  return true;
}

// The braced form only: "{" 8 "-" 4 "-" 4 "-" 4 "-" 12 "}", hexadecimal digits of either case.
bool GuidFromString(const std::u16string& text, Guid& guid) {
  fakes::Record("GuidFromString " + fakes::Utf8(text));
  if (text.size() != 38 || text[0] != u'{' || text[37] != u'}') return false;
  if (text[9] != u'-' || text[14] != u'-' || text[19] != u'-' || text[24] != u'-') return false;
  Guid parsed;
  std::uint32_t value = 0;
  if (!fakes::ReadHex(text, 1, 8, value)) return false;
  parsed.data1 = value;
  if (!fakes::ReadHex(text, 10, 4, value)) return false;
  parsed.data2 = static_cast<std::uint16_t>(value);
  if (!fakes::ReadHex(text, 15, 4, value)) return false;
  parsed.data3 = static_cast<std::uint16_t>(value);
  static constexpr std::size_t kByteAt[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  for (int i = 0; i < 8; ++i) {
    if (!fakes::ReadHex(text, kByteAt[i], 2, value)) return false;
    parsed.data4[i] = static_cast<std::uint8_t>(value);
  }
  guid = parsed;
  return true;
}

void ComObjectTraits::Close(Value) { fakes::Record("ReleaseComObject"); }

namespace {
std::string GuidText(const Guid& guid) {
  char buffer[39];
  std::snprintf(buffer, sizeof buffer, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(guid.data1), guid.data2, guid.data3, guid.data4[0], guid.data4[1],
                guid.data4[2], guid.data4[3], guid.data4[4], guid.data4[5], guid.data4[6], guid.data4[7]);
  return buffer;
}
}  // namespace

HResult CreateComObject(const Guid& classId, const Guid& interfaceId, std::uint32_t context, ComObject& object) {
  char contextText[16];
  std::snprintf(contextText, sizeof contextText, "0x%x", context);
  fakes::Record("CreateComObject " + GuidText(classId) + " " + GuidText(interfaceId) + " " + contextText +
                (fakes::Com().initialized ? "" : " without COM"));
  if (fakes::Com().createResult < 0) return fakes::Com().createResult;
  object.reset(reinterpret_cast<void*>(0xC0));
  return fakes::Com().createResult;
}

HResult CallComMethodWithoutArguments(const ComObject& object, unsigned slot) {
  fakes::Record("CallComMethod " + std::to_string(slot));
  if (!object) return static_cast<HResult>(0x80004003u);
  return fakes::Com().methodResult;
}

}  // namespace platform
