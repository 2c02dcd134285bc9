#include "platform/com.h"

#include <windows.h>
#include <objbase.h>

#include <cstring>

#include "platform/win32/text.h"

namespace platform {
namespace {

GUID ToSystem(const Guid& guid) {
  GUID system{};
  system.Data1 = guid.data1;
  system.Data2 = guid.data2;
  system.Data3 = guid.data3;
  std::memcpy(system.Data4, guid.data4, sizeof system.Data4);
  return system;
}

Guid FromSystem(const GUID& system) {
  Guid guid;
  guid.data1 = system.Data1;
  guid.data2 = system.Data2;
  guid.data3 = system.Data3;
  std::memcpy(guid.data4, system.Data4, sizeof guid.data4);
  return guid;
}

}  // namespace

bool CreateGuid(Guid& guid) {
  GUID created{};
  if (FAILED(::CoCreateGuid(&created))) return false;
  guid = FromSystem(created);
  return true;
}

bool GuidToString(const Guid& guid, std::u16string& text) {
  const GUID system = ToSystem(guid);
  wchar_t buffer[39] = {};
  if (::StringFromGUID2(system, buffer, 39) == 0) return false;
  text = FromWide(buffer);
  return true;
}

HResult InitializeCom() { return ::CoInitialize(nullptr); }

void UninitializeCom() { ::CoUninitialize(); }

bool GuidFromString(const std::u16string& text, Guid& guid) {
  IID parsed{};
  if (FAILED(::IIDFromString(Wide(text), &parsed))) return false;
  guid = FromSystem(parsed);
  return true;
}

void ComObjectTraits::Close(Value object) { static_cast<IUnknown*>(object)->Release(); }

HResult CreateComObject(const Guid& classId, const Guid& interfaceId, std::uint32_t context, ComObject& object) {
  const GUID systemClass = ToSystem(classId);
  const GUID systemInterface = ToSystem(interfaceId);
  void* created = nullptr;
  const HRESULT result = ::CoCreateInstance(systemClass, nullptr, context, systemInterface, &created);
  if (SUCCEEDED(result) && created != nullptr) object.reset(created);
  return SUCCEEDED(result) && created == nullptr ? E_POINTER : result;
}

HResult CallComMethodWithoutArguments(const ComObject& object, unsigned slot) {
  using Method = HRESULT(STDMETHODCALLTYPE*)(void* self);
  void* const self = object.get();
  if (self == nullptr) return E_POINTER;
  const auto table = *static_cast<Method* const*>(self);
  return table[slot](self);
}

}  // namespace platform
