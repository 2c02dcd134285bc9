#pragma once

// How the installed product relates to the one this setup installs.
enum ConfigureAction : int {
  ActionNone = 0,
  ActionFreshInstall = 1,
  ActionReplaceOlder = 2,
  ActionUpgradeMajor9 = 3,
  ActionNewerPresent = 5,
  ActionSameVersion = 7,
};
