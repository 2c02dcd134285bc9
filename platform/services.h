#pragma once
#include <cstdint>
#include <string>

#include "platform/handle.h"

// The service control manager and the services it knows. Failures leave the thread's last error
// as the failing call set it (platform::LastError).
namespace platform {

struct ServiceHandleTraits {
  using Value = void*;
  static Value Invalid() { return nullptr; }
  static void Close(Value handle);  // CloseServiceHandle
};
using ServiceHandle = UniqueHandle<ServiceHandleTraits>;

inline constexpr std::uint32_t kServiceManagerAllAccess = 0xF003F;
inline constexpr std::uint32_t kServiceStopAndQueryStatus = 0x24;
inline constexpr std::uint32_t kServiceStartAndQueryStatus = 0x14;

inline constexpr std::uint32_t kServiceStopped = 1;
inline constexpr std::uint32_t kServiceStopPending = 3;

// The two fields of a service's status that matter here.
struct ServiceStatus {
  std::uint32_t currentState = 0;
  std::uint32_t waitHint = 0;  // milliseconds
};

// OpenSCManagerW on the local machine, the active database.
[[nodiscard]] bool OpenServiceManager(std::uint32_t access, ServiceHandle& manager);
// OpenServiceW.
[[nodiscard]] bool OpenNamedService(const ServiceHandle& manager, const std::u16string& name, std::uint32_t access,
                                    ServiceHandle& service);
// ControlService(SERVICE_CONTROL_STOP); `status` is what the control returned.
[[nodiscard]] bool SendServiceStop(const ServiceHandle& service, ServiceStatus& status);
// QueryServiceStatusEx(SC_STATUS_PROCESS_INFO) into the 36-byte process status record.
[[nodiscard]] bool QueryServiceProcessStatus(const ServiceHandle& service, ServiceStatus& status);
// StartServiceW without arguments: whether the request was accepted.
[[nodiscard]] bool StartServiceWithoutArguments(const ServiceHandle& service);

}  // namespace platform
