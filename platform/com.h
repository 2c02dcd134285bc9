#pragma once
#include <cstdint>
#include <string>

#include "platform/handle.h"
#include "platform/result.h"

namespace platform {

// A GUID in the platform's in-memory layout.
struct Guid {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0;
  std::uint16_t data3 = 0;
  std::uint8_t data4[8] = {};
  friend bool operator==(const Guid&, const Guid&) = default;
};

bool CreateGuid(Guid& guid);                                  // CoCreateGuid
bool GuidToString(const Guid& guid, std::u16string& text);    // StringFromGUID2, 39-character buffer
bool GuidFromString(const std::u16string& text, Guid& guid);  // IIDFromString

// CoInitialize for the calling thread (apartment model); false when it failed, in which case
// UninitializeCom must not be called.
bool InitializeCom();
void UninitializeCom();  // CoUninitialize

// An interface pointer; releasing the owner calls the object's Release.
struct ComObjectTraits {
  using Value = void*;
  static Value Invalid() { return nullptr; }
  static void Close(Value object);
};
using ComObject = UniqueHandle<ComObjectTraits>;

inline constexpr std::uint32_t kComServerAnyContext = 0x17;  // in-process, handler, local, remote
// CoCreateInstance without an outer object; returns its result.
HResult CreateComObject(const Guid& classId, const Guid& interfaceId, std::uint32_t context, ComObject& object);
// Calls the method at `slot` of the object's method table (QueryInterface is 0), one that takes
// no arguments and returns an HRESULT.
HResult CallComMethodWithoutArguments(const ComObject& object, unsigned slot);

}  // namespace platform
