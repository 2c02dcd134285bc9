#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "platform/handle.h"
#include "platform/result.h"

// The Task Scheduler 2.0 objects, one call per interface method this program uses. Every call
// returns the method's result; an object handed out is owned by the caller and released by its
// owner, also when the caller stops half way.
namespace platform {

// IUnknown::Release.
void ReleaseTaskObject(void* object);

template <typename Kind>
struct TaskObjectTraits {
  using Value = void*;
  static Value Invalid() { return nullptr; }
  static void Close(Value object) { ReleaseTaskObject(object); }
};
template <typename Kind>
using TaskObject = UniqueHandle<TaskObjectTraits<Kind>>;

struct TaskServiceKind;
struct TaskFolderKind;
struct TaskDefinitionKind;
struct RegistrationInfoKind;
struct TriggerCollectionKind;
struct TriggerKind;
struct TaskSettingsKind;
struct ActionCollectionKind;
struct ActionKind;
struct ExecActionKind;
struct PrincipalKind;
struct RegisteredTaskKind;

using TaskService = TaskObject<TaskServiceKind>;
using TaskFolder = TaskObject<TaskFolderKind>;
using TaskDefinition = TaskObject<TaskDefinitionKind>;
using RegistrationInfo = TaskObject<RegistrationInfoKind>;
using TriggerCollection = TaskObject<TriggerCollectionKind>;
using Trigger = TaskObject<TriggerKind>;
using TaskSettings = TaskObject<TaskSettingsKind>;
using ActionCollection = TaskObject<ActionCollectionKind>;
using Action = TaskObject<ActionKind>;
using ExecAction = TaskObject<ExecActionKind>;
using Principal = TaskObject<PrincipalKind>;
using RegisteredTask = TaskObject<RegisteredTaskKind>;

inline constexpr int kTaskTriggerRegistration = 7;
inline constexpr int kTaskActionExec = 0;
inline constexpr int kTaskRunLevelLowest = 0;
inline constexpr int kTaskCreateOrUpdate = 6;
inline constexpr int kTaskLogonInteractiveToken = 3;

// CoCreateInstance of the Task Scheduler class as an in-process server, for ITaskService.
[[nodiscard]] HResult CreateTaskService(TaskService& service);
// ITaskService::Connect to the local machine as the current user (four empty VARIANTs).
[[nodiscard]] HResult ConnectTaskService(const TaskService& service);
[[nodiscard]] HResult GetTaskFolder(const TaskService& service, const std::u16string& path, TaskFolder& folder);
// ITaskService::NewTask with flags 0.
[[nodiscard]] HResult NewTask(const TaskService& service, TaskDefinition& definition);

// ITaskFolder::DeleteTask with flags 0.
[[nodiscard]] HResult DeleteTask(const TaskFolder& folder, const std::u16string& name);
// ITaskFolder::RegisterTaskDefinition; the user VARIANT is empty without an account name, the
// password and security-descriptor VARIANTs are empty.
[[nodiscard]] HResult RegisterTaskDefinition(const TaskFolder& folder, const std::u16string& name,
                                             const TaskDefinition& definition, int flags,
                                             const std::optional<std::u16string>& user, int logonType,
                                             RegisteredTask& task);

[[nodiscard]] HResult GetRegistrationInfo(const TaskDefinition& definition, RegistrationInfo& info);
[[nodiscard]] HResult GetTriggers(const TaskDefinition& definition, TriggerCollection& triggers);
[[nodiscard]] HResult GetTaskSettings(const TaskDefinition& definition, TaskSettings& settings);
[[nodiscard]] HResult GetActions(const TaskDefinition& definition, ActionCollection& actions);
[[nodiscard]] HResult GetPrincipal(const TaskDefinition& definition, Principal& principal);

[[nodiscard]] HResult PutDescription(const RegistrationInfo& info, const std::u16string& description);
[[nodiscard]] HResult CreateTrigger(const TriggerCollection& triggers, int type, Trigger& trigger);
[[nodiscard]] HResult PutEndBoundary(const Trigger& trigger, const std::u16string& boundary);
[[nodiscard]] HResult PutAllowDemandStart(const TaskSettings& settings, bool allow);
[[nodiscard]] HResult PutDisallowStartIfOnBatteries(const TaskSettings& settings, bool disallow);
[[nodiscard]] HResult PutExecutionTimeLimit(const TaskSettings& settings, const std::u16string& limit);
[[nodiscard]] HResult PutDeleteExpiredTaskAfter(const TaskSettings& settings, const std::u16string& delay);
[[nodiscard]] HResult CreateAction(const ActionCollection& actions, int type, Action& action);
// IAction::QueryInterface for IExecAction.
[[nodiscard]] HResult QueryExecAction(const Action& action, ExecAction& exec);
[[nodiscard]] HResult PutExecPath(const ExecAction& exec, const std::u16string& path);
[[nodiscard]] HResult PutRunLevel(const Principal& principal, int runLevel);

// IRegisteredTask::Run with an empty VARIANT and no running-task output.
[[nodiscard]] HResult RunRegisteredTask(const RegisteredTask& task);
// IRegisteredTask::get_LastRunTime: an OLE date, 0.0 while the task has never run.
[[nodiscard]] HResult GetLastRunTime(const RegisteredTask& task, double& time);

}  // namespace platform
