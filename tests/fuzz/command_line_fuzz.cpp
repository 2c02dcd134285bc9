// The command-line parser as start-up runs it. Input: one byte (bit 0: a parent console exists;
// bit 1: the setup carries an en-US language pack), then UTF-16 little-endian text whose zero
// code units separate the arguments, the program's path first.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "app/options.h"
#include "app/win_main.h"
#include "base/outcome.h"
#include "tests/fakes/resources.h"
#include "tests/fakes/ui.h"
#include "tests/fakes/world.h"
#include "tests/fuzz/fuzz_support.h"

using fuzzing::Require;

namespace {

bool IsOptionName(const std::u16string& argument) {
  for (const char16_t* name : {u"/silent", u"/reducedui", u"/unattended", u"/language", u"/logbp", u"/loglp",
                               u"/log", u"/lpprops", u"/bpprops", u"/supportedlang"}) {
    if (argument == name) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  fakes::ResetWorld();
  fakes::Ui().parentConsole = (data[0] & 1) != 0;
  if ((data[0] & 2) != 0) fakes::AddRcdata(u"QZLANGPACK_EN_US", {0xD0, 0xCF});

  std::vector<std::u16string> arguments;
  std::u16string current;
  for (char16_t unit : fuzzing::CodeUnits(data + 1, size - 1)) {
    if (unit == u'\0') {
      arguments.push_back(current);
      current.clear();
    } else {
      current += unit;
    }
  }
  arguments.push_back(current);

  SetupOptions options;
  unattendedRun = HasUnattendedOption(arguments);
  try {
    ReadCommandLine(arguments, options);
  } catch (const fakes::ProcessExit& exit) {
    // Only a console answer, or the fatal "No language pack found", ends the process here; an
    // unattended run also ends at every refused argument, console or not.
    if (exit.code == 0) {
      Require(fakes::Ui().parentConsole, "the parser ends the process only to answer");
    } else {
      Require(exit.code == (unattendedRun ? 1603 : 16389) || (unattendedRun && exit.code == 1639),
              "the parser ends the process only to answer or to refuse an unattended run's argument");
    }
    return 0;
  }
  Require(options.unattended == unattendedRun, "the early look for /unattended agrees with the parser");
  Require(!options.unattended || options.silent || options.reducedUi, "an unattended run has no dialog");
  Require(!(options.silent && options.reducedUi), "a silent run has no reduced interface");
  for (const std::u16string& argument : arguments) {
    Require(std::none_of(argument.begin(), argument.end(), [](char16_t c) { return c >= u'A' && c <= u'Z'; }),
            "every argument is visited and lower-cased");
    Require(!fakes::Ui().parentConsole || argument.empty() || argument[0] != u'/' || IsOptionName(argument),
            "with a console every unknown option is answered");
  }
  for (const std::u16string& code : options.languageCodes) {
    Require(code.find(u';') == std::u16string::npos, "a language code holds no separator");
  }
  for (const std::u16string* properties : {&options.basePackageProperties, &options.langPackProperties}) {
    Require(properties->empty() || properties->back() == u' ', "property lists end with a blank");
  }
  Require(fakes::Ui().strayOutput.empty(), "nothing is written without a console");
  return 0;
}
