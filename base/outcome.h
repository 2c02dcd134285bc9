#pragma once
#include <cstddef>
#include <cstdint>

#include "base/installer_results.h"

// How a run of the setup ends. Every end of the process goes through one outcome, and the table
// below is the one place that turns it into an exit code: in the modes a person may watch
// (double-click, "/silent", "/reducedui") and in an "/unattended" run for deployment tools, which
// read nothing but the code. The same table says what a deployment tool should make of each code,
// so the published deployment metadata follows from it.
enum class Outcome {
  Installed,
  InstalledRestartRequired,
  InstalledRestartInitiated,
  SameVersionPresent,
  NewerVersionPresent,
  RemovalDeclined,
  AnotherSetupRunning,
  SingleInstanceGuardFailed,
  UnsupportedOption,
  UnsupportedLanguage,
  MissingOptionValue,
  ConsoleAnswered,
  WindowsTooOld,
  RestartPending,
  InstallationFailed,
  LanguageDialogCancelled,
  FatalError,
  ShellRestarted,
};

// How a mode turns an outcome into its exit code.
enum class ExitRule {
  Fixed,            // the row's code
  InstallerResult,  // the Windows Installer result the run ended with, unchanged
  ResultLow16,      // the low 16 bits of the failure's result code
  NotReached,       // the mode never ends this way
};

struct ExitCodeRule {
  ExitRule rule = ExitRule::Fixed;
  std::int32_t code = 0;
};

// What a deployment tool makes of an exit code: Microsoft Intune's return-code types.
enum class DeploymentVerdict { Success, SoftReboot, HardReboot, Retry, Failed };

struct OutcomeRow {
  Outcome outcome;
  const char* name;  // in the setup log
  ExitCodeRule attended;
  ExitCodeRule unattended;
  // For an unattended row with a fixed code: winget's name for the code ("installInProgress"),
  // null when winget needs none (0) or has none.
  const char* wingetResponse;
  DeploymentVerdict verdict;
};

namespace outcome_rules {
inline constexpr ExitCodeRule Code(std::int32_t code) { return {ExitRule::Fixed, code}; }
inline constexpr ExitCodeRule kResult = {ExitRule::InstallerResult, 0};
inline constexpr ExitCodeRule kLow16 = {ExitRule::ResultLow16, 0};
inline constexpr ExitCodeRule kNotReached = {ExitRule::NotReached, 0};
}  // namespace outcome_rules

inline constexpr std::int32_t kExitInstallInProgress = 1618;
inline constexpr std::int32_t kExitInvalidCommandLine = 1639;
inline constexpr std::int32_t kExitNewerVersionPresent = 1638;
inline constexpr std::int32_t kExitSystemNotSupported = 1150;
inline constexpr std::int32_t kExitRestartRequiredFirst = 3017;
inline constexpr std::int32_t kExitSetupFailure = 1603;

// clang-format off
inline constexpr OutcomeRow kOutcomeTable[] = {
  // outcome                              log name                        attended                          unattended                                   winget                      verdict
  {Outcome::Installed,                    "installed",                    outcome_rules::Code(0),           outcome_rules::Code(0),                      nullptr,                    DeploymentVerdict::Success},
  {Outcome::InstalledRestartRequired,     "installed, restart required",  outcome_rules::Code(0),           outcome_rules::Code(kInstallerRebootRequired),  "rebootRequiredToFinish", DeploymentVerdict::SoftReboot},
  {Outcome::InstalledRestartInitiated,    "installed, restart initiated", outcome_rules::Code(0),           outcome_rules::Code(kInstallerRebootInitiated), "rebootInitiated",        DeploymentVerdict::HardReboot},
  {Outcome::SameVersionPresent,           "same version installed",       outcome_rules::Code(0),           outcome_rules::Code(0),                      nullptr,                    DeploymentVerdict::Success},
  {Outcome::NewerVersionPresent,          "newer version installed",      outcome_rules::Code(0),           outcome_rules::Code(kExitNewerVersionPresent),  "downgrade",              DeploymentVerdict::Failed},
  {Outcome::RemovalDeclined,              "removal declined",             outcome_rules::Code(0),           outcome_rules::kNotReached,                  nullptr,                    DeploymentVerdict::Failed},
  {Outcome::AnotherSetupRunning,          "another setup running",        outcome_rules::Code(1),           outcome_rules::Code(kExitInstallInProgress),    "installInProgress",      DeploymentVerdict::Retry},
  {Outcome::SingleInstanceGuardFailed,    "single-instance guard failed", outcome_rules::Code(1),           outcome_rules::Code(kExitSetupFailure),         nullptr,                  DeploymentVerdict::Failed},
  {Outcome::UnsupportedOption,            "unsupported option",           outcome_rules::Code(0),           outcome_rules::Code(kExitInvalidCommandLine),   "invalidParameter",       DeploymentVerdict::Failed},
  {Outcome::UnsupportedLanguage,          "unsupported language",         outcome_rules::Code(1),           outcome_rules::Code(kExitInvalidCommandLine),   "invalidParameter",       DeploymentVerdict::Failed},
  {Outcome::MissingOptionValue,           "option without its value",     outcome_rules::kNotReached,       outcome_rules::Code(kExitInvalidCommandLine),   "invalidParameter",       DeploymentVerdict::Failed},
  {Outcome::ConsoleAnswered,              "console answer given",         outcome_rules::Code(0),           outcome_rules::Code(0),                      nullptr,                    DeploymentVerdict::Success},
  {Outcome::WindowsTooOld,                "Windows not supported",        outcome_rules::Code(-1),          outcome_rules::Code(kExitSystemNotSupported),   "systemNotSupported",     DeploymentVerdict::Failed},
  {Outcome::RestartPending,               "restart pending",              outcome_rules::Code(0),           outcome_rules::Code(kExitRestartRequiredFirst), "rebootRequiredForInstall", DeploymentVerdict::Failed},
  {Outcome::InstallationFailed,           "installation failed",          outcome_rules::Code(1),           outcome_rules::kResult,                      nullptr,                    DeploymentVerdict::Failed},
  {Outcome::LanguageDialogCancelled,      "language dialog cancelled",    outcome_rules::Code(1),           outcome_rules::kNotReached,                  nullptr,                    DeploymentVerdict::Failed},
  {Outcome::FatalError,                   "setup failure",                outcome_rules::kLow16,            outcome_rules::Code(kExitSetupFailure),         nullptr,                  DeploymentVerdict::Failed},
  {Outcome::ShellRestarted,               "shell restarted",              outcome_rules::Code(0),           outcome_rules::kNotReached,                  nullptr,                    DeploymentVerdict::Success},
};
// clang-format on

// Installer results an unattended run passes on unchanged that deployment tools know by name.
struct InstallerResultMeaning {
  std::uint32_t result;
  const char* wingetResponse;
};
inline constexpr InstallerResultMeaning kInstallerResultMeanings[] = {
    {kInstallerUserExit, "cancelledByUser"},
};

// The row of an outcome; every outcome has one.
const OutcomeRow& OutcomeRowOf(Outcome outcome);

// The exit code of `outcome` in the mode in force. `detail` is the Windows Installer result of a
// failed installation or the result code of a setup failure; other outcomes ignore it.
std::int32_t ExitCodeOf(Outcome outcome, bool unattended, std::uint32_t detail);

// What a deployment tool makes of an exit code of an unattended run: the verdict of the row that
// gives it (1618 from Windows Installer too), any other code a failure.
DeploymentVerdict VerdictOfUnattendedCode(std::int32_t code);

// Whether this run is unattended ("/unattended" among the arguments). Written once, by the
// start-up, before the first decision that depends on it; read wherever a box, a window or an exit
// would come.
extern bool unattendedRun;

// With "/reducedui" an unattended run keeps Windows Installer's basic progress window; without it,
// none. Written once by the start-up with `unattendedRun`.
extern bool unattendedProgress;

// The Windows Installer UI level of every installation and removal in an unattended run: none, or
// basic progress only with `unattendedProgress`.
int UnattendedInstallerUiLevel();

// Writes the outcome and its exit code as the setup log's last line and ends the process with
// that code.
[[noreturn]] void EndRun(Outcome outcome, std::uint32_t detail = 0);

// Writes the closing log line and returns the exit code, for the one normal return of the entry
// point.
std::int32_t FinishRun(Outcome outcome, std::uint32_t detail = 0);
