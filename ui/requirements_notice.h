#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "platform/process.h"
#include "platform/system_info.h"
#include "platform/ui.h"

// Why this Windows does not meet the requirements: 0 it does, 1 it is older than Windows XP, 2 it
// is Windows XP without Service Pack 2. Written only by the Windows version check.
extern std::int32_t requirementsStatus;
inline constexpr std::int32_t kRequirementsMet = 0;
inline constexpr std::int32_t kWindowsTooOld = 1;
inline constexpr std::int32_t kServicePackMissing = 2;

// String-table ids of the notice: the caption, the text for a Windows older than XP, and the
// text for Windows XP without Service Pack 2 that offers the Windows Update web site.
inline constexpr std::uint32_t kRequirementsCaptionId = 104;
inline constexpr std::uint32_t kWindowsTooOldTextId = 105;
inline constexpr std::uint32_t kServicePackMissingTextId = 106;

inline constexpr char16_t kWindowsUpdateUrl[] = u"http://windowsupdate.microsoft.com/";
inline constexpr char16_t kServicePackArticleUrl[] = u"http://support.microsoft.com/kb/322389";

// The maker's page on operating-system requirements for this product and Windows version:
// "&qzlang=" and "&lang=" carry the locale tags of the main package's language and of the user's
// locale where they could be formed, "&os_sp=" only follows when a service pack is installed.
std::u16string RequirementsLink(const platform::VersionFacts& version, const std::optional<std::u16string>& packageTag,
                                const std::optional<std::u16string>& userTag);

// Shows the notice for `requirementsStatus` in a box owned by an invisible window of the class
// "hiddenwindow" (whose procedure answers the Help button) and returns when the box is closed.
// Where the class or the window cannot be made, a plain error box without Help is shown instead.
void ShowRequirementsNotice(platform::InstanceHandle instance);

// The procedure of "hiddenwindow": WM_HELP opens the Knowledge Base article on Service Pack 2
// (status 2) or the requirements link; every message then goes to the default procedure, whose
// result is returned.
std::intptr_t PLATFORM_CALLBACK RequirementsWindowProc(platform::WindowHandle window, std::uint32_t message,
                                                       std::uintptr_t wParam, std::intptr_t lParam);

// The string `id` of the program's string table in the language the resource loader picks for
// the user, read into a buffer of 1024 characters; empty when the string does not exist.
std::u16string LoadResourceString(platform::InstanceHandle instance, std::uint32_t id);

void ResetRequirementsStatusForTesting();
