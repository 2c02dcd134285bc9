#pragma once
#include <string>

// Writes the main package to its fixed file and returns the path; failures are fatal.
std::u16string ExtractMainPackage();
// Writes a language pack resource to a new temporary file and returns the path; failures are fatal.
std::u16string ExtractLanguagePack(const std::u16string& resourceName);
