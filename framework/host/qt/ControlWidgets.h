// Which Qt widget draws a template control, chosen from its window class and style bits the way the platform's
// control classes interpret them.
#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>

class QWidget;

namespace fw::qt {

enum class WidgetKind {
    Label,        // Static text
    Icon,         // Static SS_ICON / ICON statement
    Line,         // Static etched or filled rectangles
    PushButton,   // Button BS_PUSHBUTTON / BS_DEFPUSHBUTTON
    CheckBox,     // Button BS_CHECKBOX / BS_AUTOCHECKBOX / BS_3STATE / BS_AUTO3STATE
    RadioButton,  // Button BS_RADIOBUTTON / BS_AUTORADIOBUTTON
    GroupBox,     // Button BS_GROUPBOX
    LineEdit,     // Edit without ES_MULTILINE
    TextArea,     // Edit with ES_MULTILINE
    ComboBox,
    ListBox,
    ProgressBar,  // msctls_progress32
    Slider,       // msctls_trackbar32
    TabControl,   // SysTabControl32
    ListView,     // SysListView32
    RichLog,      // RichEdit20W, RICHEDIT50W and the other rich edit classes
    StatusBar,    // msctls_statusbar32
    Unknown,
};

WidgetKind ClassifyControl(QStringView className, uint32_t style);

struct ControlSpec {
    QString className;
    QString text;
    uint32_t style = 0;
    uint32_t exStyle = 0;
};

// Creates the widget with what the style bits decide once and for all (echo mode, read-only, orientation,
// alignment, selection mode, editable combo). State that the program changes later (text, checks, items,
// enabled, visible) is mirrored from the model by the host, not decided here. Check boxes and radio buttons do
// not change themselves on a click: the model decides, as it does for the headless host.
QWidget* CreateControlWidget(WidgetKind kind, const ControlSpec& spec, QWidget* parent);

// The platform marks mnemonics with '&' and writes a literal ampersand as "&&"; labels show neither marker.
QString WithoutMnemonics(const QString& text);

}  // namespace fw::qt
