// INI files are edited by hand and shipped with the program: any bytes must parse, look up and rewrite safely,
// and a rewrite must read back what was written while keeping every other key.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "framework/Ini.h"
#include "fuzz/FuzzAccept.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    fw::IniText ini = fw::IniText::Parse(bytes);
    if (ini.Serialize() != bytes) std::abort();  // parsing alone changes nothing

    const auto before = ini.Find(u"dlparam", u"other");
    (void)ini.Find(u"dlparam", u"Baud");
    if (ini.Set(u"dlparam", u"total", u"42")) {
        const fw::IniText reread = fw::IniText::Parse(ini.Serialize());
        if (reread.Find(u"DLPARAM", u"TOTAL") != fw::Text(u"42")) std::abort();
        if (reread.Find(u"dlparam", u"other") != before) std::abort();
        FuzzAccepted();
    }
    ini.RemoveKey(u"dlparam", u"total");
    if (ini.Find(u"dlparam", u"total")) std::abort();
    ini.RemoveSection(u"dlparam");
    if (ini.Find(u"dlparam", u"other")) std::abort();
    return 0;
}
