#pragma once
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

// The scripted world that the host build links in place of the Windows adapters: every seam call
// is answered from state a test sets up, and recorded in one ordered call log.
namespace fakes {

// Thrown by platform::EndProcess so a test can observe the exit code. Deliberately not derived
// from std::exception, so no handler in the program swallows it.
struct ProcessExit {
  int code;
};

// Every seam call, in order, one line each ("MsiSetInternalUI 2", "ShowMessageBox 0x10 ...").
std::vector<std::string>& Calls();
void Record(std::string call);
// The recorded calls that start with `prefix`, in order.
std::vector<std::string> CallsStartingWith(std::string_view prefix);

std::string Utf8(std::u16string_view text);
std::u16string Utf16(std::string_view text);

// Each kind of fake registers how to return to its initial state; ResetWorld runs them all and
// clears the call log.
using ResetFunction = void (*)();
bool RegisterReset(ResetFunction reset);
void ResetWorld();

}  // namespace fakes

// Base fixture: a fresh world for every test.
class WorldTest : public ::testing::Test {
 protected:
  void SetUp() override { fakes::ResetWorld(); }
};

// Runs `body` and returns the exit code it ended the process with; fails the test if it returned.
template <typename Body>
int ExitCodeOf(Body&& body) {
  try {
    body();
  } catch (const fakes::ProcessExit& exit) {
    return exit.code;
  }
  ADD_FAILURE() << "the process did not end";
  return -12345;
}
