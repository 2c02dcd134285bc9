#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The deployment metadata of a finished setup executable: a winget manifest (ManifestVersion
// 1.10.0) and the application as Intune's Win32 app takes it (Microsoft Graph's win32LobApp).
// The switches come from the command line's option names, every return code and what it means
// from the outcome table (base/outcome.h), the listing from cmake/product.cmake, and everything
// else from what was read back from the finished file.
namespace deployment {

// The facts of the main package the executable carries, as the package reader read them from the
// executable's resource "MSI" (packages/tools/read_package_facts.py writes them as NAME=VALUE
// lines beside the executable).
struct PackageFacts {
  std::string packageSha256;  // of the package's bytes, lower-case hexadecimal
  std::string productCode;
  std::string upgradeCode;
  std::string productVersion;
  std::string productName;
  std::string manufacturer;
};

// Reads the facts file. False, with the reason in `error`, for a missing or repeated field, an
// unknown one, a code that is no braced GUID, a version that is not 1 to 4 dot-separated numbers,
// a name that is empty, not UTF-8 or holds control characters.
bool ParsePackageFacts(std::string_view text, PackageFacts& facts, std::string& error);

// What was read from the finished executable itself.
struct ExecutableFacts {
  std::string fileName;                // "OrvexUtilities2011Setup.exe"
  std::string sha256;                  // of the whole file, lower-case hexadecimal
  std::uint32_t timeStamp = 0;         // the header's, the build's time
  bool requiresAdministrator = false;  // its manifest's requestedExecutionLevel
};

struct MetadataFile {
  std::string path;  // relative to the executable's folder
  std::string content;
};

// The three files of the winget manifest in "<stem>.winget/" and "<stem>.deployment.json",
// <stem> the file name without ".exe".
std::vector<MetadataFile> MetadataFiles(const PackageFacts& package, const ExecutableFacts& executable,
                                        std::string_view downloadUrl);

// The file name the metadata may name in a command line unquoted: letters, digits, ".", "-" and
// "_", ending in ".exe" (any case).
bool IsSetupFileName(std::string_view name);

// An https address of at most 2048 characters of the URL character set (no blank, quote,
// backslash, angle bracket or control character), with a host.
bool IsDownloadUrl(std::string_view url);

// One line of a batch list: NAME<TAB>DOWNLOAD URL<TAB>TAG TEXT.
struct BatchEntry {
  std::string name;
  std::string url;
  std::string tag;
};

struct BatchFault {
  std::size_t line = 0;  // from 1
  std::string reason;
};

// Reads every line of the list (a line ending may be "\r\n"; empty lines are skipped). The first
// bad line is the fault: not three fields, a NAME that is not 1 to 64 letters, digits, "-" and
// "_" or repeats one (letter case ignored, as Windows file names are), a URL IsDownloadUrl
// refuses, a tag the setup would not use. A list without entries is a fault too (line 0).
bool ParseBatchList(std::string_view text, std::vector<BatchEntry>& entries, BatchFault& fault);

// Text as a YAML scalar: plain where YAML reads it back as that string, else double-quoted.
std::string YamlScalar(std::string_view text);
// Text as a JSON string.
std::string JsonString(std::string_view text);

}  // namespace deployment
