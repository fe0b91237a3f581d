// The translation library's interface: three C exports and the locale object they hand out. The program creates
// one locale at start-up, loads the catalog of its language into it and asks for every text it shows; the answer
// points into the library's catalog (or is the argument itself) and is copied at once by the caller.
#pragma once

#define LEXMIRA_API __attribute__((visibility("default")))

namespace lexmira {

// Wide texts are UTF-16 code units, NUL-terminated.
class wxLocale {
public:
    // The catalog's translation, newest catalog first; the argument itself when none holds the text, null for null.
    virtual const char16_t* Translate(const char16_t* text) const = 0;
    // The number given to CreateObject; the library gives it no meaning.
    virtual int LanguageId() const = 0;
    // Adds a GNU gettext MO catalog (a relative path resolves against the working directory). False, with the
    // locale unchanged, when the file is missing, unreadable or not a well-formed catalog.
    virtual bool LoadCatalog(const char16_t* path) = 0;
    // Deletes the object inside the library that made it; when it is the current locale, there is none after.
    virtual void Destroy() = 0;

protected:
    virtual ~wxLocale() = default;
};

}  // namespace lexmira

extern "C" {

// The current locale's translation of text, or text itself when there is no current locale.
LEXMIRA_API const char16_t* wxGetTranslation(const char16_t* text);

// A new locale without catalogs; it becomes the current locale.
LEXMIRA_API lexmira::wxLocale* CreateObject(int language);

// The current locale: the one created last and not destroyed since; null before the first.
LEXMIRA_API lexmira::wxLocale* wxGetLocale(void);
}
