#pragma once
#include <string>

// Installer properties for the affiliate, appended to the main package's command line.
extern std::u16string affiliateProperties;

// Replaces the default affiliate properties with the text of the tag behind the program's own
// signature; warns and keeps the default when there is none.
void LoadAffiliateConfiguration(const std::u16string& programPath);
