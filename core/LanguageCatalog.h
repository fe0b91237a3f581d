// The catalog the translation library answers from in catalog mode, bound once at start-up.
#pragma once

#include "lexmira/Lexmira.h"

// Holds the process's locale object; the main window is the one holder. The locale lives until the process ends.
class CLocaleHolder {
public:
    // Creates the locale for the language number (0 Chinese, 2 English) and loads "Languages/zh.mo" or
    // "Languages/en.mo" of the working directory into it. Any other number, or a catalog that cannot be loaded,
    // shows the framework's plain box "Language package is not find!"; the locale is kept either way.
    void LoadLanguageCatalog(int language);

    lexmira::wxLocale* m_pLocale = nullptr;
};
