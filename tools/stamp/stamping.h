#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Writing the affiliate tag into a signed setup executable, at the place the setup program reads
// it from: right behind the PKCS#7 signature of the first certificate entry, padded to 8 bytes.
namespace stamping {

// Each outcome is also the tool's exit code.
enum class Outcome : int {
  Done = 0,
  FileError = 1,
  Usage = 2,
  NotPeImage = 3,
  Unsigned = 4,
  UnexpectedSignatureHeader = 5,    // the signature's DER length is not in the two-byte 0x30 0x82 form
  UnsupportedCertificateTable = 6,  // damaged, more than one entry, or not at the end of the file
  AlreadyTagged = 7,                // something stands behind the signature and --replace was not given
  TextTooLong = 8,
  NoTag = 9,
  MalformedText = 10,  // not a list of allowed NAME=VALUE properties (tagging::CheckTagText)
  PackageFacts = 11,   // no main package, or its facts beside the file missing, malformed or not its own
  Refused = 12,        // a download address or a line of a batch list the tool does not accept
};

// Puts `text` behind the signature and updates the certificate entry's length, the security
// directory's size and (when the image carries one) the PE checksum. With `replace`, whatever
// stood behind the signature is dropped first. Refuses a text the setup would not use, and a
// certificate table that does not lie behind the headers it updates. On any refusal the image
// is left unchanged.
Outcome StampTag(std::vector<std::uint8_t>& image, std::string_view text, bool replace);

// The tag text exactly as stored, or the reason there is none.
Outcome ReadTagText(std::span<const std::uint8_t> image, std::string& text);

// The PE checksum of the image as the loader computes it (the checksum field counts as zero).
std::uint32_t PeChecksum(std::span<const std::uint8_t> image, std::uint32_t checksumOffset);

// A one-line description of an outcome, for the tool's error output.
std::string_view Describe(Outcome outcome);

}  // namespace stamping
