#include "platform/result.h"

#include "platform/process.h"

HResult HResultFromLastError(HResult whenNoError) {
  const std::uint32_t error = platform::LastError();
  if (error == 0) return whenNoError;
  return HResultFromWin32(error);
}
