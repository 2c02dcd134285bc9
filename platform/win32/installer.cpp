#include "platform/installer.h"

#include <windows.h>

#include <string>

#include "app/errors.h"
#include "platform/result.h"
#include "platform/win32/owners.h"
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
Function Bind(HMODULE msi, unsigned ordinal) {
  FARPROC address = ::GetProcAddress(msi, MAKEINTRESOURCEA(ordinal));
  if (address == nullptr) {
    ReportFatalError(HResultFromLastError(), u"msi.dll ordinal " + FromWide(std::to_wstring(ordinal).c_str()) + u": ");
  }
  return reinterpret_cast<Function>(reinterpret_cast<void*>(address));
}

// msi.dll comes from the system folder only: the setup runs elevated from a downloads folder,
// where a planted copy would otherwise be loaded. Systems that do not know the search flag (Windows
// XP, Vista and 7 without KB2533623) refuse it as an invalid parameter; there the file is named by
// its full path in the system folder, and its own imports are looked for beside it.
HMODULE LoadSystemMsi() {
  HMODULE module = ::LoadLibraryExW(L"msi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module != nullptr || ::GetLastError() != ERROR_INVALID_PARAMETER) return module;
  wchar_t folder[MAX_PATH] = {};
  const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  const std::wstring path = std::wstring(folder, length) + L"\\msi.dll";
  return ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// The module stays loaded until the process ends.
MsiFunctions BindAll() {
  static win32::LoadedModule msi(LoadSystemMsi());
  if (!msi) ReportFatalError(HResultFromLastError(), u"msi.dll: ");
  const HMODULE module = msi.get();
  return MsiFunctions{
      Bind<SetInternalUiFunction>(module, 141),     Bind<GetProductInfoFunction>(module, 70),
      Bind<QueryProductStateFunction>(module, 113), Bind<ConfigureProductFunction>(module, 16),
      Bind<EnableLogFunction>(module, 169),         Bind<InstallProductFunction>(module, 88),
      Bind<OpenDatabaseFunction>(module, 92),       Bind<DatabaseOpenViewFunction>(module, 32),
      Bind<ViewExecuteFunction>(module, 159),       Bind<ViewFetchFunction>(module, 160),
      Bind<RecordGetStringFunction>(module, 118),   Bind<CloseHandleFunction>(module, 8),
  };
}

const MsiFunctions& Msi() {
  static const MsiFunctions functions = BindAll();
  return functions;
}

}  // namespace

void MsiHandleTraits::Close(Value handle) { MsiCloseHandle(handle); }

int MsiSetInternalUI(int level) { return Msi().setInternalUi(level, nullptr); }

std::uint32_t MsiGetProductInfoW(const std::u16string& product, const std::u16string& property, char16_t* buffer,
                                 std::uint32_t* length) {
  DWORD capacity = length != nullptr ? *length : 0;
  const UINT result = Msi().getProductInfo(Wide(product), Wide(property), reinterpret_cast<LPWSTR>(buffer),
                                           length != nullptr ? &capacity : nullptr);
  if (length != nullptr) *length = capacity;
  return result;
}

int MsiQueryProductStateW(const std::u16string& product) { return Msi().queryProductState(Wide(product)); }

std::uint32_t MsiConfigureProductW(const std::u16string& product, int installLevel, int installState) {
  return Msi().configureProduct(Wide(product), installLevel, installState);
}

std::uint32_t MsiEnableLogW(std::uint32_t logMode, const std::u16string& logFile, std::uint32_t attributes) {
  return Msi().enableLog(logMode, Wide(logFile), attributes);
}

std::uint32_t MsiInstallProductW(const std::u16string& packagePath, const std::u16string& commandLine) {
  return Msi().installProduct(Wide(packagePath), Wide(commandLine));
}

std::uint32_t MsiOpenDatabaseW(const std::u16string& packagePath, MsiHandle& database) {
  RawMsiHandle raw = 0;
  const UINT result = Msi().openDatabase(Wide(packagePath), kOpenReadOnly, &raw);
  if (result == ERROR_SUCCESS) database.reset(raw);
  return result;
}

std::uint32_t MsiDatabaseOpenViewW(const MsiHandle& database, const std::u16string& query, MsiHandle& view) {
  RawMsiHandle raw = 0;
  const UINT result = Msi().databaseOpenView(database.get(), Wide(query), &raw);
  if (result == ERROR_SUCCESS) view.reset(raw);
  return result;
}

std::uint32_t MsiViewExecute(const MsiHandle& view) { return Msi().viewExecute(view.get(), 0); }

std::uint32_t MsiViewFetch(const MsiHandle& view, MsiHandle& record) {
  RawMsiHandle raw = 0;
  const UINT result = Msi().viewFetch(view.get(), &raw);
  if (result == ERROR_SUCCESS) record.reset(raw);
  return result;
}

std::uint32_t MsiRecordGetStringW(const MsiHandle& record, std::uint32_t field, char16_t* buffer,
                                  std::uint32_t* length) {
  DWORD capacity = length != nullptr ? *length : 0;
  const UINT result = Msi().recordGetString(record.get(), field, reinterpret_cast<LPWSTR>(buffer),
                                            length != nullptr ? &capacity : nullptr);
  if (length != nullptr) *length = capacity;
  return result;
}

std::uint32_t MsiCloseHandle(std::uint32_t handle) { return Msi().closeHandle(handle); }

}  // namespace platform
