#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "app/options.h"
#include "base/configure_action.h"
#include "platform/process.h"

// Installs the language packs and then the main package; ends the process on failure (exit code 1,
// in an unattended run the installer's result). Returns the restart the installation needs: 1641
// when Windows Installer started one, 3010 when one must finish it, else 0.
std::uint32_t RunInstallation(platform::InstanceHandle instance, ConfigureAction action, const SetupOptions& options);

// "USERDEFINST=" 1 or 2 (custom installation chosen in the dialog or not), a blank, and the
// affiliate properties.
std::u16string BuildCustomInstallProperty();

// The main package's installer properties, character for character. A non-empty
// `basePackageProperties` already ends with a blank, so a double blank follows it.
std::u16string BuildMainCommandLine(const std::u16string& basePackageProperties, const std::u16string& languageValue,
                                    const std::u16string& customInstallProperty, bool silent,
                                    std::uint32_t installedMajor);

// The language packs' installer properties.
std::u16string BuildLangPackCommandLine(const std::u16string& langPackProperties);

// Whether HKLM "Software\Orvex" "PreinstallMode" is 1 (32-bit view first, the 64-bit view only
// when the 32-bit key cannot be opened). Read anew at each call.
bool IsPreinstallMode();

// The first requested language code that is neither "all" nor the code of a carried pack, or
// none (-1). Codes compare exactly and case-sensitively.
std::int64_t FindUnsupportedLanguageCode(const std::vector<std::u16string>& requested,
                                         const std::vector<std::u16string>& carried);
