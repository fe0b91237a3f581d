// Binds generate_random of the random-number library at run time. The key-file dialog binds it when it opens and
// works without it (no default key folder, no key creation) when the library is not there.
#pragma once

#include <string>

// Fills out[0 .. len-1] with random bytes; answers 0 on success, anything else when out holds no random bytes.
using GenerateRandomFunction = int (*)(unsigned char* out, unsigned int len);

constexpr const char* kTessarandLibraryName = "libTessarand.so";

// Loads the library by name, first from the running program's own folder (where the build and the install put
// the shared libraries), then through the dynamic linker's usual search. A loaded library stays loaded for the
// life of the process. Answers nullptr when the library or its export is missing.
GenerateRandomFunction BindGenerateRandom(const std::string& libraryName = kTessarandLibraryName);

// The folder of the running program, from /proc/self/exe; empty when it cannot be read.
std::string ProgramFolder();
