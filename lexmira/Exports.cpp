#include "lexmira/Lexmira.h"
#include "lexmira/Locale.h"

extern "C" {

LEXMIRA_API const char16_t* wxGetTranslation(const char16_t* text) {
    const lexmira::Locale* locale = lexmira::g_currentLocale.load(std::memory_order_acquire);
    return locale == nullptr ? text : locale->Translate(text);
}

LEXMIRA_API lexmira::wxLocale* CreateObject(int language) { return new lexmira::Locale(language); }

LEXMIRA_API lexmira::wxLocale* wxGetLocale(void) { return lexmira::g_currentLocale.load(std::memory_order_acquire); }
}
