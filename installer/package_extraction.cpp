#include "installer/package_extraction.h"

std::u16string ExtractMainPackage() {
  // Placeholder until package extraction lands: nothing is written.
  return {};
}

std::u16string ExtractLanguagePack(const std::u16string&) {
  // Placeholder until package extraction lands: nothing is written.
  return {};
}
