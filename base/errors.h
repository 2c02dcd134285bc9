#pragma once
#include <cstdint>
#include <string>

#include "platform/result.h"

// Shows `message` followed by the system text of the code's low 16 bits (nothing appended for
// code 0) in an error box without caption, then ends the process with the code's low 16 bits.
[[noreturn]] void ReportFatalError(HResult code, const std::u16string& message);

// The system's text for a message number, or its unsigned decimal digits when there is none.
std::u16string SystemMessageText(std::uint32_t number);
