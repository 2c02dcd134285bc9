#include "platform/installer.h"

#include <windows.h>

#include <string>

#include "platform/result.h"
#include "platform/win32/owners.h"
#include "platform/win32/system_library.h"
#include "platform/win32/text.h"

namespace platform {
namespace {

// MSIHANDLE, INSTALLUILEVEL and INSTALLSTATE as msi.dll passes them.
using RawMsiHandle = DWORD;

using SetInternalUiFunction = int(WINAPI*)(int level, HWND* window);
using GetProductInfoFunction = UINT(WINAPI*)(LPCWSTR product, LPCWSTR property, LPWSTR buffer, DWORD* length);
using QueryProductStateFunction = int(WINAPI*)(LPCWSTR product);
using ConfigureProductFunction = UINT(WINAPI*)(LPCWSTR product, int installLevel, int installState);
using EnableLogFunction = UINT(WINAPI*)(DWORD logMode, LPCWSTR logFile, DWORD attributes);
using InstallProductFunction = UINT(WINAPI*)(LPCWSTR packagePath, LPCWSTR commandLine);
using OpenDatabaseFunction = UINT(WINAPI*)(LPCWSTR packagePath, LPCWSTR persist, RawMsiHandle* database);
using DatabaseOpenViewFunction = UINT(WINAPI*)(RawMsiHandle database, LPCWSTR query, RawMsiHandle* view);
using ViewExecuteFunction = UINT(WINAPI*)(RawMsiHandle view, RawMsiHandle parameters);
using ViewFetchFunction = UINT(WINAPI*)(RawMsiHandle view, RawMsiHandle* record);
using RecordGetStringFunction = UINT(WINAPI*)(RawMsiHandle record, UINT field, LPWSTR buffer, DWORD* length);
using CloseHandleFunction = UINT(WINAPI*)(RawMsiHandle handle);

// MSIDBOPEN_READONLY: the persist argument of MsiOpenDatabaseW is this value, not a path.
const LPCWSTR kOpenReadOnly = reinterpret_cast<LPCWSTR>(0);

struct MsiFunctions {
  SetInternalUiFunction setInternalUi;
  GetProductInfoFunction getProductInfo;
  QueryProductStateFunction queryProductState;
  ConfigureProductFunction configureProduct;
  EnableLogFunction enableLog;
  InstallProductFunction installProduct;
  OpenDatabaseFunction openDatabase;
  DatabaseOpenViewFunction databaseOpenView;
  ViewExecuteFunction viewExecute;
  ViewFetchFunction viewFetch;
  RecordGetStringFunction recordGetString;
  CloseHandleFunction closeHandle;
};

template <typename Function>
bool Bind(HMODULE msi, unsigned ordinal, Function& function) {
  FARPROC address = ::GetProcAddress(msi, MAKEINTRESOURCEA(ordinal));
  function = reinterpret_cast<Function>(reinterpret_cast<void*>(address));
  return address != nullptr;
}

struct Binding {
  HResult result = kEFail;
  std::uint32_t missingOrdinal = 0;
  MsiFunctions functions{};
};

// The module stays loaded until the process ends. On failure the result keeps the thread's last
// error as it was right after the failing call.
Binding BindAll() {
  static win32::LoadedModule msi(win32::LoadSystemLibrary(L"msi.dll"));
  Binding binding;
  if (!msi) {
    binding.result = HResultFromLastError();
    return binding;
  }
  const HMODULE module = msi.get();
  MsiFunctions& f = binding.functions;
  const std::pair<unsigned, bool (*)(HMODULE, unsigned, MsiFunctions&)> ordinals[] = {
      {141, [](HMODULE m, unsigned n, MsiFunctions& t) { return Bind(m, n, t.setInternalUi); }},
      {70, [](HMODULE m, unsigned n, MsiFunctions& t) { return Bind(m, n, t.getProductInfo); }},
      {113, [](HMODULE m, unsigned n, MsiFunctions& t) { return Bind(m, n, t.queryProductState); }},
      {16, [](HMODULE m, unsigned n, MsiFunctions& t) { return Bind(m, n, t.configureProduct); }},
      {169, [](HMODULE m, unsigned n, MsiFunctions& t) { return Bind(m, n, t.enableLog); }},
      {88, [](HMODULE m, unsigned n, MsiFunctions& t) { return Bind(m, n, t.installProduct); }},
      {92, [](HMODULE m, unsigned n, MsiFunctions& t) { return Bind(m, n, t.openDatabase); }},
      {32, [](HMODULE m, unsigned n, MsiFunctions& t) { return Bind(m, n, t.databaseOpenView); }},
      {159, [](HMODULE m, unsigned n, MsiFunctions& t) { return Bind(m, n, t.viewExecute); }},
      {160, [](HMODULE m, unsigned n, MsiFunctions& t) { return Bind(m, n, t.viewFetch); }},
      {118, [](HMODULE m, unsigned n, MsiFunctions& t) { return Bind(m, n, t.recordGetString); }},
      {8, [](HMODULE m, unsigned n, MsiFunctions& t) { return Bind(m, n, t.closeHandle); }},
  };
  for (const auto& [ordinal, bind] : ordinals) {
    if (!bind(module, ordinal, f)) {
      binding.result = HResultFromLastError();
      binding.missingOrdinal = ordinal;
      return binding;
    }
  }
  binding.result = 0;
  return binding;
}

const Binding& Loaded() {
  static const Binding binding = BindAll();
  return binding;
}

// Callers load the library first (LoadWindowsInstaller); a call without a usable library answers
// as a stopped service would.
constexpr UINT kServiceFailure = 1601;
bool Usable() { return Loaded().result == 0; }
const MsiFunctions& Msi() { return Loaded().functions; }

}  // namespace

HResult LoadWindowsInstaller(std::uint32_t& missingOrdinal) {
  missingOrdinal = Loaded().missingOrdinal;
  return Loaded().result;
}

// An owner's release: nothing is left to do when the handle does not close.
void MsiHandleTraits::Close(Value handle) {
  if (Usable()) (void)Msi().closeHandle(handle);
}

int MsiSetInternalUI(int level) { return Usable() ? Msi().setInternalUi(level, nullptr) : 0; }

std::uint32_t MsiGetProductInfoW(const std::u16string& product, const std::u16string& property, char16_t* buffer,
                                 std::uint32_t* length) {
  if (!Usable()) return kServiceFailure;
  DWORD capacity = length != nullptr ? *length : 0;
  const UINT result = Msi().getProductInfo(Wide(product), Wide(property), reinterpret_cast<LPWSTR>(buffer),
                                           length != nullptr ? &capacity : nullptr);
  if (length != nullptr) *length = capacity;
  return result;
}

int MsiQueryProductStateW(const std::u16string& product) {
  return Usable() ? Msi().queryProductState(Wide(product)) : kInstallStateUnknown;
}

std::uint32_t MsiConfigureProductW(const std::u16string& product, int installLevel, int installState) {
  if (!Usable()) return kServiceFailure;
  return Msi().configureProduct(Wide(product), installLevel, installState);
}

std::uint32_t MsiEnableLogW(std::uint32_t logMode, const std::u16string& logFile, std::uint32_t attributes) {
  if (!Usable()) return kServiceFailure;
  return Msi().enableLog(logMode, Wide(logFile), attributes);
}

std::uint32_t MsiInstallProductW(const std::u16string& packagePath, const std::u16string& commandLine) {
  if (!Usable()) return kServiceFailure;
  return Msi().installProduct(Wide(packagePath), Wide(commandLine));
}

std::uint32_t MsiOpenDatabaseW(const std::u16string& packagePath, MsiHandle& database) {
  if (!Usable()) return kServiceFailure;
  RawMsiHandle raw = 0;
  const UINT result = Msi().openDatabase(Wide(packagePath), kOpenReadOnly, &raw);
  if (result == ERROR_SUCCESS) database.reset(raw);
  return result;
}

std::uint32_t MsiDatabaseOpenViewW(const MsiHandle& database, const std::u16string& query, MsiHandle& view) {
  if (!Usable()) return kServiceFailure;
  RawMsiHandle raw = 0;
  const UINT result = Msi().databaseOpenView(database.get(), Wide(query), &raw);
  if (result == ERROR_SUCCESS) view.reset(raw);
  return result;
}

std::uint32_t MsiViewExecute(const MsiHandle& view) {
  if (!Usable()) return kServiceFailure;
  return Msi().viewExecute(view.get(), 0);
}

std::uint32_t MsiViewFetch(const MsiHandle& view, MsiHandle& record) {
  if (!Usable()) return kServiceFailure;
  RawMsiHandle raw = 0;
  const UINT result = Msi().viewFetch(view.get(), &raw);
  if (result == ERROR_SUCCESS) record.reset(raw);
  return result;
}

std::uint32_t MsiRecordGetStringW(const MsiHandle& record, std::uint32_t field, char16_t* buffer,
                                  std::uint32_t* length) {
  if (!Usable()) return kServiceFailure;
  DWORD capacity = length != nullptr ? *length : 0;
  const UINT result = Msi().recordGetString(record.get(), field, reinterpret_cast<LPWSTR>(buffer),
                                            length != nullptr ? &capacity : nullptr);
  if (length != nullptr) *length = capacity;
  return result;
}

}  // namespace platform
