// The affiliate conversion: tag text to installer properties. Whatever the text, a text the check
// accepts converts into blank-separated NAME=VALUE properties with no quote or control character,
// and the start-up either takes exactly that or warns and keeps the default.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "tag/affiliate_configuration.h"
#include "tag/tag_format.h"
#include "tests/fakes/file_mapping.h"
#include "tests/fakes/signed_image.h"
#include "tests/fakes/ui.h"
#include "tests/fakes/world.h"
#include "tests/fuzz/fuzz_support.h"

using fuzzing::Require;

namespace {

bool IsNameUnit(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_'; }

// Blank-separated properties, each NAME=VALUE, as the installer command line needs them.
bool AreSafeProperties(std::u16string_view properties) {
  while (true) {
    const std::size_t end = std::min(properties.find(u' '), properties.size());
    const std::u16string_view property = properties.substr(0, end);
    if (!property.empty()) {
      const std::size_t equals = property.find(u'=');
      if (equals == std::u16string_view::npos || property[0] < u'A' || property[0] > u'Z') return false;
      for (std::size_t i = 0; i < equals; ++i) {
        if (!IsNameUnit(property[i])) return false;
      }
      for (char16_t c : property.substr(equals + 1)) {
        if (c <= 0x20 || c == 0x7F || c == u'"' || c == u'\'') return false;
      }
    }
    if (end == properties.size()) return true;
    properties.remove_prefix(end + 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > tagging::kMaxTagTextSize) return 0;
  const auto exact = fuzzing::ExactCopy(data, size);
  const std::string_view text(reinterpret_cast<const char*>(exact.get()), size);
  const bool wellFormed = tagging::IsWellFormedTagText(text);
  const std::u16string properties = AffiliatePropertiesFromTag(exact.get(), static_cast<std::int32_t>(size));
  if (wellFormed) Require(AreSafeProperties(properties), "an accepted text gives safe properties");

  fakes::ResetWorld();
  fakes::FileMapping().tightViews = true;
  const std::u16string path = u"C:\\OrvexUtilities2011Setup.exe";
  fakes::FileMapping().files[path] = fakes::TaggedImage(text);
  const std::u16string defaults = affiliateProperties;
  LoadAffiliateConfiguration(path);
  if (wellFormed) {
    Require(affiliateProperties == properties && fakes::Ui().boxes.empty(), "an accepted text is taken silently");
  } else {
    Require(affiliateProperties == defaults, "a refused text keeps the default");
    Require(fakes::Ui().boxes.size() == 1 && fakes::Ui().boxes[0].caption == u"extract_aidconfig3",
            "a refused text warns once, at the third stage");
  }
  return 0;
}
