#include "framework/host/qt/FileDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QRegularExpression>

#include "framework/host/qt/OwnedWindow.h"
#include "framework/host/qt/QtText.h"

namespace fw::qt {

QStringList NameFilters(const std::vector<FileFilter>& filters) {
    static const QRegularExpression trailingPatterns(QStringLiteral("\\s*[(（][^()（）]*[)）]\\s*$"));
    QStringList out;
    for (const FileFilter& filter : filters) {
        QString label = ToQString(filter.label);
        label.remove(trailingPatterns);
        QStringList patterns;
        for (const Text& pattern : filter.patterns) {
            const QString p = ToQString(pattern);
            patterns << (p == QStringLiteral("*.*") ? QStringLiteral("*") : p);
        }
        if (label.isEmpty()) label = patterns.join(QLatin1Char(' '));
        out << QStringLiteral("%1 (%2)").arg(label, patterns.join(QLatin1Char(' ')));
    }
    return out;
}

FileDialogResult RunFileDialog(const FileDialogRequest& request, QWidget* owner) {
    QFileDialog dialog(nullptr, ToQString(request.title));
    SetOwnerWindow(dialog, owner);
    // Qt's own dialog: it runs in our event loop (workers keep being served) and looks the same everywhere.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setDirectory(request.initialFolder.empty() ? QDir::currentPath() : ToQString(request.initialFolder));
    // Patterns from the platform's filters match without regard to case ("*.bin" finds "APP.BIN").
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);

    const QStringList filters = NameFilters(request.filters);
    switch (request.kind) {
        case FileDialogKind::Open:
            dialog.setAcceptMode(QFileDialog::AcceptOpen);
            dialog.setFileMode(request.multiSelect     ? QFileDialog::ExistingFiles
                               : request.fileMustExist ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
            break;
        case FileDialogKind::Save:
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setFileMode(QFileDialog::AnyFile);
            dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt);
            break;
        case FileDialogKind::Folder:
            dialog.setAcceptMode(QFileDialog::AcceptOpen);
            dialog.setFileMode(QFileDialog::Directory);
            dialog.setOption(QFileDialog::ShowDirsOnly);
            break;
    }
    if (request.kind != FileDialogKind::Folder && !filters.isEmpty()) {
        dialog.setNameFilters(filters);
        const int index = std::clamp(request.filterIndex, 0, static_cast<int>(filters.size()) - 1);
        dialog.selectNameFilter(filters[index]);
    }
    if (!request.defaultExtension.empty()) dialog.setDefaultSuffix(ToQString(request.defaultExtension));
    if (!request.fileName.empty()) dialog.selectFile(ToQString(request.fileName));

    FileDialogResult result;
    if (dialog.exec() != QDialog::Accepted) return result;
    result.accepted = true;
    for (const QString& path : dialog.selectedFiles())
        result.paths.push_back(FromQString(QDir::cleanPath(path)));
    result.filterIndex = std::max(0, static_cast<int>(filters.indexOf(dialog.selectedNameFilter())));
    return result;
}

}  // namespace fw::qt
