#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

// The setup's own log: one UTF-8 line per event, each with the local time, in every run and every
// mode. Lines logged before the file is open are kept and written first, so the tag's verdict and
// the start-up are in it too. A log that cannot be created or written never stops the run.

// Creates the log file as a new file: `chosenPath` ("/log PATH") when given, else
// "%TEMP%\OrvexUtilities2011Setup_YYYYMMDDhhmmss.log". Nothing standing at a name is followed or
// replaced: a taken name, a link included, gets "_2", "_3", ... before its extension. A missing
// folder of a chosen path is created (one level). Opens at most once per process.
void OpenSetupLog(const std::u16string& chosenPath);

// Appends one line with the local time: the parts, one after the other.
void LogEvent(std::initializer_list<std::u16string_view> parts);

// The log file's path; empty while none is open.
const std::u16string& SetupLogPath();

// A new, empty file beside the log for a Windows Installer log: the log's name without ".log",
// "_" and `suffix`, then ".log" (the same rule for taken names). Empty when no log is open or no
// such file can be created.
std::u16string CreateCompanionLog(const std::u16string& suffix);

void ResetSetupLogForTesting();
