#include "framework/host/qt/MessageBoxDialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>
#include <map>

#include "framework/host/qt/OwnedWindow.h"
#include "framework/host/qt/QtText.h"

namespace fw::qt {
namespace {

QMessageBox::Icon IconOf(uint32_t style) {
    switch (style & MB_ICONMASK) {
        case MB_ICONHAND:
            return QMessageBox::Critical;
        case MB_ICONQUESTION:
            return QMessageBox::Question;
        case MB_ICONEXCLAMATION:
            return QMessageBox::Warning;
        case MB_ICONASTERISK:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

// A window manager elides a title wider than its window, and a short message makes a narrow box: "提示" would
// show as "…". The box keeps room for its title beside the title bar's icon and buttons.
void KeepTitleReadable(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (grid == nullptr) return;
    const QFontMetrics metrics(QApplication::font("QMdiSubWindowTitleBar"));
    const int titleBarItems = 4 * (metrics.height() + 12);  // window icon and three buttons, with their padding
    const int width = metrics.horizontalAdvance(box.windowTitle()) + titleBarItems;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

}  // namespace

QString StandardButtonLabel(int buttonId, bool english) {
    switch (buttonId) {
        case IDOK:
            return english ? QStringLiteral("OK") : QStringLiteral("确定");
        case IDCANCEL:
            return english ? QStringLiteral("Cancel") : QStringLiteral("取消");
        case IDABORT:
            return english ? QStringLiteral("&Abort") : QStringLiteral("中止(&A)");
        case IDRETRY:
            return english ? QStringLiteral("&Retry") : QStringLiteral("重试(&R)");
        case IDIGNORE:
            return english ? QStringLiteral("&Ignore") : QStringLiteral("忽略(&I)");
        case IDYES:
            return english ? QStringLiteral("&Yes") : QStringLiteral("是(&Y)");
        case IDNO:
            return english ? QStringLiteral("&No") : QStringLiteral("否(&N)");
        default:
            return QString::number(buttonId);
    }
}

int RunMessageBox(const MessageBoxRequest& request, QWidget* owner, bool english) {
    QMessageBox box;
    SetOwnerWindow(box, owner);
    box.setWindowTitle(ToQString(request.caption));
    box.setText(ToQString(request.text));
    box.setTextFormat(Qt::PlainText);
    box.setIcon(IconOf(request.style));

    std::map<int, QString> labels;
    for (const auto& [id, label] : request.buttonLabels)
        labels[id] = ToQString(label);
    const int closeAnswer = MessageBoxCloseAnswer(request.style);
    const int defaultId = MessageBoxDefaultButton(request.style);
    std::map<QAbstractButton*, int> ids;
    for (int id : MessageBoxButtons(request.style)) {
        const auto label = labels.find(id);
        // Buttons take no Qt role, so Qt keeps the platform's order and never picks an Esc button of its own:
        // a Yes/No box cannot be dismissed without an answer.
        QPushButton* button = box.addButton(label != labels.end() ? label->second : StandardButtonLabel(id, english),
                                            QMessageBox::ActionRole);
        ids[button] = id;
        if (id == defaultId) box.setDefaultButton(button);
        if (id == closeAnswer) box.setEscapeButton(button);
    }
    KeepTitleReadable(box);
    box.exec();
    const auto clicked = ids.find(box.clickedButton());
    return clicked != ids.end() ? clicked->second : closeAnswer;
}

}  // namespace fw::qt
