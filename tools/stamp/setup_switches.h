#pragma once

// The setup's switches that deployment tools pass. They move to app/options.h, where the command
// line reads them; the metadata then takes them from there.
inline constexpr char16_t kSilentOption[] = u"/silent";
inline constexpr char16_t kReducedUiOption[] = u"/reducedui";
inline constexpr char16_t kUnattendedOption[] = u"/unattended";
inline constexpr char16_t kLogOption[] = u"/log";
