#pragma once
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/ui.h"

namespace fakes {

struct MessageBoxShown {
  std::u16string text;
  std::optional<std::u16string> caption;  // none: the system's default caption
  std::uint32_t style = 0;
  platform::WindowHandle owner = nullptr;
};

// In `answers`: the user presses Help, which sends WM_HELP to the box's owner window through its
// class's procedure; the box stays open for the next answer.
inline constexpr int kPressHelp = 9;

struct UiWorld {
  // Answers given to the next boxes, in order; when empty a box answers IDOK (1).
  std::deque<int> answers;
  std::vector<MessageBoxShown> boxes;
  // Classes of the top-level windows that exist.
  std::set<std::u16string> windowClasses;
  // Window classes and windows.
  bool classRegisters = true;
  bool windowCreates = true;
  std::map<std::u16string, platform::WindowProcedure> classes;
  std::map<platform::WindowHandle, std::u16string> windows;  // live windows and their classes
  std::uintptr_t nextWindow = 0x100;
  std::intptr_t defaultProcedureResult = 0;
  // String table of the program: id -> text; other ids do not exist.
  std::map<std::uint32_t, std::u16string> strings;
  // Console: whether a parent console exists, and the text written to it.
  bool parentConsole = false;
  bool attached = false;
  std::u16string consoleOutput;
  // Text written while no console was attached (must stay empty).
  std::u16string strayOutput;
  // What the language dialog ends with: a scripted result, or (none) Next on the preselected
  // default language. Each showing is recorded as "ShowLanguageDialog".
  std::optional<int> languageDialogResult;
};
UiWorld& Ui();

// How a window handle appears in the call log ("0x100"), "<none>" for none.
std::string WindowName(platform::WindowHandle window);

}  // namespace fakes
