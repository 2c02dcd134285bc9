// The version-string parser, on the text as given (UTF-16 little-endian, in an allocation that
// ends with its terminator) and on the installed product's "VersionString" as the detection
// reads it from Windows Installer into its 32-character buffer.
#include <cstdint>
#include <memory>
#include <string>

#include "base/product.h"
#include "tests/fakes/installer.h"
#include "tests/fakes/world.h"
#include "tests/fuzz/fuzz_support.h"
#include "versions/installed_product.h"

using fuzzing::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::u16string units = fuzzing::CodeUnits(data, size);
  const auto text = std::make_unique<char16_t[]>(units.size() + 1);
  units.copy(text.get(), units.size());

  const VersionNumbers untouched{1, 2, 3, 4};
  VersionNumbers version = untouched;
  const HResult parsed = ParseVersionString(text.get(), version);
  Require(parsed == kSOk || parsed == kEFail, "a text parses or fails with E_FAIL");
  if (parsed == kSOk) {
    Require(version.major < 65536 && version.minor < 65536 && version.build < 65536 && version.revision < 65536,
            "every part is below 65536");
  } else {
    Require(version == untouched, "a failed parse leaves the version as it was");
  }

  fakes::ResetWorld();
  fakes::Installer().products[kInstallerProductCode].version = units;
  ConfigureAction action = ActionNone;
  try {
    const HResult result = GetRequiredMsiConfigureAction(kProductVersionHigh, kProductVersionLow,
                                                         kInstallerProductCode, action);
    Require(result == kSOk, "the detection succeeds or ends the process");
    if (units.size() >= 32) {
      Require(action == ActionFreshInstall && installedMajorVersion == 0,
              "a version longer than the buffer counts as nothing installed");
    } else {
      Require(action == ActionSameVersion || action == ActionUpgradeMajor9 || action == ActionReplaceOlder ||
                  action == ActionNewerPresent,
              "an installed version yields one of the four comparisons");
    }
  } catch (const fakes::ProcessExit& exit) {
    Require(exit.code == 16389 && units.size() < 32, "only an unparsable version ends the process, with E_FAIL");
  }
  return 0;
}
