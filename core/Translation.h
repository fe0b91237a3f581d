// Translation of the program's texts. Every text the program shows is written in the code in Chinese and passed
// through TranslateText just before it is shown; the Chinese text is the key. Translations come either from the
// translation library's catalog (catalog mode) or from the language INI file (INI mode), fixed at start-up.
#pragma once

#include "framework/Text.h"
#include "lexmira/Lexmira.h"

// 1: catalog mode (the translation library answers); any other value: INI mode. Set once at start-up.
extern int g_bCatalogTranslation;
// The language INI file that INI mode reads; empty until SetLanguageFile. While it is empty, every key is
// answered unchanged, in both modes.
extern fw::Text g_strLanguageIniPath;

// The text of the current language for a Chinese key, or the key itself when there is no translation.
// Never fails, shows nothing; callable from any thread once start-up has set the globals above.
fw::Text TranslateText(fw::Text key);

// 1 selects "Languages/en.ini" in the working directory, every other value "Languages/zh.ini".
void SetLanguageFile(int english);

// Binds the catalog of catalog mode at start-up: locale = a new locale of the translation library for the language
// number (0 Chinese, 2 English), loaded with "Languages/zh.mo" or "Languages/en.mo" of the working directory. Any
// other number, or a catalog that cannot be loaded, shows the framework's plain box "Language package not found!";
// the locale is kept either way and lives until the process ends. The main window holds the locale.
void LoadLanguageCatalog(lexmira::wxLocale*& locale, int language);
