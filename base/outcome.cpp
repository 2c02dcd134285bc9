#include "base/outcome.h"

#include <iterator>

#include "base/setup_log.h"
#include "base/text_format.h"
#include "platform/installer.h"
#include "platform/process.h"

bool unattendedRun = false;
bool unattendedProgress = false;

int UnattendedInstallerUiLevel() {
  return unattendedProgress ? platform::kInstallUiLevelBasic | platform::kInstallUiLevelProgressOnly
                            : platform::kInstallUiLevelNone;
}

namespace {
constexpr bool RowsFollowTheOutcomes() {
  for (std::size_t i = 0; i < std::size(kOutcomeTable); ++i) {
    if (static_cast<std::size_t>(kOutcomeTable[i].outcome) != i) return false;
  }
  return std::size(kOutcomeTable) == static_cast<std::size_t>(Outcome::ShellRestarted) + 1;
}
static_assert(RowsFollowTheOutcomes(), "one row per outcome, in the order of the outcomes");
}  // namespace

const OutcomeRow& OutcomeRowOf(Outcome outcome) { return kOutcomeTable[static_cast<std::size_t>(outcome)]; }

std::int32_t ExitCodeOf(Outcome outcome, bool unattended, std::uint32_t detail) {
  const ExitCodeRule& rule = unattended ? OutcomeRowOf(outcome).unattended : OutcomeRowOf(outcome).attended;
  switch (rule.rule) {
    case ExitRule::Fixed:
      return rule.code;
    case ExitRule::InstallerResult:
      return static_cast<std::int32_t>(detail);
    case ExitRule::ResultLow16:
      return static_cast<std::int32_t>(detail & 0xFFFFu);
    case ExitRule::NotReached:
      break;
  }
  // A mode that never ends this way still ends as a failure of the setup, never as success.
  return unattended ? kExitSetupFailure : 1;
}

DeploymentVerdict VerdictOfUnattendedCode(std::int32_t code) {
  for (const OutcomeRow& row : kOutcomeTable) {
    if (row.unattended.rule == ExitRule::Fixed && row.unattended.code == code) return row.verdict;
  }
  return DeploymentVerdict::Failed;
}

std::int32_t FinishRun(Outcome outcome, std::uint32_t detail) {
  const std::int32_t code = ExitCodeOf(outcome, unattendedRun, detail);
  const char* name = OutcomeRowOf(outcome).name;
  std::u16string text;
  for (const char* c = name; *c != '\0'; ++c) text += static_cast<char16_t>(*c);
  LogEvent({u"Outcome: ", text, u"; exit code ", SignedDecimal(code)});
  return code;
}

void EndRun(Outcome outcome, std::uint32_t detail) { platform::EndProcess(FinishRun(outcome, detail)); }
