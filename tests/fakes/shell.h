#pragma once
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace fakes {

struct ShellOpenCall {
  std::optional<std::u16string> verb;  // none: the default action
  std::u16string file;
  std::u16string parameters;
  int showCommand = 0;
  void* owner = nullptr;
};

struct ShellWorld {
  // Results of the next ShellExecuteW calls, in order; when empty a call returns `defaultResult`.
  std::deque<std::intptr_t> results;
  std::intptr_t defaultResult = 42;
  std::vector<ShellOpenCall> opened;

  // ShellExecuteExW starts only files that exist (fakes::Files().files); otherwise it fails with
  // last error 2. The started program's exit code reads, by its parameters, in turn (the last one
  // repeats; none is a failed read); a program not listed here has ended with 0. Waiting for a
  // program's end succeeds unless `waitFails`.
  std::map<std::u16string, std::vector<std::optional<std::uint32_t>>> exitCodeReads;
  bool waitFails = false;
  std::vector<ShellOpenCall> started;
};
ShellWorld& Shell();
// The web pages among `opened` (a shell restart may open Explorer there too).
std::vector<ShellOpenCall> OpenedPages();

// ShellExecuteW's result where no program is registered for the file (SE_ERR_NOASSOC).
inline constexpr std::intptr_t kShellNoAssociation = 31;

}  // namespace fakes
