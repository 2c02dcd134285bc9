#include "tests/fakes/ui.h"

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
}  // namespace
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
  if (world.answers.empty()) return kIdOk;
  const int answer = world.answers.front();
  world.answers.pop_front();
  return answer;
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
