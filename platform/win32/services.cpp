#include "platform/services.h"

#include <windows.h>

#include "platform/win32/text.h"

namespace platform {
namespace {
SC_HANDLE Raw(const ServiceHandle& handle) { return static_cast<SC_HANDLE>(handle.get()); }
}  // namespace

void ServiceHandleTraits::Close(Value handle) { ::CloseServiceHandle(static_cast<SC_HANDLE>(handle)); }

bool OpenServiceManager(std::uint32_t access, ServiceHandle& manager) {
  SC_HANDLE opened = ::OpenSCManagerW(nullptr, nullptr, access);
  if (opened == nullptr) return false;
  manager.reset(opened);
  return true;
}

bool OpenNamedService(const ServiceHandle& manager, const std::u16string& name, std::uint32_t access,
                      ServiceHandle& service) {
  SC_HANDLE opened = ::OpenServiceW(Raw(manager), Wide(name), access);
  if (opened == nullptr) return false;
  service.reset(opened);
  return true;
}

bool SendServiceStop(const ServiceHandle& service, ServiceStatus& status) {
  SERVICE_STATUS returned{};
  const BOOL sent = ::ControlService(Raw(service), SERVICE_CONTROL_STOP, &returned);
  status = {returned.dwCurrentState, returned.dwWaitHint};
  return sent != FALSE;
}

bool QueryServiceProcessStatus(const ServiceHandle& service, ServiceStatus& status) {
  SERVICE_STATUS_PROCESS process{};
  static_assert(sizeof process == 36);
  DWORD needed = 0;
  if (!::QueryServiceStatusEx(Raw(service), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&process), sizeof process,
                              &needed)) {
    return false;
  }
  status = {process.dwCurrentState, process.dwWaitHint};
  return true;
}

bool StartServiceWithoutArguments(const ServiceHandle& service) {
  return ::StartServiceW(Raw(service), 0, nullptr) != FALSE;
}

}  // namespace platform
