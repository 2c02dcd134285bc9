#pragma once
#include <cstdint>
#include <string>

// What the detection of the installed product found. Only that detection writes these; the
// dispatch, the installation run, the messages, the dialog, the removal and the links read them.

// Product code under which the installed version was found; kInstallerProductCode until the
// detection finds it under another code.
extern std::u16string installedProductCode;
// Major number of the installed version; 0 until a version has been parsed.
extern std::uint32_t installedMajorVersion;
