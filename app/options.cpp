#include "app/options.h"

void LowerCaseAsciiInPlace(std::u16string& text) {
  for (char16_t& c : text) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
}

std::vector<std::u16string> SplitLanguageValue(const std::u16string& value) {
  std::vector<std::u16string> pieces;
  std::size_t start = 0;
  while (start < value.size()) {
    const std::size_t end = value.find(u';', start);
    if (end == std::u16string::npos) {
      pieces.push_back(value.substr(start));
      return pieces;
    }
    pieces.push_back(value.substr(start, end - start));
    start = end + 1;
  }
  if (value.empty()) pieces.emplace_back();
  return pieces;
}

namespace {

bool BeginsWithSlash(const std::u16string& argument) { return !argument.empty() && argument[0] == u'/'; }

// The value of the option at `index`: the next argument unless it begins with "/".
const std::u16string* ValueAfter(const std::vector<std::u16string>& arguments, std::size_t index) {
  if (index + 1 >= arguments.size() || BeginsWithSlash(arguments[index + 1])) return nullptr;
  return &arguments[index + 1];
}

std::u16string CollectProperties(const std::vector<std::u16string>& arguments, std::size_t index) {
  std::u16string properties;
  for (std::size_t i = index + 1; i < arguments.size() && !BeginsWithSlash(arguments[i]); ++i) {
    properties += arguments[i];
    properties += u' ';
  }
  return properties;
}

}  // namespace

ParseStop ParseArguments(std::vector<std::u16string>& arguments, std::size_t first, SetupOptions& options) {
  for (std::size_t i = first; i < arguments.size(); ++i) {
    std::u16string& argument = arguments[i];
    LowerCaseAsciiInPlace(argument);
    if (argument == u"/silent") {
      options.silent = true;
    } else if (argument == u"/reducedui") {
      options.reducedUi = true;
    } else if (argument == u"/language") {
      if (const std::u16string* value = ValueAfter(arguments, i)) {
        for (std::u16string& piece : SplitLanguageValue(*value)) options.languageCodes.push_back(std::move(piece));
      }
    } else if (argument == u"/logbp") {
      if (const std::u16string* value = ValueAfter(arguments, i)) options.basePackageLogPath = *value;
    } else if (argument == u"/loglp") {
      if (const std::u16string* value = ValueAfter(arguments, i)) options.langPackLogPath = *value;
    } else if (argument == u"/lpprops") {
      options.langPackProperties = CollectProperties(arguments, i);
    } else if (argument == u"/bpprops") {
      options.basePackageProperties = CollectProperties(arguments, i);
    } else if (argument == u"/supportedlang") {
      return {ConsoleRequest::SupportedLanguages, i};
    } else if (BeginsWithSlash(argument)) {
      return {ConsoleRequest::UnsupportedParameter, i};
    }
  }
  return {ConsoleRequest::None, arguments.size()};
}
