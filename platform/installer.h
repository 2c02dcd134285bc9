#pragma once
#include <cstdint>
#include <string>

#include "platform/handle.h"
#include "platform/result.h"

// The Windows Installer service, as far as this program uses it. The functions keep the service's
// names; the window argument of MsiSetInternalUI is always null and therefore not passed.
namespace platform {

inline constexpr int kInstallUiLevelNone = 2;
inline constexpr int kInstallUiLevelBasic = 3;
inline constexpr int kInstallUiLevelFull = 5;
// Combined with the basic level: the progress window only, without its Cancel button or modal boxes.
inline constexpr int kInstallUiLevelProgressOnly = 0x40;
inline constexpr int kInstallStateUnknown = -1;
inline constexpr int kInstallStateAbsent = 2;
inline constexpr int kInstallStateDefault = 5;
inline constexpr int kInstallLevelDefault = 0;
inline constexpr std::uint32_t kInstallLogModeVerbose = 0x1000;
inline constexpr std::uint32_t kInstallLogAttributesAppend = 1;

struct MsiHandleTraits {
  using Value = std::uint32_t;
  static Value Invalid() { return 0; }
  static void Close(Value handle);
};
using MsiHandle = UniqueHandle<MsiHandleTraits>;

// Loads msi.dll from the system folder and binds its functions, once per process. 0 on success;
// otherwise the failure's code, with `missingOrdinal` naming the function that could not be bound
// (0 when the library itself could not be loaded). Until a successful load every call below
// answers as a stopped service would.
[[nodiscard]] HResult LoadWindowsInstaller(std::uint32_t& missingOrdinal);

int MsiSetInternalUI(int level);
// `length` holds the buffer's capacity in characters and receives the text's length.
[[nodiscard]] std::uint32_t MsiGetProductInfoW(const std::u16string& product, const std::u16string& property,
                                               char16_t* buffer, std::uint32_t* length);
[[nodiscard]] int MsiQueryProductStateW(const std::u16string& product);
[[nodiscard]] std::uint32_t MsiConfigureProductW(const std::u16string& product, int installLevel, int installState);
[[nodiscard]] std::uint32_t MsiEnableLogW(std::uint32_t logMode, const std::u16string& logFile,
                                          std::uint32_t attributes);
[[nodiscard]] std::uint32_t MsiInstallProductW(const std::u16string& packagePath, const std::u16string& commandLine);
// Opens the package read-only.
[[nodiscard]] std::uint32_t MsiOpenDatabaseW(const std::u16string& packagePath, MsiHandle& database);
[[nodiscard]] std::uint32_t MsiDatabaseOpenViewW(const MsiHandle& database, const std::u16string& query,
                                                 MsiHandle& view);
[[nodiscard]] std::uint32_t MsiViewExecute(const MsiHandle& view);
[[nodiscard]] std::uint32_t MsiViewFetch(const MsiHandle& view, MsiHandle& record);
[[nodiscard]] std::uint32_t MsiRecordGetStringW(const MsiHandle& record, std::uint32_t field, char16_t* buffer,
                                                std::uint32_t* length);

}  // namespace platform
