#include "framework/host/qt/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>

#include "framework/Resources.h"

namespace fw::qt {

bool UseQtTranslations(int languageId) {
    static int installedFor = -1;
    static std::unique_ptr<QTranslator> translator;
    if (installedFor == languageId) return translator != nullptr;
    installedFor = languageId;
    if (translator) {
        QCoreApplication::removeTranslator(translator.get());
        translator.reset();
    }
    if (languageId != kLangChinese) return false;
    auto loaded = std::make_unique<QTranslator>();
    // Debian's Qt translations; without them Qt speaks English, as before.
    if (!loaded->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) return false;
    QCoreApplication::installTranslator(loaded.get());
    translator = std::move(loaded);
    return true;
}

}  // namespace fw::qt
