#pragma once
#include <cstdint>
#include <string>

// Installer properties for the affiliate, appended to the main package's command line.
extern std::u16string affiliateProperties;

// Replaces the default affiliate properties with the text of the tag behind the program's own
// signature; warns and keeps the default when there is none or when its text is not a list of
// NAME=VALUE properties (tagging::IsWellFormedTagText).
void LoadAffiliateConfiguration(const std::u16string& programPath);

// The tag text in installer property syntax, without checking its form: stops at the first zero
// byte or after `count` bytes; "&" becomes a blank and "." becomes "#"; each byte, taken as a
// signed 8-bit value, is one code unit (0x80 to 0xFF give 0xFF80 to 0xFFFF).
std::u16string AffiliatePropertiesFromTag(const std::uint8_t* text, std::int32_t count);

// Restores the default of `affiliateProperties`.
void ResetAffiliatePropertiesForTesting();
