#include "lexmira/Locale.h"

#include <memory>
#include <string>

namespace lexmira {

std::atomic<Locale*> g_currentLocale{nullptr};

Locale::Locale(int language) : m_language(language) { g_currentLocale.store(this, std::memory_order_release); }

Locale::~Locale() {
    Locale* self = this;
    g_currentLocale.compare_exchange_strong(self, nullptr, std::memory_order_acq_rel);
    for (wxMsgCatalog* catalog = m_catalogs.load(std::memory_order_acquire); catalog != nullptr;) {
        wxMsgCatalog* next = catalog->next;
        delete catalog;
        catalog = next;
    }
}

const char16_t* Locale::Translate(const char16_t* text) const {
    if (text == nullptr) return nullptr;
    const std::u16string_view key(text);
    for (const wxMsgCatalog* catalog = m_catalogs.load(std::memory_order_acquire); catalog != nullptr;
         catalog = catalog->next) {
        if (const char16_t* translation = catalog->Find(key)) return translation;
    }
    return text;
}

int Locale::LanguageId() const { return m_language; }

bool Locale::LoadCatalog(const char16_t* path) {
    if (path == nullptr) return false;
    auto catalog = std::make_unique<wxMsgCatalog>();
    if (!catalog->LoadFile(path)) return false;
    catalog->next = m_catalogs.load(std::memory_order_relaxed);
    while (!m_catalogs.compare_exchange_weak(catalog->next, catalog.get(), std::memory_order_release,
                                             std::memory_order_relaxed)) {
    }
    catalog.release();
    return true;
}

void Locale::Destroy() { delete this; }

}  // namespace lexmira
