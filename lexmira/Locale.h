#pragma once

#include <atomic>

#include "lexmira/Lexmira.h"
#include "lexmira/MsgCatalog.h"

namespace lexmira {

class Locale final : public wxLocale {
public:
    explicit Locale(int language);  // becomes the current locale
    ~Locale() override;
    Locale(const Locale&) = delete;
    Locale& operator=(const Locale&) = delete;

    const char16_t* Translate(const char16_t* text) const override;
    int LanguageId() const override;
    bool LoadCatalog(const char16_t* path) override;
    void Destroy() override;

private:
    int m_language;
    // Newest first. A catalog is complete before it is published here and never changes afterwards, so lookups
    // from any thread need no lock, even while another catalog is being added.
    std::atomic<wxMsgCatalog*> m_catalogs{nullptr};
};

// The locale created last and not destroyed since.
extern std::atomic<Locale*> g_currentLocale;

}  // namespace lexmira
