// The affiliate conversion: tag text to installer properties. Whatever the text, a text the check
// accepts converts into blank-separated NAME=VALUE properties of allowed names, each once, with
// plain non-empty values, and the start-up either takes exactly that or warns and keeps the
// default.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/product_data.h"
#include "tag/affiliate_configuration.h"
#include "tag/tag_format.h"
#include "tests/fakes/file_mapping.h"
#include "tests/fakes/signed_image.h"
#include "tests/fakes/ui.h"
#include "tests/fakes/world.h"
#include "tests/fuzz/fuzz_support.h"

using fuzzing::Require;

namespace {

bool IsAllowedName(std::u16string_view name) {
  return std::any_of(std::begin(kAffiliateTagProperties), std::end(kAffiliateTagProperties), [&](const char* allowed) {
    return std::equal(name.begin(), name.end(), allowed, allowed + std::char_traits<char>::length(allowed));
  });
}

bool IsPlainValueUnit(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'-' || c == u'_' ||
         c == u'#';
}

// Blank-separated properties, each NAME=VALUE with NAME allowed and given once and VALUE plain
// and not empty, as the installer command line needs them.
bool AreSafeProperties(std::u16string_view properties) {
  std::vector<std::u16string_view> names;
  while (true) {
    const std::size_t end = std::min(properties.find(u' '), properties.size());
    const std::u16string_view property = properties.substr(0, end);
    if (!property.empty()) {
      const std::size_t equals = property.find(u'=');
      if (equals == std::u16string_view::npos) return false;
      const std::u16string_view name = property.substr(0, equals);
      const std::u16string_view value = property.substr(equals + 1);
      if (!IsAllowedName(name) || std::find(names.begin(), names.end(), name) != names.end()) return false;
      if (value.empty() || value.size() > tagging::kMaxTagValueLength) return false;
      if (!std::all_of(value.begin(), value.end(), IsPlainValueUnit)) return false;
      names.push_back(name);
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
