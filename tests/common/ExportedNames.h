// The names a shared library exports, as the dynamic linker sees them (nm -D).
#pragma once

#include <optional>
#include <set>
#include <string>

// Plain C names and C++ names the library defines; the toolchain's own (starting with an underscore, other than
// C++ names) are left out. Nothing when nm cannot read the file.
std::optional<std::set<std::string>> ExportedNames(const std::string& libraryPath);
