#pragma once
#include <cstddef>
#include <string>
#include <vector>

// The options read from the command line, handed whole to the installation run.
struct SetupOptions {
  bool silent = false;
  bool reducedUi = false;
  std::vector<std::u16string> languageCodes;
  std::u16string basePackageLogPath;
  std::u16string langPackLogPath;
  std::u16string basePackageProperties;
  std::u16string langPackProperties;
};

enum class ConsoleRequest { None, SupportedLanguages, UnsupportedParameter };

// Where parsing stopped: at a console request (the argument at `index`) or at the end.
struct ParseStop {
  ConsoleRequest request = ConsoleRequest::None;
  std::size_t index = 0;
};

// Visits the arguments from `first` on, lower-casing each in place (A-Z only) and applying the
// options it names. Stops at "/supportedlang" or at an unknown argument beginning with "/", so the
// caller can answer on the console and, where it does not end the process, resume after it.
ParseStop ParseArguments(std::vector<std::u16string>& arguments, std::size_t first, SetupOptions& options);

// The pieces of a "/language" value: the stretches between semicolons; a trailing ";" adds none.
std::vector<std::u16string> SplitLanguageValue(const std::u16string& value);

// Lower-cases the letters A to Z in place; no other character changes.
void LowerCaseAsciiInPlace(std::u16string& text);
