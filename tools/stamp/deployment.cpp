#include "tools/stamp/deployment.h"

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "tools/stamp/deployment_metadata.h"
#include "tools/stamp/files.h"
#include "tools/stamp/pe_resources.h"
#include "tools/stamp/sha256.h"
#include "tools/stamp/stamping.h"

namespace stamping {
namespace {

constexpr std::size_t kMaxFactsSize = 64 * 1024;
constexpr std::size_t kMaxListSize = 16 * 1024 * 1024;

int Say(Outcome outcome, const std::string& what, const std::string& why) {
  std::fprintf(stderr, "orvex-stamp: %s: %s\n", what.c_str(), why.c_str());
  return static_cast<int>(outcome);
}

int Say(Outcome outcome, const std::string& what) { return Say(outcome, what, std::string(Describe(outcome))); }

std::string Join(const std::string& folder, const std::string& name) {
  return (std::filesystem::path(folder) / name).string();
}

std::string FolderOf(const std::string& file) {
  const std::string folder = std::filesystem::path(file).parent_path().string();
  return folder.empty() ? "." : folder;
}

std::string NameOf(const std::string& file) { return std::filesystem::path(file).filename().string(); }

// A regular file of at most `limit` bytes as text.
bool ReadText(const std::string& path, std::size_t limit, std::string& text) {
  std::vector<std::uint8_t> bytes;
  if (!ReadRegularFile(path, bytes, limit + 1) || bytes.size() > limit) return false;
  text.assign(bytes.begin(), bytes.end());
  return true;
}

std::optional<std::span<const std::uint8_t>> MainPackage(std::span<const std::uint8_t> image) {
  return pe::FindResource(image, pe::kRcData, {0, "MSI"});
}

bool AsksForAdministrator(std::span<const std::uint8_t> image) {
  const auto manifest = pe::FindResource(image, pe::kManifest, {1, {}});
  if (!manifest) return false;
  const std::string_view text(reinterpret_cast<const char*>(manifest->data()), manifest->size());
  const std::size_t element = text.find("<requestedExecutionLevel");
  if (element == std::string_view::npos) return false;
  const std::string_view attributes = text.substr(element, text.find('>', element) - element);
  return attributes.find("level=\"requireAdministrator\"") != std::string_view::npos ||
         attributes.find("level='requireAdministrator'") != std::string_view::npos;
}

// What every copy of FILE shares: the package facts, checked against the package it carries,
// and what its headers and manifest say.
struct Source {
  std::vector<std::uint8_t> image;
  deployment::PackageFacts package;
  deployment::ExecutableFacts executable;
  mode_t mode = 0644;
};

int ReadSource(const std::string& file, Source& source) {
  const std::string name = NameOf(file);
  if (!deployment::IsSetupFileName(name)) {
    return Say(Outcome::Usage, file, "the file's name must be letters, digits, \".\", \"-\" and \"_\", ending in .exe");
  }
  if (!ReadRegularFile(file, source.image)) return Say(Outcome::FileError, file, "not a readable regular file");
  struct stat status {};
  if (::stat(file.c_str(), &status) == 0) source.mode = status.st_mode & 0777;
  const auto package = MainPackage(source.image);
  if (!package) return Say(Outcome::PackageFacts, file, "carries no main package (resource \"MSI\")");
  const std::string stem = name.substr(0, name.size() - 4);
  const std::string factsPath = Join(FolderOf(file), stem + ".package-facts");
  std::string text;
  std::string error;
  if (!ReadText(factsPath, kMaxFactsSize, text)) {
    return Say(Outcome::PackageFacts, factsPath, "cannot be read (packages/tools/read_package_facts.py writes it)");
  }
  if (!deployment::ParsePackageFacts(text, source.package, error)) return Say(Outcome::PackageFacts, factsPath, error);
  if (Sha256Hex(*package) != source.package.packageSha256) {
    return Say(Outcome::PackageFacts, factsPath, "describes another package than the one " + name + " carries");
  }
  const auto timeStamp = pe::HeaderTimeStamp(source.image);
  if (!timeStamp) return Say(Outcome::NotPeImage, file);
  source.executable.fileName = name;
  source.executable.timeStamp = *timeStamp;
  source.executable.requiresAdministrator = AsksForAdministrator(source.image);
  return 0;
}

// Writes the metadata files into `folder`, which holds the executable.
bool WriteMetadata(NewPaths& paths, const std::string& folder, const std::vector<deployment::MetadataFile>& files) {
  for (const deployment::MetadataFile& file : files) {
    const std::size_t slash = file.path.find('/');
    if (slash != std::string::npos && !IsFolder(Join(folder, file.path.substr(0, slash))) &&
        !paths.Folder(Join(folder, file.path.substr(0, slash)))) {
      return false;
    }
    if (!paths.File(Join(folder, file.path), file.content.data(), file.content.size())) return false;
  }
  return true;
}

// The first path of the metadata that already exists, or empty.
std::string Occupied(const std::string& folder, const std::vector<deployment::MetadataFile>& files) {
  for (const deployment::MetadataFile& file : files) {
    const std::string top = Join(folder, file.path.substr(0, file.path.find('/')));
    if (Exists(top)) return top;
  }
  return {};
}

}  // namespace

int WriteMainPackage(const std::string& file, const std::string& out) {
  std::vector<std::uint8_t> image;
  if (!ReadRegularFile(file, image)) return Say(Outcome::FileError, file, "not a readable regular file");
  const auto package = MainPackage(image);
  if (!package) return Say(Outcome::PackageFacts, file, "carries no main package (resource \"MSI\")");
  NewPaths paths;
  if (!paths.File(out, package->data(), package->size())) return Say(Outcome::FileError, out, "cannot be created new");
  paths.Keep();
  return 0;
}

int WriteMetadataBeside(const std::string& file, const std::string& downloadUrl) {
  if (!deployment::IsDownloadUrl(downloadUrl)) {
    return Say(Outcome::Refused, downloadUrl, "not an https address of URL characters, at most 2048 long");
  }
  Source source;
  if (const int failed = ReadSource(file, source)) return failed;
  std::string text;
  const Outcome tagged = ReadTagText(source.image, text);
  if (tagged != Outcome::Done) return Say(tagged, file, std::string(Describe(tagged)) + ": only a signed, tagged file gets metadata");
  source.executable.sha256 = Sha256Hex(source.image);
  const std::string folder = FolderOf(file);
  const auto files = deployment::MetadataFiles(source.package, source.executable, downloadUrl);
  if (const std::string occupied = Occupied(folder, files); !occupied.empty()) {
    return Say(Outcome::FileError, occupied, "exists already: remove it first");
  }
  NewPaths paths;
  if (!WriteMetadata(paths, folder, files)) return Say(Outcome::FileError, folder, "the metadata cannot be written");
  paths.Keep();
  return 0;
}

int StampBatch(const std::string& list, const std::string& outputDir, const std::string& file) {
  std::string text;
  if (!ReadText(list, kMaxListSize, text)) {
    return Say(Outcome::FileError, list, "not a readable regular file of at most 16 MB");
  }
  std::vector<deployment::BatchEntry> entries;
  deployment::BatchFault fault;
  if (!deployment::ParseBatchList(text, entries, fault)) {
    return Say(Outcome::Refused, list + (fault.line > 0 ? ": line " + std::to_string(fault.line) : std::string()),
               fault.reason + "; nothing written");
  }
  if (IsLink(outputDir) || (Exists(outputDir) && !IsFolder(outputDir))) {
    return Say(Outcome::FileError, outputDir, "is a link or not a folder; nothing written");
  }
  const std::string sums = Join(outputDir, "SHA256SUMS");
  for (const deployment::BatchEntry& entry : entries) {
    if (Exists(Join(outputDir, entry.name))) {
      return Say(Outcome::FileError, Join(outputDir, entry.name), "exists already; nothing written");
    }
  }
  if (Exists(sums)) return Say(Outcome::FileError, sums, "exists already; nothing written");

  Source source;
  if (const int failed = ReadSource(file, source)) return failed;
  // The first stamp shows whether FILE takes a tag at all before anything is written.
  if (const Outcome outcome = StampTag(source.image, entries.front().tag, true); outcome != Outcome::Done) {
    return Say(outcome, file);
  }

  NewPaths paths;
  if (!IsFolder(outputDir) && !paths.Folder(outputDir)) return Say(Outcome::FileError, outputDir, "cannot be created");
  std::string sumLines;
  for (const deployment::BatchEntry& entry : entries) {
    if (StampTag(source.image, entry.tag, true) != Outcome::Done) return Say(Outcome::MalformedText, entry.name);
    const std::string folder = Join(outputDir, entry.name);
    const std::string copy = Join(folder, source.executable.fileName);
    if (!paths.Folder(folder) || !paths.File(copy, source.image.data(), source.image.size(), source.mode)) {
      return Say(Outcome::FileError, copy, "cannot be written; nothing kept");
    }
    deployment::ExecutableFacts executable = source.executable;
    executable.sha256 = HashFile(copy);
    if (executable.sha256.empty()) return Say(Outcome::FileError, copy, "cannot be read back; nothing kept");
    if (!WriteMetadata(paths, folder, deployment::MetadataFiles(source.package, executable, entry.url))) {
      return Say(Outcome::FileError, folder, "the metadata cannot be written; nothing kept");
    }
    sumLines += executable.sha256 + "  " + entry.name + "/" + executable.fileName + "\n";
  }
  if (!paths.File(sums, sumLines.data(), sumLines.size())) return Say(Outcome::FileError, sums, "cannot be written; nothing kept");
  paths.Keep();
  return 0;
}

}  // namespace stamping
