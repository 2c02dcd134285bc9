#include "tests/fakes/services.h"

#include <cstdio>
#include <string>

#include "tests/fakes/process.h"
#include "tests/fakes/world.h"

namespace fakes {
namespace {
ServicesWorld world;
const bool registered = RegisterReset([] { world = ServicesWorld{}; });

constexpr std::uintptr_t kManager = 0x5C01;
constexpr std::uintptr_t kService = 0x5C02;

std::string Hex(std::uint32_t value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%x", value);
  return buffer;
}

bool Fail(std::uint32_t error) {
  Process().lastError = error;
  return false;
}

std::string Describe(const platform::ServiceStatus& status) {
  return " state=" + std::to_string(status.currentState) + " hint=" + std::to_string(status.waitHint);
}
}  // namespace
ServicesWorld& Services() { return world; }
}  // namespace fakes

namespace platform {

void ServiceHandleTraits::Close(Value handle) {
  fakes::Record(reinterpret_cast<std::uintptr_t>(handle) == fakes::kManager ? "CloseServiceHandle manager"
                                                                             : "CloseServiceHandle service");
}

bool OpenServiceManager(std::uint32_t access, ServiceHandle& manager) {
  fakes::Record("OpenServiceManager " + fakes::Hex(access));
  if (fakes::world.managerError) return fakes::Fail(*fakes::world.managerError);
  manager.reset(reinterpret_cast<void*>(fakes::kManager));
  return true;
}

bool OpenNamedService(const ServiceHandle& manager, const std::u16string& name, std::uint32_t access,
                      ServiceHandle& service) {
  fakes::Record("OpenNamedService " + fakes::Utf8(name) + " " + fakes::Hex(access));
  if (reinterpret_cast<std::uintptr_t>(manager.get()) != fakes::kManager) return fakes::Fail(6);
  if (fakes::world.openError) return fakes::Fail(*fakes::world.openError);
  service.reset(reinterpret_cast<void*>(fakes::kService));
  return true;
}

bool SendServiceStop(const ServiceHandle& service, ServiceStatus& status) {
  fakes::Record("SendServiceStop");
  if (reinterpret_cast<std::uintptr_t>(service.get()) != fakes::kService) return fakes::Fail(6);
  if (fakes::world.stopError) return fakes::Fail(*fakes::world.stopError);
  status = fakes::world.stopReturns;
  if (status.currentState == kServiceStopped) fakes::world.running = false;
  return true;
}

bool QueryServiceProcessStatus(const ServiceHandle& service, ServiceStatus& status) {
  if (reinterpret_cast<std::uintptr_t>(service.get()) != fakes::kService) return fakes::Fail(6);
  auto& queries = fakes::world.queries;
  const std::optional<ServiceStatus> answer = queries.empty() ? std::nullopt : queries.front();
  if (queries.size() > 1) queries.pop_front();
  fakes::Record("QueryServiceProcessStatus" + (answer ? fakes::Describe(*answer) : std::string(" failed")));
  if (!answer) return fakes::Fail(5);
  status = *answer;
  if (status.currentState == kServiceStopped) fakes::world.running = false;
  return true;
}

bool StartServiceWithoutArguments(const ServiceHandle& service) {
  fakes::Record("StartServiceWithoutArguments");
  if (reinterpret_cast<std::uintptr_t>(service.get()) != fakes::kService) return fakes::Fail(6);
  if (fakes::world.startError) return fakes::Fail(*fakes::world.startError);
  fakes::world.running = true;
  return true;
}

}  // namespace platform
