#include "tests/fakes/ui.h"

#include <algorithm>
#include <cstdio>

#include "platform/console.h"
#include "platform/ui.h"
#include "tests/fakes/world.h"

namespace fakes {
namespace {
UiWorld world;
const bool registered = RegisterReset([] { world = UiWorld{}; });

std::string Hex(std::uint32_t value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%x", value);
  return buffer;
}

int NextAnswer() {
  if (world.answers.empty()) return platform::kIdOk;
  const int answer = world.answers.front();
  world.answers.pop_front();
  return answer;
}
}  // namespace

std::string WindowName(platform::WindowHandle window) {
  return window == nullptr ? "<none>" : Hex(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(window)));
}
UiWorld& Ui() { return world; }
}  // namespace fakes

namespace platform {

int ShowMessageBox(const std::u16string& text, const char16_t* caption, std::uint32_t style) {
  fakes::UiWorld& world = fakes::Ui();
  fakes::MessageBoxShown box{text, std::nullopt, style};
  if (caption != nullptr) box.caption = std::u16string(caption);
  world.boxes.push_back(box);
  fakes::Record("ShowMessageBox " + fakes::Hex(style) + " " + (caption ? fakes::Utf8(caption) : "<default>") +
                " | " + fakes::Utf8(text));
  return fakes::NextAnswer();
}

void WindowTraits::Close(Value window) {
  fakes::Record("DestroyWindow " + fakes::WindowName(window));
  fakes::Ui().windows.erase(window);
}

bool RegisterWindowClass(InstanceHandle, const char16_t* className, WindowProcedure procedure) {
  fakes::Record("RegisterWindowClass " + fakes::Utf8(className));
  if (!fakes::Ui().classRegisters) return false;
  fakes::Ui().classes[className] = procedure;
  return true;
}

Window CreateHiddenWindow(InstanceHandle, const char16_t* className, const char16_t* title) {
  fakes::UiWorld& world = fakes::Ui();
  if (!world.windowCreates || world.classes.count(className) == 0) {
    fakes::Record("CreateHiddenWindow " + fakes::Utf8(className) + " " + fakes::Utf8(title) + " -> <none>");
    return Window();
  }
  const auto window = reinterpret_cast<WindowHandle>(world.nextWindow++);
  world.windows[window] = className;
  fakes::Record("CreateHiddenWindow " + fakes::Utf8(className) + " " + fakes::Utf8(title) + " -> " +
                fakes::WindowName(window));
  return Window(window);
}

// Help presses scripted before the answer reach the owner's window procedure while the box is open.
int ShowOwnedMessageBox(WindowHandle owner, const std::u16string& text, const std::u16string& caption,
                        std::uint32_t style) {
  fakes::UiWorld& world = fakes::Ui();
  world.boxes.push_back(fakes::MessageBoxShown{text, caption, style, owner});
  fakes::Record("ShowOwnedMessageBox " + fakes::WindowName(owner) + " " + fakes::Hex(style) + " " +
                fakes::Utf8(caption) + " | " + fakes::Utf8(text));
  int answer = fakes::NextAnswer();
  while (answer == fakes::kPressHelp) {
    const auto window = world.windows.find(owner);
    if (window != world.windows.end()) world.classes.at(window->second)(owner, kWmHelp, 0, 0);
    answer = fakes::NextAnswer();
  }
  return answer;
}

std::intptr_t DefaultWindowProcedure(WindowHandle window, std::uint32_t message, std::uintptr_t, std::intptr_t) {
  fakes::Record("DefaultWindowProcedure " + fakes::WindowName(window) + " " + fakes::Hex(message));
  return fakes::Ui().defaultProcedureResult;
}

int LoadStringResource(InstanceHandle, std::uint32_t id, char16_t* buffer, int capacity) {
  const auto found = fakes::Ui().strings.find(id);
  const std::u16string text = found == fakes::Ui().strings.end() ? u"" : found->second;
  const std::size_t length = std::min(text.size(), static_cast<std::size_t>(capacity - 1));
  text.copy(buffer, length);
  buffer[length] = u'\0';
  return static_cast<int>(length);
}

void SendKeyboardInput(std::uint16_t virtualKey, std::uint32_t flags) {
  fakes::Record("SendKeyboardInput " + fakes::Hex(virtualKey) + " " + fakes::Hex(flags));
}

WindowHandle FindWindowOfClass(const std::u16string& className) {
  fakes::Record("FindWindowOfClass " + fakes::Utf8(className));
  return fakes::Ui().windowClasses.count(className) != 0 ? reinterpret_cast<WindowHandle>(0x9000) : nullptr;
}

bool IsExistingWindow(WindowHandle window) { return window != nullptr; }

void InitCommonControlsStandard() { fakes::Record("InitCommonControlsStandard"); }

bool AttachToParentConsole() {
  fakes::Record("AttachToParentConsole");
  fakes::Ui().attached = fakes::Ui().parentConsole;
  return fakes::Ui().attached;
}

void ReopenStandardOutputOnConsole() { fakes::Record("ReopenStandardOutputOnConsole"); }

void WriteStandardOutput(const std::u16string& text) {
  fakes::Record("WriteStandardOutput " + fakes::Utf8(text));
  (fakes::Ui().attached ? fakes::Ui().consoleOutput : fakes::Ui().strayOutput) += text;
}

void DetachFromConsole() {
  fakes::Record("DetachFromConsole");
  fakes::Ui().attached = false;
}

}  // namespace platform
