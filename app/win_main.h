#pragma once

#include "app/options.h"
#include "base/configure_action.h"
#include "base/outcome.h"
#include "platform/process.h"

// The setup's entry point: guards against a second copy, reads the command line, answers console
// requests, checks the system and the installed product, and dispatches. Returns the exit code.
int WinMain(platform::InstanceHandle instance, platform::InstanceHandle previousInstance, const char16_t* commandLine,
            int showCommand);

// Reads every argument into `options`, answering the console requests as the loop reaches them
// (which may end the process).
void ReadCommandLine(std::vector<std::u16string>& arguments, SetupOptions& options);

// Enables the shutdown privilege where possible and asks Windows to restart.
void RequestRestart();

// What follows the detection of the installed product, and how the run ends. May end the process
// itself: a failed removal or installation, a cancelled dialog, an unsupported language.
Outcome Dispatch(platform::InstanceHandle instance, ConfigureAction action, const SetupOptions& options);
