#pragma once
#include <deque>

#include "platform/com.h"

namespace fakes {

struct ComWorld {
  // GUIDs the next CoCreateGuid calls hand out, in order; when empty each call makes a new one
  // from a counter ({00000001-0000-4000-8000-000000000000}, then ...2-...).
  std::deque<platform::Guid> guidsToCreate;
  // What CoInitialize answers.
  HResult initializeResult = 0;
  bool createFails = false;
  bool toStringFails = false;
  unsigned created = 0;

  // The object creation and the method call; whether the thread is in an apartment.
  HResult createResult = 0;  // 0x80040154 (class not registered) and the like make creation fail
  HResult methodResult = 0;
  bool initialized = false;
};
ComWorld& Com();

// A GUID from its braced text; fails the calling test when the text is not one.
platform::Guid GuidOf(const char16_t* text);

}  // namespace fakes
