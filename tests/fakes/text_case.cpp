#include "platform/text.h"

namespace platform {

// ASCII and Latin-1 letters, as the system lower-cases them; other code units stay.
void LowerCaseText(std::u16string& text) {
  for (char16_t& unit : text) {
    if ((unit >= u'A' && unit <= u'Z') || (unit >= 0xC0 && unit <= 0xDE && unit != 0xD7)) {
      unit = static_cast<char16_t>(unit + 0x20);
    }
  }
}

}  // namespace platform
