#include "tag/affiliate_configuration.h"

#include <string_view>
#include <vector>

#include "base/outcome.h"
#include "base/product.h"
#include "base/setup_log.h"
#include "platform/ui.h"
#include "tag/tag_extractor.h"
#include "tag/tag_format.h"

namespace {

// Blocks until the user dismisses it; the caption names the step that found no tag. An unattended
// run, where nobody would dismiss it, only logs it.
void WarnNoConfiguration(const char16_t* stage) {
  LogEvent({u"Tag: none usable (", stage, u"); the default properties are used"});
  if (unattendedRun) return;
  platform::ShowMessageBox(u"No AID Config found.  Using default values.", stage, platform::kMbIconWarning);
}

// The properties of the default tag, the one a distribution without its own carries.
std::u16string DefaultAffiliateProperties() {
  return AffiliatePropertiesFromTag(reinterpret_cast<const std::uint8_t*>(kDefaultAffiliateTag),
                                    static_cast<std::int32_t>(sizeof kDefaultAffiliateTag - 1));
}

}  // namespace

std::u16string affiliateProperties = DefaultAffiliateProperties();

std::u16string AffiliatePropertiesFromTag(const std::uint8_t* text, std::int32_t count) {
  std::u16string properties;
  for (std::int32_t i = 0; i < count && text[i] != 0; ++i) {
    std::uint8_t byte = text[i];
    if (byte == '&') {
      byte = ' ';
    } else if (byte == '.') {
      byte = '#';
    }
    properties += static_cast<char16_t>(static_cast<std::int8_t>(byte));
  }
  return properties;
}

void LoadAffiliateConfiguration(const std::u16string& programPath) {
  tagging::TagExtractor extractor;
  if (!extractor.MapFile(programPath)) {
    WarnNoConfiguration(u"extract_aidconfig1");
    return;
  }
  std::int32_t count = 0;
  if (!extractor.ReadTag(nullptr, &count)) {
    WarnNoConfiguration(u"extract_aidconfig2");
    return;
  }
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(count));
  // A text that is not a list of NAME=VALUE properties counts as no tag: it could change the
  // meaning of the rest of the elevated installer command line.
  if (!extractor.ReadTag(buffer.data(), &count) ||
      !tagging::IsWellFormedTagText(std::string_view(reinterpret_cast<const char*>(buffer.data()), buffer.size()))) {
    WarnNoConfiguration(u"extract_aidconfig3");
    return;
  }
  affiliateProperties = AffiliatePropertiesFromTag(buffer.data(), count);
  LogEvent({u"Tag: read; properties ", affiliateProperties});
}

void ResetAffiliatePropertiesForTesting() { affiliateProperties = DefaultAffiliateProperties(); }
