#pragma once
#include <cstdint>
#include <deque>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace fakes {

struct MessageBoxShown {
  std::u16string text;
  std::optional<std::u16string> caption;  // none: the system's default caption
  std::uint32_t style = 0;
};

struct UiWorld {
  // Answers given to the next boxes, in order; when empty a box answers IDOK (1).
  std::deque<int> answers;
  std::vector<MessageBoxShown> boxes;
  // Classes of the top-level windows that exist.
  std::set<std::u16string> windowClasses;
  // Console: whether a parent console exists, and the text written to it.
  bool parentConsole = false;
  bool attached = false;
  std::u16string consoleOutput;
  // Text written while no console was attached (must stay empty).
  std::u16string strayOutput;
};
UiWorld& Ui();

}  // namespace fakes
