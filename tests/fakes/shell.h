#pragma once
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace fakes {

struct ShellOpenCall {
  std::optional<std::u16string> verb;  // none: the default action
  std::u16string file;
  std::u16string parameters;
  int showCommand = 0;
};

struct ShellWorld {
  // Results of the next ShellExecuteW calls, in order; when empty a call returns `defaultResult`.
  std::deque<std::intptr_t> results;
  std::intptr_t defaultResult = 42;
  std::vector<ShellOpenCall> opened;
};
ShellWorld& Shell();

// ShellExecuteW's result where no program is registered for the file (SE_ERR_NOASSOC).
inline constexpr std::intptr_t kShellNoAssociation = 31;

}  // namespace fakes
