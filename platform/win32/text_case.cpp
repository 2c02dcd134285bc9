#include <windows.h>

#include "platform/text.h"

namespace platform {

void LowerCaseText(std::u16string& text) {
  if (text.empty()) return;
  ::CharLowerBuffW(reinterpret_cast<wchar_t*>(text.data()), static_cast<DWORD>(text.size()));
}

}  // namespace platform
