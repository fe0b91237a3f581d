#include "core/Translation.h"
#include "framework/MessageBox.h"
#include "framework/Styles.h"

namespace {

// Not translated and not the program's own box: the catalog that would translate it is what is missing.
void ReportMissingCatalog() { fw::PlainMessageBox(u"Language package not found!", fw::MB_OK); }

}  // namespace

void LoadLanguageCatalog(lexmira::wxLocale*& locale, int language) {
    locale = CreateObject(language);
    if (locale == nullptr) return;

    const char16_t* path = nullptr;
    if (language == 0) {
        path = u"Languages/zh.mo";
    } else if (language == 2) {
        path = u"Languages/en.mo";
    } else {
        ReportMissingCatalog();
        return;
    }
    if (!locale->LoadCatalog(path)) ReportMissingCatalog();
}
