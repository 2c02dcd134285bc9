#include "ui/requirements_notice.h"

#include "base/product.h"
#include "base/text_format.h"
#include "installer/package_extraction.h"
#include "platform/shell.h"
#include "report/system_info_query.h"

std::int32_t requirementsStatus = kRequirementsMet;

namespace {

constexpr char16_t kWindowClass[] = u"hiddenwindow";
constexpr char16_t kRequirementsPath[] = u"/link/?target=osrequirements";
constexpr int kStringCapacity = 1024;

constexpr std::uint32_t kServicePackMissingStyle = platform::kMbHelp | platform::kMbIconWarning | platform::kMbYesNo;
constexpr std::uint32_t kWindowsTooOldStyle = platform::kMbHelp | platform::kMbIconError | platform::kMbOk;

void Open(platform::WindowHandle owner, const std::u16string& url) {
  // Where no program opens the page, the notice itself still says what is needed.
  (void)platform::ShellOpen(owner, u"open", url, u"", platform::kSwShow);
}

// The box without owner (and so without Help) for when the hidden window cannot be had.
void ShowPlainNotice(platform::InstanceHandle instance) {
  platform::ShowMessageBox(LoadResourceString(instance, kWindowsTooOldTextId),
                           LoadResourceString(instance, kRequirementsCaptionId).c_str(), platform::kMbIconError);
}

std::optional<std::u16string> Tag(std::uint32_t lcid) {
  std::u16string tag;
  if (!LocaleTag(lcid, tag)) return std::nullopt;
  return tag;
}

}  // namespace

std::u16string RequirementsLink(const platform::VersionFacts& version, const std::optional<std::u16string>& packageTag,
                                const std::optional<std::u16string>& userTag) {
  std::u16string url = std::u16string(linkBase) + kRequirementsPath;
  url += u"&app=" + UrlEscape(kProductCode);
  url += u"&version=" + UrlEscape(kProductVersion);
  if (packageTag) url += u"&qzlang=" + UrlEscape(*packageTag);
  if (userTag) url += u"&lang=" + UrlEscape(*userTag);
  url += u"&os_ver=" + UnsignedDecimal(version.major) + u"." + UnsignedDecimal(version.minor);
  if (version.servicePackMajor > 0) {
    url += u"&os_sp=" + UnsignedDecimal(version.servicePackMajor) + u"." + UnsignedDecimal(version.servicePackMinor);
  }
  return url;
}

void ShowRequirementsNotice(platform::InstanceHandle instance) {
  if (!platform::RegisterWindowClass(instance, kWindowClass, RequirementsWindowProc)) {
    ShowPlainNotice(instance);
    return;
  }
  const platform::Window window = platform::CreateHiddenWindow(instance, kWindowClass, kWindowClass);
  if (!window) {
    ShowPlainNotice(instance);
    return;
  }
  const std::u16string caption = LoadResourceString(instance, kRequirementsCaptionId);
  if (requirementsStatus == kServicePackMissing) {
    const int answer = platform::ShowOwnedMessageBox(
        window.get(), LoadResourceString(instance, kServicePackMissingTextId), caption, kServicePackMissingStyle);
    if (answer == platform::kIdYes) Open(window.get(), kWindowsUpdateUrl);
  } else if (requirementsStatus == kWindowsTooOld) {
    platform::ShowOwnedMessageBox(window.get(), LoadResourceString(instance, kWindowsTooOldTextId), caption,
                                  kWindowsTooOldStyle);
  }
}

std::intptr_t PLATFORM_CALLBACK RequirementsWindowProc(platform::WindowHandle window, std::uint32_t message,
                                                       std::uintptr_t wParam, std::intptr_t lParam) {
  if (message == platform::kWmHelp) {
    if (requirementsStatus == kServicePackMissing) {
      Open(window, kServicePackArticleUrl);
    } else {
      Open(window, RequirementsLink(platform::QueryVersionFacts(), Tag(kMainPackage.languageId),
                                    Tag(platform::UserDefaultLcid())));
    }
  }
  return platform::DefaultWindowProcedure(window, message, wParam, lParam);
}

std::u16string LoadResourceString(platform::InstanceHandle instance, std::uint32_t id) {
  char16_t buffer[kStringCapacity] = {};
  // The buffer starts empty and always ends terminated: a missing string reads as empty.
  (void)platform::LoadStringResource(instance, id, buffer, kStringCapacity);
  return std::u16string(buffer);
}

void ResetRequirementsStatusForTesting() { requirementsStatus = kRequirementsMet; }
