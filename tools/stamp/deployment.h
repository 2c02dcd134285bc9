#pragma once
#include <string>

// The stamping tool's modes for deployment: each returns the tool's exit code (stamping::Outcome)
// and says on the error output what it refused.
namespace stamping {

// Writes the main package FILE carries (its resource "MSI") to OUT, a new file.
int WriteMainPackage(const std::string& file, const std::string& out);

// Writes the deployment metadata of the signed, tagged FILE beside it ("<stem>.winget/" and
// "<stem>.deployment.json"), from FILE's bytes and the package facts beside it
// ("<stem>.package-facts"), which must be those of the package FILE carries. `downloadUrl` is
// where FILE is published.
int WriteMetadataBeside(const std::string& file, const std::string& downloadUrl);

// For every line of LIST (NAME, download address, tag): DIR/NAME/<FILE's name>, FILE with that
// tag in place of its own, and that copy's metadata beside it; then DIR/SHA256SUMS. Every line
// and every output path is checked before anything is written; a failure later removes
// everything written.
int StampBatch(const std::string& list, const std::string& outputDir, const std::string& file);

}  // namespace stamping
