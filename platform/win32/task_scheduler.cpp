#include "platform/task_scheduler.h"

#include <windows.h>
#include <oleauto.h>
#include <taskschd.h>

#include "platform/handle.h"
#include "platform/win32/text.h"

namespace platform {
namespace {

// The identifiers, spelled out so that no import library of the Task Scheduler is needed.
constexpr CLSID kTaskSchedulerClass = {0x0F87369F, 0xA4E5, 0x4CFC, {0xBD, 0x3E, 0x73, 0xE6, 0x15, 0x45, 0x72, 0xDD}};
constexpr IID kTaskServiceInterface = {0x2FABA4C7, 0x4DA9, 0x4013, {0x96, 0x97, 0x20, 0xCC, 0x3F, 0xD4, 0x0F, 0x85}};
constexpr IID kExecActionInterface = {0x4C3D624D, 0xFD6B, 0x49A3, {0xB9, 0xB7, 0x09, 0xCB, 0x3C, 0xD3, 0xF0, 0x47}};

struct BstrTraits {
  using Value = BSTR;
  static Value Invalid() { return nullptr; }
  static void Close(Value text) { ::SysFreeString(text); }
};
using Bstr = UniqueHandle<BstrTraits>;

// A COM string of the text; a null BSTR (the empty string to COM) when memory runs out, which the
// called method then refuses.
Bstr MakeBstr(const std::u16string& text) {
  return Bstr(::SysAllocStringLen(Wide(text), static_cast<UINT>(text.size())));
}

// A VARIANT that clears what it holds.
class Variant {
 public:
  Variant() { ::VariantInit(&value_); }
  explicit Variant(const std::u16string& text) : Variant() {
    value_.vt = VT_BSTR;
    value_.bstrVal = ::SysAllocStringLen(Wide(text), static_cast<UINT>(text.size()));
  }
  ~Variant() { ::VariantClear(&value_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  const VARIANT& get() const { return value_; }

 private:
  VARIANT value_;
};

VARIANT_BOOL ToVariantBool(bool value) { return value ? VARIANT_TRUE : VARIANT_FALSE; }

// Owners hold every object as its IUnknown, so that releasing needs no knowledge of its kind.
template <typename Interface, typename Kind>
Interface* As(const TaskObject<Kind>& object) {
  return static_cast<Interface*>(static_cast<IUnknown*>(object.get()));
}

// Calls `get(&raw)` and hands the object to `object` on success. A failed call owns nothing, so
// whatever it left in `raw` is not touched; a success without an object counts as E_POINTER.
template <typename Interface, typename Kind, typename Get>
HResult Obtain(TaskObject<Kind>& object, Get get) {
  Interface* raw = nullptr;
  const HRESULT result = get(&raw);
  if (FAILED(result)) return result;
  if (raw == nullptr) return E_POINTER;
  object.reset(static_cast<IUnknown*>(raw));
  return result;
}

}  // namespace

void ReleaseTaskObject(void* object) { static_cast<IUnknown*>(object)->Release(); }

HResult CreateTaskService(TaskService& service) {
  return Obtain<ITaskService>(service, [](ITaskService** raw) {
    return ::CoCreateInstance(kTaskSchedulerClass, nullptr, CLSCTX_INPROC_SERVER, kTaskServiceInterface,
                              reinterpret_cast<void**>(raw));
  });
}

HResult ConnectTaskService(const TaskService& service) {
  const Variant empty;
  return As<ITaskService>(service)->Connect(empty.get(), empty.get(), empty.get(), empty.get());
}

HResult GetTaskFolder(const TaskService& service, const std::u16string& path, TaskFolder& folder) {
  const Bstr text = MakeBstr(path);
  return Obtain<ITaskFolder>(folder,
                             [&](ITaskFolder** raw) { return As<ITaskService>(service)->GetFolder(text.get(), raw); });
}

HResult NewTask(const TaskService& service, TaskDefinition& definition) {
  return Obtain<ITaskDefinition>(definition,
                                 [&](ITaskDefinition** raw) { return As<ITaskService>(service)->NewTask(0, raw); });
}

HResult DeleteTask(const TaskFolder& folder, const std::u16string& name) {
  const Bstr text = MakeBstr(name);
  return As<ITaskFolder>(folder)->DeleteTask(text.get(), 0);
}

HResult RegisterTaskDefinition(const TaskFolder& folder, const std::u16string& name, const TaskDefinition& definition,
                               int flags, const std::optional<std::u16string>& user, int logonType,
                               RegisteredTask& task) {
  const Bstr text = MakeBstr(name);
  const Variant account = user ? Variant(*user) : Variant();
  const Variant empty;
  return Obtain<IRegisteredTask>(task, [&](IRegisteredTask** raw) {
    return As<ITaskFolder>(folder)->RegisterTaskDefinition(text.get(), As<ITaskDefinition>(definition), flags,
                                                           account.get(), empty.get(),
                                                           static_cast<TASK_LOGON_TYPE>(logonType), empty.get(), raw);
  });
}

HResult GetRegistrationInfo(const TaskDefinition& definition, RegistrationInfo& info) {
  return Obtain<IRegistrationInfo>(
      info, [&](IRegistrationInfo** raw) { return As<ITaskDefinition>(definition)->get_RegistrationInfo(raw); });
}

HResult GetTriggers(const TaskDefinition& definition, TriggerCollection& triggers) {
  return Obtain<ITriggerCollection>(
      triggers, [&](ITriggerCollection** raw) { return As<ITaskDefinition>(definition)->get_Triggers(raw); });
}

HResult GetTaskSettings(const TaskDefinition& definition, TaskSettings& settings) {
  return Obtain<ITaskSettings>(settings,
                               [&](ITaskSettings** raw) { return As<ITaskDefinition>(definition)->get_Settings(raw); });
}

HResult GetActions(const TaskDefinition& definition, ActionCollection& actions) {
  return Obtain<IActionCollection>(
      actions, [&](IActionCollection** raw) { return As<ITaskDefinition>(definition)->get_Actions(raw); });
}

HResult GetPrincipal(const TaskDefinition& definition, Principal& principal) {
  return Obtain<IPrincipal>(principal,
                            [&](IPrincipal** raw) { return As<ITaskDefinition>(definition)->get_Principal(raw); });
}

HResult PutDescription(const RegistrationInfo& info, const std::u16string& description) {
  const Bstr text = MakeBstr(description);
  return As<IRegistrationInfo>(info)->put_Description(text.get());
}

HResult CreateTrigger(const TriggerCollection& triggers, int type, Trigger& trigger) {
  return Obtain<ITrigger>(trigger, [&](ITrigger** raw) {
    return As<ITriggerCollection>(triggers)->Create(static_cast<TASK_TRIGGER_TYPE2>(type), raw);
  });
}

HResult PutEndBoundary(const Trigger& trigger, const std::u16string& boundary) {
  const Bstr text = MakeBstr(boundary);
  return As<ITrigger>(trigger)->put_EndBoundary(text.get());
}

HResult PutAllowDemandStart(const TaskSettings& settings, bool allow) {
  return As<ITaskSettings>(settings)->put_AllowDemandStart(ToVariantBool(allow));
}

HResult PutDisallowStartIfOnBatteries(const TaskSettings& settings, bool disallow) {
  return As<ITaskSettings>(settings)->put_DisallowStartIfOnBatteries(ToVariantBool(disallow));
}

HResult PutExecutionTimeLimit(const TaskSettings& settings, const std::u16string& limit) {
  const Bstr text = MakeBstr(limit);
  return As<ITaskSettings>(settings)->put_ExecutionTimeLimit(text.get());
}

HResult PutDeleteExpiredTaskAfter(const TaskSettings& settings, const std::u16string& delay) {
  const Bstr text = MakeBstr(delay);
  return As<ITaskSettings>(settings)->put_DeleteExpiredTaskAfter(text.get());
}

HResult CreateAction(const ActionCollection& actions, int type, Action& action) {
  return Obtain<IAction>(action, [&](IAction** raw) {
    return As<IActionCollection>(actions)->Create(static_cast<TASK_ACTION_TYPE>(type), raw);
  });
}

HResult QueryExecAction(const Action& action, ExecAction& exec) {
  return Obtain<IExecAction>(exec, [&](IExecAction** raw) {
    return As<IAction>(action)->QueryInterface(kExecActionInterface, reinterpret_cast<void**>(raw));
  });
}

HResult PutExecPath(const ExecAction& exec, const std::u16string& path) {
  const Bstr text = MakeBstr(path);
  return As<IExecAction>(exec)->put_Path(text.get());
}

HResult PutRunLevel(const Principal& principal, int runLevel) {
  return As<IPrincipal>(principal)->put_RunLevel(static_cast<TASK_RUNLEVEL_TYPE>(runLevel));
}

HResult RunRegisteredTask(const RegisteredTask& task) {
  const Variant empty;
  return As<IRegisteredTask>(task)->Run(empty.get(), nullptr);
}

HResult GetLastRunTime(const RegisteredTask& task, double& time) {
  DATE date = 0.0;
  const HRESULT result = As<IRegisteredTask>(task)->get_LastRunTime(&date);
  if (SUCCEEDED(result)) time = date;
  return result;
}

}  // namespace platform
