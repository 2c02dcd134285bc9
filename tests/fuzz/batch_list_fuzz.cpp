// The stamping tool's batch list (deployment::ParseBatchList) and the quoting of what the metadata
// writes (deployment::YamlScalar, deployment::JsonString). Input: the list's text. An accepted
// list holds only names of 1 to 64 letters, digits, "-" and "_", each once whatever the case,
// https addresses IsDownloadUrl accepts and tags the setup uses, each entry a line of the input;
// a refusal names a line of the input and leaves the entries as they were. Quoted text is
// printable ASCII, inside its quotes every quote escaped.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tag/tag_format.h"
#include "tests/fuzz/fuzz_support.h"
#include "tools/stamp/deployment_metadata.h"

using fuzzing::Require;

namespace {

bool IsNameCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

std::string Folded(std::string text) {
  for (char& c : text) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  return text;
}

void RequireQuotedAscii(const std::string& quoted, bool mayBePlain) {
  for (const char c : quoted) Require(c >= 0x20 && c < 0x7F, "quoted text is printable ASCII");
  if (mayBePlain && (quoted.empty() || quoted.front() != '"')) return;
  Require(quoted.size() >= 2 && quoted.front() == '"' && quoted.back() == '"', "quoted text is in quotes");
  for (std::size_t i = 1; i + 1 < quoted.size(); ++i) {
    if (quoted[i] == '\\') {
      ++i;
      Require(i + 1 < quoted.size(), "an escape does not take the closing quote");
    } else {
      Require(quoted[i] != '"', "every quote inside is escaped");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  RequireQuotedAscii(deployment::JsonString(text), false);
  RequireQuotedAscii(deployment::YamlScalar(text), true);

  std::vector<deployment::BatchEntry> entries = {{"before", "", ""}};
  deployment::BatchFault fault;
  std::size_t lines = 0;
  for (std::size_t at = 0; at < size; at = text.find('\n', at) == std::string::npos ? size : text.find('\n', at) + 1) {
    ++lines;
  }
  if (!deployment::ParseBatchList(text, entries, fault)) {
    Require(entries.size() == 1 && entries.front().name == "before", "a refusal leaves the entries");
    Require(fault.line <= lines && !fault.reason.empty(), "a refusal names a line of the list");
    return 0;
  }
  Require(!entries.empty() && entries.size() <= lines, "one entry per line at most");
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const deployment::BatchEntry& entry = entries[i];
    Require(!entry.name.empty() && entry.name.size() <= 64, "a name of 1 to 64 characters");
    for (const char c : entry.name) Require(IsNameCharacter(c), "a name of letters, digits, - and _");
    for (std::size_t k = 0; k < i; ++k) Require(Folded(entries[k].name) != Folded(entry.name), "each name once");
    Require(deployment::IsDownloadUrl(entry.url) && entry.url.rfind("https://", 0) == 0, "an https address");
    Require(tagging::IsWellFormedTagText(entry.tag), "a tag the setup uses");
    Require(text.find(entry.name + "\t" + entry.url + "\t" + entry.tag) != std::string::npos, "an entry is a line");
    RequireQuotedAscii(deployment::YamlScalar(entry.url), true);
    RequireQuotedAscii(deployment::JsonString(entry.url), false);
  }
  return 0;
}
