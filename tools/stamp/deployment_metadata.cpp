#include "tools/stamp/deployment_metadata.h"

#include <chrono>
#include <cstdio>
#include <initializer_list>

#include "app/options.h"
#include "base/outcome.h"
#include "tag/tag_format.h"
#include "tools/stamp/product_listing.h"

namespace deployment {
namespace {

constexpr bool SameText(const char* a, const char* b) {
  if (a == nullptr || b == nullptr) return a == b;
  for (; *a != '\0' && *a == *b; ++a, ++b) {
  }
  return *a == *b;
}

// A deployment tool knows an exit code by one meaning only.
constexpr bool EachCodeMeansOneThing() {
  for (const OutcomeRow& a : kOutcomeTable) {
    for (const OutcomeRow& b : kOutcomeTable) {
      if (a.unattended.rule != ExitRule::Fixed || b.unattended.rule != ExitRule::Fixed) continue;
      if (a.unattended.code != b.unattended.code) continue;
      if (a.verdict != b.verdict || !SameText(a.wingetResponse, b.wingetResponse)) return false;
    }
    for (const InstallerResultMeaning& meaning : kInstallerResultMeanings) {
      if (a.unattended.rule == ExitRule::Fixed && static_cast<std::uint32_t>(a.unattended.code) == meaning.result) {
        return false;
      }
    }
  }
  return true;
}
static_assert(EachCodeMeansOneThing(), "base/outcome.h gives an unattended exit code two meanings");

struct ReturnCode {
  std::int32_t code;
  const char* wingetResponse;
  DeploymentVerdict verdict;
};

// Every exit code of an unattended run, once each in the table's order, then the installer
// results passed on unchanged that deployment tools know by name, with the verdict of the row
// that passes them on.
std::vector<ReturnCode> UnattendedReturnCodes() {
  std::vector<ReturnCode> codes;
  auto add = [&codes](std::int32_t code, const char* response, DeploymentVerdict verdict) {
    for (const ReturnCode& known : codes) {
      if (known.code == code) return;
    }
    codes.push_back({code, response, verdict});
  };
  const OutcomeRow* passesResults = nullptr;
  for (const OutcomeRow& row : kOutcomeTable) {
    if (row.unattended.rule == ExitRule::Fixed) add(row.unattended.code, row.wingetResponse, row.verdict);
    if (row.unattended.rule == ExitRule::InstallerResult) passesResults = &row;
  }
  if (passesResults != nullptr) {
    for (const InstallerResultMeaning& meaning : kInstallerResultMeanings) {
      add(static_cast<std::int32_t>(meaning.result), meaning.wingetResponse, passesResults->verdict);
    }
  }
  return codes;
}

bool IsSuccess(DeploymentVerdict verdict) {
  return verdict == DeploymentVerdict::Success || verdict == DeploymentVerdict::SoftReboot ||
         verdict == DeploymentVerdict::HardReboot;
}

const char* IntuneType(DeploymentVerdict verdict) {
  switch (verdict) {
    case DeploymentVerdict::Success:
      return "success";
    case DeploymentVerdict::SoftReboot:
      return "softReboot";
    case DeploymentVerdict::HardReboot:
      return "hardReboot";
    case DeploymentVerdict::Retry:
      return "retry";
    case DeploymentVerdict::Failed:
      break;
  }
  return "failed";
}

std::string Ascii(const char16_t* text) {
  std::string ascii;
  for (; *text != u'\0'; ++text) ascii += static_cast<char>(*text);
  return ascii;
}

// The code points of UTF-8 text; a byte that starts no valid sequence becomes U+FFFD.
std::vector<char32_t> CodePoints(std::string_view text, bool* valid = nullptr) {
  std::vector<char32_t> points;
  if (valid != nullptr) *valid = true;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead < 0xE0 ? 2
                                             : lead >= 0xE0 && lead < 0xF0   ? 3
                                             : lead >= 0xF0 && lead < 0xF5   ? 4
                                                                             : 0;
    char32_t point = length == 1 ? lead : length == 2 ? lead & 0x1F
                                      : length == 3   ? lead & 0x0F
                                                      : lead & 0x07;
    bool ok = length != 0 && i + length <= text.size();
    for (std::size_t k = 1; ok && k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      ok = (next & 0xC0) == 0x80;
      point = (point << 6) | (next & 0x3F);
    }
    const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    ok = ok && point >= smallest[length] && point <= 0x10FFFF && (point < 0xD800 || point > 0xDFFF);
    if (!ok && valid != nullptr) *valid = false;
    points.push_back(ok ? point : 0xFFFD);
    i += ok ? length : 1;
  }
  return points;
}

std::string Hex(char32_t value, int digits) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string hex;
  for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) hex += kHex[(value >> shift) & 0xF];
  return hex;
}

// Text in double quotes: '"' and '\\' escaped, printable ASCII as it is, every other code point
// as `escape` writes it.
std::string Quoted(std::string_view text, std::string (*escape)(char32_t)) {
  std::string quoted = "\"";
  for (const char32_t point : CodePoints(text)) {
    if (point == '"' || point == '\\') quoted += '\\';
    if (point >= 0x20 && point < 0x7F) {
      quoted += static_cast<char>(point);
    } else {
      quoted += escape(point);
    }
  }
  return quoted + "\"";
}

std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsBracedGuid(std::string_view text) {
  if (text.size() != 38 || text.front() != '{' || text.back() != '}') return false;
  for (std::size_t i = 1; i < 37; ++i) {
    const char c = text[i];
    const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
    if (dash != (c == '-')) return false;
    if (!dash && !IsDigit(c) && !(c >= 'A' && c <= 'F') && !(c >= 'a' && c <= 'f')) return false;
  }
  return true;
}

bool IsVersion(std::string_view text) {
  std::size_t parts = 0;
  std::size_t digits = 0;
  for (const char c : text) {
    if (IsDigit(c) && ++digits <= 5) continue;
    if (c != '.' || digits == 0) return false;
    ++parts;
    digits = 0;
  }
  return digits > 0 && parts < 4;
}

bool IsName(std::string_view text) {
  bool valid = false;
  const std::vector<char32_t> points = CodePoints(text, &valid);
  if (!valid || points.empty() || points.size() > 256) return false;
  for (const char32_t point : points) {
    if (point < 0x20 || (point >= 0x7F && point < 0xA0) || point == 0x2028 || point == 0x2029) return false;
  }
  return true;
}

std::string Date(std::uint32_t seconds) {
  const std::chrono::year_month_day day{std::chrono::floor<std::chrono::days>(
      std::chrono::sys_seconds{std::chrono::seconds{seconds}})};
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(day.year()),
                static_cast<unsigned>(day.month()), static_cast<unsigned>(day.day()));
  return text;
}

std::string Stem(std::string_view fileName) { return std::string(fileName.substr(0, fileName.size() - 4)); }

constexpr char kYamlHeader[] = "# Written by orvex-stamp from the finished setup executable; do not edit.\n";
constexpr char kManifestVersion[] = "1.10.0";

std::string YamlHead(const PackageFacts& package, const char* manifestType) {
  return std::string(kYamlHeader) + "# yaml-language-server: $schema=https://aka.ms/winget-manifest." + manifestType +
         "." + kManifestVersion + ".schema.json\n\nPackageIdentifier: " + YamlScalar(kListingPackageIdentifier) +
         "\nPackageVersion: " + YamlScalar(package.productVersion) + "\n";
}

std::string YamlTail(const char* manifestType) {
  return std::string("ManifestType: ") + manifestType + "\nManifestVersion: " + YamlScalar(kManifestVersion) + "\n";
}

std::string VersionManifest(const PackageFacts& package) {
  return YamlHead(package, "version") + "DefaultLocale: en-US\n" + YamlTail("version");
}

std::string LocaleManifest(const PackageFacts& package) {
  return YamlHead(package, "defaultLocale") + "PackageLocale: en-US\nPublisher: " + YamlScalar(kListingPublisher) +
         "\nPackageName: " + YamlScalar(kListingProductName) + "\nPackageUrl: " + YamlScalar(kListingHomePage) +
         "\nLicense: " + YamlScalar(kListingLicense) + "\nShortDescription: " + YamlScalar(kListingShortDescription) +
         "\n" + YamlTail("defaultLocale");
}

std::string InstallerManifest(const PackageFacts& package, const ExecutableFacts& executable,
                              std::string_view downloadUrl) {
  const std::vector<ReturnCode> codes = UnattendedReturnCodes();
  std::string yaml = YamlHead(package, "installer");
  yaml += "InstallerType: exe\nScope: machine\nInstallModes:\n- interactive\n- silent\n- silentWithProgress\n";
  yaml += "InstallerSwitches:\n  Silent: " + YamlScalar(Ascii(kSilentOption) + " " + Ascii(kUnattendedOption)) +
          "\n  SilentWithProgress: " + YamlScalar(Ascii(kReducedUiOption) + " " + Ascii(kUnattendedOption)) +
          "\n  Log: " + YamlScalar(Ascii(kLogOption) + " \"<LOGPATH>\"") + "\n";
  yaml += "InstallerSuccessCodes:\n";
  for (const ReturnCode& code : codes) {
    if (code.code != 0 && IsSuccess(code.verdict)) yaml += "- " + std::to_string(code.code) + "\n";
  }
  yaml += "ExpectedReturnCodes:\n";
  for (const ReturnCode& code : codes) {
    if (code.code == 0 || code.wingetResponse == nullptr) continue;
    yaml += "- InstallerReturnCode: " + std::to_string(code.code) + "\n  ReturnResponse: " +
            YamlScalar(code.wingetResponse) + "\n";
  }
  // The setup removes an earlier version itself.
  yaml += "UpgradeBehavior: install\n";
  // A manifest that asks for administrator makes Windows ask for elevation when a user starts it.
  if (executable.requiresAdministrator) yaml += "ElevationRequirement: elevatesSelf\n";
  yaml += "ProductCode: " + YamlScalar(package.productCode) + "\nReleaseDate: " +
          YamlScalar(Date(executable.timeStamp)) + "\n";
  yaml += "AppsAndFeaturesEntries:\n- DisplayName: " + YamlScalar(package.productName) +
          "\n  Publisher: " + YamlScalar(package.manufacturer) + "\n  DisplayVersion: " +
          YamlScalar(package.productVersion) + "\n  ProductCode: " + YamlScalar(package.productCode) +
          "\n  UpgradeCode: " + YamlScalar(package.upgradeCode) + "\n  InstallerType: msi\n";
  yaml += "Installers:\n- Architecture: x86\n  InstallerUrl: " + YamlScalar(downloadUrl) +
          "\n  InstallerSha256: " + YamlScalar(Upper(executable.sha256)) + "\n";
  return yaml + YamlTail("installer");
}

std::string IntuneApplication(const PackageFacts& package, const ExecutableFacts& executable,
                              std::string_view downloadUrl) {
  const std::string install = executable.fileName + " " + Ascii(kSilentOption) + " " + Ascii(kUnattendedOption);
  std::string json = "{\n  \"@odata.type\": \"#microsoft.graph.win32LobApp\",\n";
  auto field = [&json](const char* name, std::string_view value) {
    json += std::string("  \"") + name + "\": " + JsonString(value) + ",\n";
  };
  field("displayName", kListingProductName);
  field("description", kListingShortDescription);
  field("publisher", kListingPublisher);
  field("displayVersion", package.productVersion);
  field("informationUrl", kListingHomePage);
  field("notes", executable.fileName + " SHA-256 " + executable.sha256 + ", from " + std::string(downloadUrl));
  field("setupFilePath", executable.fileName);
  field("installCommandLine", install);
  field("uninstallCommandLine", "msiexec /x " + package.productCode + " /qn");
  field("applicableArchitectures", "x86,x64");
  json +=
      "  \"installExperience\": {\n    \"@odata.type\": \"#microsoft.graph.win32LobAppInstallExperience\",\n"
      "    \"runAsAccount\": \"system\",\n    \"deviceRestartBehavior\": \"basedOnReturnCode\"\n  },\n";
  json +=
      "  \"detectionRules\": [\n    {\n      \"@odata.type\": \"#microsoft.graph.win32LobAppProductCodeDetection\",\n"
      "      \"productCode\": " +
      JsonString(package.productCode) +
      ",\n"
      "      \"productVersionOperator\": \"greaterThanOrEqual\",\n"
      "      \"productVersion\": " +
      JsonString(package.productVersion) + "\n    }\n  ],\n";
  json += "  \"returnCodes\": [";
  const char* separator = "\n";
  for (const ReturnCode& code : UnattendedReturnCodes()) {
    json += std::string(separator) + "    {\"@odata.type\": \"#microsoft.graph.win32LobAppReturnCode\", " +
            "\"returnCode\": " + std::to_string(code.code) + ", \"type\": \"" + IntuneType(code.verdict) + "\"}";
    separator = ",\n";
  }
  return json + "\n  ]\n}\n";
}

}  // namespace

bool ParsePackageFacts(std::string_view text, PackageFacts& facts, std::string& error) {
  struct Field {
    const char* name;
    std::string* value;
    bool (*valid)(std::string_view);
    bool seen = false;
  };
  PackageFacts read;
  Field fields[] = {
      {"PackageSha256", &read.packageSha256,
       [](std::string_view v) {
         return v.size() == 64 && v.find_first_not_of("0123456789abcdef") == std::string_view::npos;
       }},
      {"ProductCode", &read.productCode, IsBracedGuid},
      {"UpgradeCode", &read.upgradeCode, IsBracedGuid},
      {"ProductVersion", &read.productVersion, IsVersion},
      {"ProductName", &read.productName, IsName},
      {"Manufacturer", &read.manufacturer, IsName},
  };
  std::size_t lineNumber = 0;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(start, end - start);
    start = end + 1;
    ++lineNumber;
    if (line.empty() || line.front() == '#') continue;
    const std::size_t equals = line.find('=');
    const std::string_view name = line.substr(0, equals);
    Field* field = nullptr;
    for (Field& candidate : fields) {
      if (equals != std::string_view::npos && name == candidate.name) field = &candidate;
    }
    const std::string where = "line " + std::to_string(lineNumber) + ": ";
    if (field == nullptr) {
      error = where + "not one of the package's facts";
      return false;
    }
    const std::string_view value = line.substr(equals + 1);
    if (field->seen || !field->valid(value)) {
      error = where + (field->seen ? "given twice: " : "not a valid value: ") + field->name;
      return false;
    }
    field->seen = true;
    field->value->assign(value);
  }
  for (const Field& field : fields) {
    if (!field.seen) {
      error = std::string("missing: ") + field.name;
      return false;
    }
  }
  facts = read;
  return true;
}

std::vector<MetadataFile> MetadataFiles(const PackageFacts& package, const ExecutableFacts& executable,
                                        std::string_view downloadUrl) {
  const std::string folder = Stem(executable.fileName) + ".winget/";
  const std::string identifier = kListingPackageIdentifier;
  return {
      {folder + identifier + ".yaml", VersionManifest(package)},
      {folder + identifier + ".installer.yaml", InstallerManifest(package, executable, downloadUrl)},
      {folder + identifier + ".locale.en-US.yaml", LocaleManifest(package)},
      {Stem(executable.fileName) + ".deployment.json", IntuneApplication(package, executable, downloadUrl)},
  };
}

bool IsSetupFileName(std::string_view name) {
  if (name.size() < 5 || name.size() > 128) return false;
  for (const char c : name) {
    if (!IsLetter(c) && !IsDigit(c) && c != '.' && c != '-' && c != '_') return false;
  }
  const std::string extension = Upper(std::string(name.substr(name.size() - 4)));
  return extension == ".EXE" && name.front() != '.';
}

bool IsDownloadUrl(std::string_view url) {
  constexpr std::string_view kScheme = "https://";
  if (url.size() > 2048 || url.substr(0, kScheme.size()) != kScheme) return false;
  const std::string_view rest = url.substr(kScheme.size());
  if (rest.empty() || rest.front() == '/' || rest.front() == '?' || rest.front() == '#') return false;
  for (const char c : rest) {
    const bool allowed = IsLetter(c) || IsDigit(c) || std::string_view("-._~:/?#[]@!$&'()*+,;=%").find(c) != std::string_view::npos;
    if (!allowed) return false;
  }
  return true;
}

bool ParseBatchList(std::string_view text, std::vector<BatchEntry>& entries, BatchFault& fault) {
  std::vector<BatchEntry> read;
  std::size_t lineNumber = 0;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    auto refuse = [&](std::string reason) {
      fault = {lineNumber, std::move(reason)};
      return false;
    };
    const std::size_t first = line.find('\t');
    const std::size_t second = first == std::string_view::npos ? first : line.find('\t', first + 1);
    if (second == std::string_view::npos || line.find('\t', second + 1) != std::string_view::npos) {
      return refuse("not NAME<TAB>DOWNLOAD URL<TAB>TAG TEXT (three fields separated by tabs)");
    }
    BatchEntry entry{std::string(line.substr(0, first)), std::string(line.substr(first + 1, second - first - 1)),
                     std::string(line.substr(second + 1))};
    bool nameOk = !entry.name.empty() && entry.name.size() <= 64;
    for (const char c : entry.name) nameOk = nameOk && (IsLetter(c) || IsDigit(c) || c == '-' || c == '_');
    if (!nameOk) return refuse("the name is not 1 to 64 letters, digits, \"-\" and \"_\"");
    for (const BatchEntry& earlier : read) {
      if (Upper(earlier.name) == Upper(entry.name)) return refuse("the name " + earlier.name + " is given twice");
    }
    if (!IsDownloadUrl(entry.url)) {
      return refuse("the download address is not an https address of URL characters, at most 2048 long");
    }
    if (entry.tag.size() > tagging::kMaxTagTextSize || !tagging::IsWellFormedTagText(entry.tag)) {
      const tagging::TagTextCheck check = tagging::CheckTagText(entry.tag);
      return refuse("the setup would not use this tag: piece " + std::to_string(check.pieceNumber) + ": " +
                    std::string(tagging::DescribeTagTextFault(check.fault)));
    }
    read.push_back(std::move(entry));
  }
  if (read.empty()) {
    fault = {0, "the list names no affiliate"};
    return false;
  }
  entries = std::move(read);
  return true;
}

std::string YamlScalar(std::string_view text) {
  // Plain only when YAML cannot read it as anything else: a letter first, then letters, digits,
  // blanks and ".-_/()" (no ": " or " #"), no trailing blank, and not a word YAML 1.1 reads as a
  // boolean or null.
  bool plain = !text.empty() && IsLetter(text.front()) && text.back() != ' ';
  for (const char c : text) {
    plain = plain && (IsLetter(c) || IsDigit(c) || std::string_view(" .-_/()").find(c) != std::string_view::npos);
  }
  if (plain) {
    const std::string upper = Upper(std::string(text));
    for (const char* word : {"Y", "N", "YES", "NO", "TRUE", "FALSE", "ON", "OFF", "NULL"}) {
      if (upper == word) plain = false;
    }
  }
  if (plain) return std::string(text);
  return Quoted(text, [](char32_t point) {
    if (point < 0x100) return "\\x" + Hex(point, 2);
    return point < 0x10000 ? "\\u" + Hex(point, 4) : "\\U" + Hex(point, 8);
  });
}

std::string JsonString(std::string_view text) {
  return Quoted(text, [](char32_t point) {
    if (point < 0x10000) return "\\u" + Hex(point, 4);
    const char32_t offset = point - 0x10000;
    return "\\u" + Hex(0xD800 + (offset >> 10), 4) + "\\u" + Hex(0xDC00 + (offset & 0x3FF), 4);
  });
}

}  // namespace deployment
