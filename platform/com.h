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

[[nodiscard]] bool CreateGuid(Guid& guid);                                  // CoCreateGuid
[[nodiscard]] bool GuidToString(const Guid& guid, std::u16string& text);    // StringFromGUID2, 39-character buffer
[[nodiscard]] bool GuidFromString(const std::u16string& text, Guid& guid);  // IIDFromString

// CoInitialize: joins the calling thread to a single-threaded apartment. S_FALSE (1) when it was
// in one already; that join, too, is left with one UninitializeCom.
[[nodiscard]] HResult InitializeCom();
void UninitializeCom();  // CoUninitialize

// Keeps the calling thread in an apartment for the owner's lifetime, leaving it only when the join
// succeeded.
class ComApartment {
 public:
  ComApartment() : result_(InitializeCom()) {}
  ~ComApartment() {
    if (result_ >= 0) UninitializeCom();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  HResult result() const { return result_; }

 private:
  HResult result_;
};

// An interface pointer; releasing the owner calls the object's Release.
struct ComObjectTraits {
  using Value = void*;
  static Value Invalid() { return nullptr; }
  static void Close(Value object);
};
using ComObject = UniqueHandle<ComObjectTraits>;

inline constexpr std::uint32_t kComServerAnyContext = 0x17;  // in-process, handler, local, remote
// CoCreateInstance without an outer object; returns its result.
[[nodiscard]] HResult CreateComObject(const Guid& classId, const Guid& interfaceId, std::uint32_t context,
                                      ComObject& object);
// Calls the method at `slot` of the object's method table (QueryInterface is 0), one that takes
// no arguments and returns an HRESULT.
[[nodiscard]] HResult CallComMethodWithoutArguments(const ComObject& object, unsigned slot);

}  // namespace platform
