#include "core/Translation.h"

#include "core/FileServices.h"
#include "framework/Files.h"
#include "framework/Ini.h"
#include "lexmira/Lexmira.h"

int g_bCatalogTranslation = 0;
fw::Text g_strLanguageIniPath;

namespace {

// The language files hold values of at most this many characters, terminator included.
constexpr std::size_t kIniValueBuffer = 260;
constexpr char16_t kIniSection[] = u"dlparam";

}  // namespace

fw::Text TranslateText(fw::Text key) {
    if (key.empty() || g_strLanguageIniPath.empty()) return key;
    if (g_bCatalogTranslation == 1) {
        // The answer points into the library's catalog or is our own argument: copy it before anything else.
        const char16_t* answer = wxGetTranslation(key.c_str());
        return answer != nullptr ? fw::Text(answer) : key;
    }
    // The INI file was made from the catalog of the same language, which start-up binds in this mode too, without
    // the texts the format cannot hold (line breaks above all: the safety questions). Those the catalog answers.
    const char16_t* fromCatalog = wxGetTranslation(key.c_str());
    if (fromCatalog != nullptr && !fw::IniCanHold(kIniSection, key, fromCatalog)) return fw::Text(fromCatalog);
    // Each lookup reads the file anew: nothing is cached, so a key and its file never drift apart.
    return fw::GetPrivateProfileString(kIniSection, key, key, kIniValueBuffer, g_strLanguageIniPath);
}

void SetLanguageFile(int english) {
    const fw::TextView file = english == 1 ? u"Languages/en.ini" : u"Languages/zh.ini";
    g_strLanguageIniPath = fw::JoinPath(GetCurrentDir(), file);
}
