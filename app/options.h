#pragma once
#include <cstddef>
#include <string>
#include <vector>

// The switches deployment tools are given; the deployment metadata takes them from here.
inline constexpr char16_t kSilentOption[] = u"/silent";
inline constexpr char16_t kReducedUiOption[] = u"/reducedui";
inline constexpr char16_t kUnattendedOption[] = u"/unattended";
inline constexpr char16_t kLogOption[] = u"/log";

// The options read from the command line, handed whole to the installation run.
struct SetupOptions {
  bool silent = false;
  bool reducedUi = false;
  // "/unattended": no window at all, every question answered by its documented default, exit
  // codes for deployment tools. Implies `silent` unless `reducedUi` is given.
  bool unattended = false;
  // "/log": the setup log's path; empty = the default name in the temporary folder.
  std::u16string logPath;
  std::vector<std::u16string> languageCodes;
  std::u16string basePackageLogPath;
  std::u16string langPackLogPath;
  std::u16string basePackageProperties;
  // The value of an INSTALLDIR property among them, as given; empty when none.
  std::u16string installFolder;
  std::u16string langPackProperties;
};

// Where parsing stops: "/supportedlang"; an unknown argument beginning with "/" or a property
// argument that is not NAME=VALUE; an option whose value is missing (only an unattended run
// refuses that; other runs go on as if the option had not been given).
enum class ConsoleRequest { None, SupportedLanguages, UnsupportedParameter, MissingValue };

// Where parsing stopped: at a console request (the argument at `index`) or at the end.
struct ParseStop {
  ConsoleRequest request = ConsoleRequest::None;
  std::size_t index = 0;
};

// Visits the arguments from `first` on, lower-casing each in place (A-Z only) and applying the
// options it names. Stops at each console request, so the caller can answer on the console and,
// where it does not end the process, resume after it.
ParseStop ParseArguments(std::vector<std::u16string>& arguments, std::size_t first, SetupOptions& options);

// The pieces of a "/language" value: the stretches between semicolons; a trailing ";" adds none.
std::vector<std::u16string> SplitLanguageValue(const std::u16string& value);

// Whether "/unattended" is among the arguments (any case), for the decisions taken before the
// command line is read; and the value of the last "/log" there (empty when none).
bool HasUnattendedOption(const std::vector<std::u16string>& arguments);
std::u16string LogPathOption(const std::vector<std::u16string>& arguments);

// One "/bpprops" or "/lpprops" argument as Windows Installer reads one property: NAME=VALUE as
// given, or NAME="VALUE" with every quote doubled when the value is empty or holds a blank, a tab
// or a quote. False for an argument that is not NAME=VALUE with a property name (a letter or "_",
// then letters, digits, "_" and ".").
bool QuoteProperty(const std::u16string& argument, std::u16string& property);

// Lower-cases the letters A to Z in place; no other character changes.
void LowerCaseAsciiInPlace(std::u16string& text);
