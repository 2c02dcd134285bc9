#include "tests/fakes/task_scheduler.h"

#include <cstdint>

#include "tests/fakes/world.h"

namespace fakes {
namespace {
TaskSchedulerWorld world;
std::uintptr_t nextAddress = 0x5000;
const bool registered = RegisterReset([] {
  world = TaskSchedulerWorld{};
  nextAddress = 0x5000;
});

// Logs the call and answers with its scripted result.
HResult Answer(const std::string& name, const std::string& arguments = {}) {
  Record(arguments.empty() ? name : name + " " + arguments);
  const auto found = world.results.find(name);
  return found == world.results.end() ? kSOk : found->second;
}

template <typename Kind>
HResult HandOut(HResult result, const char* interfaceName, platform::TaskObject<Kind>& object) {
  if (result < 0) return result;
  void* address = reinterpret_cast<void*>(nextAddress += 0x10);
  world.liveObjects[address] = interfaceName;
  object.reset(address);
  return result;
}

std::string Flag(bool value) { return value ? "true" : "false"; }
}  // namespace

TaskSchedulerWorld& TaskScheduler() { return world; }

}  // namespace fakes

namespace platform {

using fakes::Answer;
using fakes::HandOut;
using fakes::Utf8;

void ReleaseTaskObject(void* object) {
  const auto found = fakes::world.liveObjects.find(object);
  if (found == fakes::world.liveObjects.end()) {
    ADD_FAILURE() << "released an object that is not alive";
    return;
  }
  fakes::Record("Release " + found->second);
  fakes::world.liveObjects.erase(found);
}

HResult CreateTaskService(TaskService& service) {
  return HandOut(Answer("CreateTaskService"), "ITaskService", service);
}
HResult ConnectTaskService(const TaskService&) { return Answer("ConnectTaskService"); }
HResult GetTaskFolder(const TaskService&, const std::u16string& path, TaskFolder& folder) {
  return HandOut(Answer("GetTaskFolder", Utf8(path)), "ITaskFolder", folder);
}
HResult NewTask(const TaskService&, TaskDefinition& definition) {
  return HandOut(Answer("NewTask"), "ITaskDefinition", definition);
}
HResult DeleteTask(const TaskFolder&, const std::u16string& name) { return Answer("DeleteTask", Utf8(name)); }
HResult RegisterTaskDefinition(const TaskFolder&, const std::u16string& name, const TaskDefinition&, int flags,
                               const std::optional<std::u16string>& user, int logonType, RegisteredTask& task) {
  const std::string arguments = Utf8(name) + " flags " + std::to_string(flags) + " user " +
                                (user ? Utf8(*user) : "<empty>") + " logon " + std::to_string(logonType);
  return HandOut(Answer("RegisterTaskDefinition", arguments), "IRegisteredTask", task);
}
HResult GetRegistrationInfo(const TaskDefinition&, RegistrationInfo& info) {
  return HandOut(Answer("GetRegistrationInfo"), "IRegistrationInfo", info);
}
HResult GetTriggers(const TaskDefinition&, TriggerCollection& triggers) {
  return HandOut(Answer("GetTriggers"), "ITriggerCollection", triggers);
}
HResult GetTaskSettings(const TaskDefinition&, TaskSettings& settings) {
  return HandOut(Answer("GetTaskSettings"), "ITaskSettings", settings);
}
HResult GetActions(const TaskDefinition&, ActionCollection& actions) {
  return HandOut(Answer("GetActions"), "IActionCollection", actions);
}
HResult GetPrincipal(const TaskDefinition&, Principal& principal) {
  return HandOut(Answer("GetPrincipal"), "IPrincipal", principal);
}
HResult PutDescription(const RegistrationInfo&, const std::u16string& description) {
  return Answer("PutDescription", Utf8(description));
}
HResult CreateTrigger(const TriggerCollection&, int type, Trigger& trigger) {
  return HandOut(Answer("CreateTrigger", std::to_string(type)), "ITrigger", trigger);
}
HResult PutEndBoundary(const Trigger&, const std::u16string& boundary) {
  return Answer("PutEndBoundary", Utf8(boundary));
}
HResult PutAllowDemandStart(const TaskSettings&, bool allow) {
  return Answer("PutAllowDemandStart", fakes::Flag(allow));
}
HResult PutDisallowStartIfOnBatteries(const TaskSettings&, bool disallow) {
  return Answer("PutDisallowStartIfOnBatteries", fakes::Flag(disallow));
}
HResult PutExecutionTimeLimit(const TaskSettings&, const std::u16string& limit) {
  return Answer("PutExecutionTimeLimit", Utf8(limit));
}
HResult PutDeleteExpiredTaskAfter(const TaskSettings&, const std::u16string& delay) {
  return Answer("PutDeleteExpiredTaskAfter", Utf8(delay));
}
HResult CreateAction(const ActionCollection&, int type, Action& action) {
  return HandOut(Answer("CreateAction", std::to_string(type)), "IAction", action);
}
HResult QueryExecAction(const Action&, ExecAction& exec) {
  return HandOut(Answer("QueryExecAction"), "IExecAction", exec);
}
HResult PutExecPath(const ExecAction&, const std::u16string& path) { return Answer("PutExecPath", Utf8(path)); }
HResult PutRunLevel(const Principal&, int runLevel) { return Answer("PutRunLevel", std::to_string(runLevel)); }
HResult RunRegisteredTask(const RegisteredTask&) { return Answer("RunRegisteredTask"); }
HResult GetLastRunTime(const RegisteredTask&, double& time) {
  const HResult result = Answer("GetLastRunTime");
  if (result < 0) return result;
  time = 0.0;
  if (!fakes::world.lastRunTimes.empty()) {
    time = fakes::world.lastRunTimes.front();
    fakes::world.lastRunTimes.pop_front();
  }
  return result;
}

}  // namespace platform
