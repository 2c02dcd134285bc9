#include "app/options.h"

#include <string_view>

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

// The properties after the option at `index`, each followed by one blank, and the value of the
// last INSTALLDIR among them. An argument that is not a property is left out; the first one is
// returned in `refused`.
std::u16string CollectProperties(const std::vector<std::u16string>& arguments, std::size_t index,
                                 std::size_t& refused, std::u16string& installFolder) {
  constexpr std::u16string_view kInstallFolderProperty = u"INSTALLDIR=";
  std::u16string properties;
  refused = 0;
  installFolder.clear();
  for (std::size_t i = index + 1; i < arguments.size() && !BeginsWithSlash(arguments[i]); ++i) {
    std::u16string property;
    if (!QuoteProperty(arguments[i], property)) {
      if (refused == 0) refused = i;
      continue;
    }
    if (arguments[i].rfind(kInstallFolderProperty, 0) == 0) installFolder = arguments[i].substr(kInstallFolderProperty.size());
    properties += property;
    properties += u' ';
  }
  return properties;
}

bool EqualsFolded(std::u16string argument, const char16_t* option) {
  LowerCaseAsciiInPlace(argument);
  return argument == option;
}

bool IsPropertyNameStart(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_'; }
bool IsPropertyNameUnit(char16_t c) { return IsPropertyNameStart(c) || (c >= u'0' && c <= u'9') || c == u'.'; }

}  // namespace

bool QuoteProperty(const std::u16string& argument, std::u16string& property) {
  const std::size_t equals = argument.find(u'=');
  if (equals == std::u16string::npos || equals == 0 || !IsPropertyNameStart(argument[0])) return false;
  for (std::size_t i = 1; i < equals; ++i) {
    if (!IsPropertyNameUnit(argument[i])) return false;
  }
  const std::u16string value = argument.substr(equals + 1);
  if (!value.empty() && value.find_first_of(u" \t\"") == std::u16string::npos) {
    property = argument;
    return true;
  }
  property = argument.substr(0, equals + 1) + u'"';
  for (const char16_t c : value) {
    if (c == u'"') property += u'"';
    property += c;
  }
  property += u'"';
  return true;
}

bool HasUnattendedOption(const std::vector<std::u16string>& arguments) {
  for (const std::u16string& argument : arguments) {
    if (EqualsFolded(argument, kUnattendedOption)) return true;
  }
  return false;
}

std::u16string LogPathOption(const std::vector<std::u16string>& arguments) {
  std::u16string path;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    if (!EqualsFolded(arguments[i], kLogOption)) continue;
    if (const std::u16string* value = ValueAfter(arguments, i)) path = *value;
  }
  return path;
}

ParseStop ParseArguments(std::vector<std::u16string>& arguments, std::size_t first, SetupOptions& options) {
  // A property argument that was refused is reported when the loop reaches it, after the
  // arguments before it were visited like all others.
  std::size_t refusedProperty = arguments.size();
  for (std::size_t i = first; i < arguments.size(); ++i) {
    std::u16string& argument = arguments[i];
    LowerCaseAsciiInPlace(argument);
    if (i == refusedProperty) return {ConsoleRequest::UnsupportedParameter, i};
    const bool takesValue =
        argument == u"/language" || argument == u"/logbp" || argument == u"/loglp" || argument == kLogOption;
    const std::u16string* value = takesValue ? ValueAfter(arguments, i) : nullptr;
    if (takesValue && value == nullptr) return {ConsoleRequest::MissingValue, i};
    std::size_t refused = 0;
    if (argument == kSilentOption) {
      options.silent = true;
    } else if (argument == kReducedUiOption) {
      options.reducedUi = true;
    } else if (argument == kUnattendedOption) {
      options.unattended = true;
    } else if (argument == u"/language") {
      for (std::u16string& piece : SplitLanguageValue(*value)) options.languageCodes.push_back(std::move(piece));
    } else if (argument == u"/logbp") {
      options.basePackageLogPath = *value;
    } else if (argument == u"/loglp") {
      options.langPackLogPath = *value;
    } else if (argument == kLogOption) {
      options.logPath = *value;
    } else if (argument == u"/lpprops") {
      std::u16string packsInstallFolder;  // the packs' INSTALLDIR says nothing of the product's folder
      options.langPackProperties = CollectProperties(arguments, i, refused, packsInstallFolder);
    } else if (argument == u"/bpprops") {
      options.basePackageProperties = CollectProperties(arguments, i, refused, options.installFolder);
    } else if (argument == u"/supportedlang") {
      return {ConsoleRequest::SupportedLanguages, i};
    } else if (BeginsWithSlash(argument)) {
      return {ConsoleRequest::UnsupportedParameter, i};
    }
    if (refused != 0) refusedProperty = refused;
  }
  return {ConsoleRequest::None, arguments.size()};
}
