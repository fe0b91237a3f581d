// Qt's own texts (the file dialog's "Open" and "Look in:", the standard buttons) in the interface language.
#pragma once

namespace fw::qt {

// Installs Qt's translations for the interface language (a LANGID; anything but Chinese leaves Qt's English) and
// answers whether translations are in use. Cheap when the language did not change.
bool UseQtTranslations(int languageId);

}  // namespace fw::qt
