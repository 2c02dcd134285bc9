#pragma once
#include <string>

namespace platform {

// Lower-cases the text in place by the system's rules (CharLowerBuffW over its whole length).
void LowerCaseText(std::u16string& text);

}  // namespace platform
