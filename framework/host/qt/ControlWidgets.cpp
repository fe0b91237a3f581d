#include "framework/host/qt/ControlWidgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionFrame>
#include <algorithm>

#include "framework/host/qt/ColorLog.h"
#include "framework/host/qt/IconCache.h"
#include "framework/host/qt/QtText.h"
#include "framework/host/qt/ReportView.h"
#include "framework/host/qt/StatusPanes.h"
#include "framework/host/qt/TabControl.h"

namespace fw::qt {
namespace {

// A check box or radio button whose click only notifies: the model sets the new state.
template <typename Base>
class ModelDrivenButton : public Base {
public:
    using Base::Base;

protected:
    void nextCheckState() override {}
};

bool Has(uint32_t style, uint32_t bits) { return (style & bits) == bits; }

QWidget* MakeStatic(const ControlState& c, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    const uint32_t type = c.style & SS_TYPEMASK;
    Qt::Alignment horizontal = Qt::AlignLeft;
    if (type == SS_CENTER) horizontal = Qt::AlignHCenter;
    if (type == SS_RIGHT) horizontal = Qt::AlignRight;
    label->setAlignment(horizontal | (Has(c.style, SS_CENTERIMAGE) ? Qt::AlignVCenter : Qt::AlignTop));
    label->setWordWrap(type != SS_LEFTNOWORDWRAP);
    if (Has(c.style, SS_SUNKEN)) label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return label;
}

QWidget* MakeFrame(const ControlState& c, QWidget* parent) {
    auto* frame = new QFrame(parent);
    switch (c.style & SS_TYPEMASK) {
        case SS_ETCHEDHORZ:
            frame->setFrameStyle(QFrame::HLine | QFrame::Sunken);
            break;
        case SS_ETCHEDVERT:
            frame->setFrameStyle(QFrame::VLine | QFrame::Sunken);
            break;
        case SS_BLACKRECT:
        case SS_GRAYRECT:
        case SS_WHITERECT:
            frame->setFrameStyle(QFrame::Box | QFrame::Plain);
            frame->setAutoFillBackground(true);
            break;
        default:
            frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
            break;
    }
    frame->setAttribute(Qt::WA_TransparentForMouseEvents);
    return frame;
}

QWidget* MakeIcon(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QWidget* MakePushButton(QWidget* parent) {
    auto* button = new QPushButton(parent);
    // Enter is the model's business (it presses the default button), so Qt's own default handling stays out.
    button->setAutoDefault(false);
    return button;
}

QWidget* MakeCheckBox(const ControlState& c, QWidget* parent) {
    auto* box = new ModelDrivenButton<QCheckBox>(parent);
    const uint32_t type = c.style & BS_TYPEMASK;
    box->setTristate(type == BS_3STATE || type == BS_AUTO3STATE);
    if (Has(c.style, BS_LEFTTEXT)) box->setLayoutDirection(Qt::RightToLeft);
    return box;
}

QWidget* MakeRadioButton(const ControlState& c, QWidget* parent) {
    auto* radio = new ModelDrivenButton<QRadioButton>(parent);
    // Groups follow the template's WS_GROUP marks, which the model keeps; Qt would group by parent instead.
    radio->setAutoExclusive(false);
    if (Has(c.style, BS_LEFTTEXT)) radio->setLayoutDirection(Qt::RightToLeft);
    return radio;
}

QWidget* MakeGroupBox(QWidget* parent) {
    auto* group = new QGroupBox(parent);
    // A group box is a sibling drawn behind the controls it frames; it must not take their clicks.
    group->setAttribute(Qt::WA_TransparentForMouseEvents);
    return group;
}

Qt::Alignment EditAlignment(uint32_t style) {
    if (style & ES_CENTER) return Qt::AlignHCenter;
    if (style & ES_RIGHT) return Qt::AlignRight;
    return Qt::AlignLeft;
}

QWidget* MakeLineEdit(const ControlState& c, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    if (Has(c.style, ES_NUMBER)) {
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    }
    edit->setAlignment(EditAlignment(c.style) | Qt::AlignVCenter);
    return edit;
}

QWidget* MakeTextArea(const ControlState& c, QWidget* parent) {
    auto* edit = new QPlainTextEdit(parent);
    const bool scrollsSideways = Has(c.style, ES_AUTOHSCROLL) || Has(c.style, WS_HSCROLL);
    edit->setLineWrapMode(scrollsSideways ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
    return edit;
}

QWidget* MakeComboBox(const ControlState& c, QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->setEditable((c.style & CBS_TYPEMASK) != CBS_DROPDOWNLIST);
    combo->setInsertPolicy(QComboBox::NoInsert);
    return combo;
}

QWidget* MakeListBox(const ControlState& c, QWidget* parent) {
    auto* list = new QListWidget(parent);
    if (Has(c.style, LBS_EXTENDEDSEL)) {
        list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    } else if (Has(c.style, LBS_MULTIPLESEL)) {
        list->setSelectionMode(QAbstractItemView::MultiSelection);
    } else {
        list->setSelectionMode(QAbstractItemView::SingleSelection);
    }
    return list;
}

QWidget* MakeProgressBar(const ControlState& c, QWidget* parent) {
    auto* bar = new QProgressBar(parent);
    bar->setOrientation(Has(c.style, PBS_VERTICAL) ? Qt::Vertical : Qt::Horizontal);
    bar->setTextVisible(false);
    return bar;
}

QWidget* MakeSlider(const ControlState& c, QWidget* parent) {
    auto* slider = new QSlider(Has(c.style, TBS_VERT) ? Qt::Vertical : Qt::Horizontal, parent);
    if (Has(c.style, TBS_NOTICKS)) {
        slider->setTickPosition(QSlider::NoTicks);
    } else if (Has(c.style, TBS_BOTH)) {
        slider->setTickPosition(QSlider::TicksBothSides);
    } else {
        slider->setTickPosition(Has(c.style, TBS_TOP) ? QSlider::TicksAbove : QSlider::TicksBelow);
    }
    return slider;
}

// ------------------------------------------------------------------------------------------------------------
// Mirroring state.

template <typename T>
bool Differs(const ControlState* before, T ControlState::*field, const ControlState& now) {
    return before == nullptr || before->*field != now.*field;
}

// The model's limit holds typing back only: a longer text the program sets is shown whole, and typing cannot make
// it longer still.
void SetTypingLimit(QLineEdit& line, const ControlState& c) {
    const int limit = c.textLimit > 0 ? c.textLimit : 32767;
    line.setMaxLength(std::max(limit, static_cast<int>(ToQString(c.text).size())));
}

void SyncText(QWidget& widget, const ControlState& c) {
    const QString text = ToQString(c.text);
    if (auto* label = qobject_cast<QLabel*>(&widget)) {
        if (c.kind == ControlKind::Static) label->setText(Has(c.style, SS_NOPREFIX) ? text : WithoutMnemonics(text));
    } else if (auto* button = qobject_cast<QAbstractButton*>(&widget)) {
        button->setText(text);  // buttons read '&' as the platform does
    } else if (auto* group = qobject_cast<QGroupBox*>(&widget)) {
        group->setTitle(text);
    } else if (auto* line = qobject_cast<QLineEdit*>(&widget)) {
        SetTypingLimit(*line, c);
        if (line->text() != text) {
            line->setText(text);
            // Qt leaves the cursor, and with it the view, at the end; a read-only edit shows the start of its
            // text, where a status message says what it is about.
            if (line->isReadOnly()) line->setCursorPosition(0);
        }
    } else if (auto* area = qobject_cast<QPlainTextEdit*>(&widget); area && c.kind == ControlKind::Edit) {
        QString shown = text;
        shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        if (area->toPlainText() != shown) area->setPlainText(shown);
    } else if (auto* combo = qobject_cast<QComboBox*>(&widget)) {
        if (combo->isEditable() && combo->currentText() != text) combo->setEditText(text);
    }
}

void SyncEditStyle(QWidget& widget, const ControlState& c) {
    if (auto* line = qobject_cast<QLineEdit*>(&widget)) {
        line->setReadOnly(c.readOnly);
        line->setEchoMode(c.passwordChar != 0 ? QLineEdit::Password : QLineEdit::Normal);
        SetTypingLimit(*line, c);
    } else if (auto* area = qobject_cast<QPlainTextEdit*>(&widget); area && c.kind == ControlKind::Edit) {
        area->setReadOnly(c.readOnly);
    } else if (auto* button = qobject_cast<QPushButton*>(&widget)) {
        button->setDefault(c.isDefault);
    } else if (auto* view = dynamic_cast<ReportView*>(&widget)) {
        view->SetHeaderHidden(Has(c.style, LVS_NOCOLUMNHEADER));
        view->setSelectionMode(Has(c.style, LVS_SINGLESEL) ? QAbstractItemView::SingleSelection
                                                           : QAbstractItemView::ExtendedSelection);
        view->setSelectionBehavior(Has(c.exStyle, LVS_EX_FULLROWSELECT) ? QAbstractItemView::SelectRows
                                                                        : QAbstractItemView::SelectItems);
    }
}

void SyncItems(QWidget& widget, const ControlState& c) {
    if (auto* combo = qobject_cast<QComboBox*>(&widget)) {
        combo->clear();
        for (const Text& item : c.items)
            combo->addItem(ToQString(item));
    } else if (auto* list = qobject_cast<QListWidget*>(&widget)) {
        list->clear();
        for (const Text& item : c.items)
            list->addItem(ToQString(item));
    } else if (auto* tabs = dynamic_cast<TabControl*>(&widget)) {
        QTabBar& bar = tabs->Bar();
        while (bar.count() > 0)
            bar.removeTab(bar.count() - 1);
        for (const Text& item : c.items)
            bar.addTab(ToQString(item));
    }
}

void SyncSelection(QWidget& widget, const ControlState& c) {
    if (auto* combo = qobject_cast<QComboBox*>(&widget)) {
        combo->setCurrentIndex(c.selection);
        if (combo->isEditable() && c.selection < 0) combo->setEditText(ToQString(c.text));
    } else if (auto* list = qobject_cast<QListWidget*>(&widget)) {
        if (list->selectionMode() == QAbstractItemView::SingleSelection) {
            list->setCurrentRow(c.selection);
            if (c.selection < 0) list->clearSelection();
        } else {
            list->clearSelection();
            for (int row : c.selectedItems) {
                if (QListWidgetItem* item = list->item(row)) item->setSelected(true);
            }
        }
    } else if (auto* tabs = dynamic_cast<TabControl*>(&widget)) {
        if (c.selection >= 0) tabs->Bar().setCurrentIndex(c.selection);
    }
}

// The first row that differs between `a` and `b`, or the common size when one only adds to or cuts the other.
size_t FirstChangedRow(const std::vector<ListRow>& a, const std::vector<ListRow>& b) {
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        if (a[i].cells != b[i].cells || a[i].checked != b[i].checked || a[i].selected != b[i].selected) return i;
    }
    return common;
}

bool ColumnsDiffer(const std::vector<ListColumn>& a, const std::vector<ListColumn>& b) {
    if (a.size() != b.size()) return true;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].title != b[i].title || a[i].width != b[i].width || a[i].format != b[i].format) return true;
    }
    return false;
}

void SyncRange(QWidget& widget, const ControlState& c) {
    if (auto* bar = qobject_cast<QProgressBar*>(&widget)) {
        bar->setRange(c.rangeMin, std::max(c.rangeMin, c.rangeMax));
        bar->setValue(c.position);
    } else if (auto* slider = qobject_cast<QSlider*>(&widget)) {
        slider->setRange(c.rangeMin, std::max(c.rangeMin, c.rangeMax));
        slider->setPageStep(c.pageSize > 0 ? c.pageSize : std::max(1, (c.rangeMax - c.rangeMin) / 5));
        slider->setTickInterval(c.tickFrequency);
        slider->setValue(c.position);
    }
}

void SyncPanes(QWidget& widget, const ControlState& c) {
    auto* bar = dynamic_cast<StatusPanes*>(&widget);
    if (bar == nullptr) return;
    std::vector<int> widths;
    for (const StatusPane& pane : c.panes)
        widths.push_back(pane.width);
    if (widths.empty()) widths.push_back(-1);
    bar->SetPanes(widths);
    for (size_t i = 0; i < c.panes.size(); ++i)
        bar->SetPaneText(static_cast<int>(i), ToQString(c.panes[i].text));
}

void SyncIcon(QWidget& widget, const ControlState& c) {
    if (auto* label = qobject_cast<QLabel*>(&widget); label && c.kind == ControlKind::Icon) {
        const QIcon icon = IconForResource(c.iconId);
        label->setPixmap(icon.isNull() ? QPixmap() : icon.pixmap(label->size().boundedTo(QSize(64, 64))));
    } else if (auto* button = qobject_cast<QAbstractButton*>(&widget)) {
        button->setIcon(c.iconId != 0 ? IconForResource(c.iconId) : QIcon());
    }
}

// True when the line's text is wider than the room the edit shows it in.
bool TextIsCut(const QLineEdit& line) {
    QStyleOptionFrame option;
    option.initFrom(&line);
    option.rect = line.rect();
    option.lineWidth = line.hasFrame() ? line.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &line) : 0;
    const QRect room =
        line.style()->subElementRect(QStyle::SE_LineEditContents, &option, &line).marginsRemoved(line.textMargins());
    constexpr int kLineEditInnerMargin = 2;  // QLineEdit keeps this much on each side of its text
    return line.fontMetrics().horizontalAdvance(line.text()) > room.width() - 2 * kLineEditInnerMargin;
}

// A read-only edit whose text does not fit offers the whole text as its tooltip.
void SyncCutTextTip(QWidget& widget) {
    auto* line = qobject_cast<QLineEdit*>(&widget);
    if (line == nullptr) return;
    line->setToolTip(line->isReadOnly() && TextIsCut(*line) ? line->text() : QString());
}

QRect PlacedRect(QWidget& widget, const ControlState& c) {
    QRect rect(c.rect.x, c.rect.y, c.rect.width, c.rect.height);
    // A combo box's template height includes its dropped-down list; the closed box is one line high.
    if (auto* combo = qobject_cast<QComboBox*>(&widget)) {
        rect.setHeight(std::min(rect.height(), combo->sizeHint().height()));
    }
    return rect;
}

}  // namespace

QString WithoutMnemonics(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&')) {
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('&')) {
                out += QLatin1Char('&');
                ++i;
            }
            continue;
        }
        out += text[i];
    }
    return out;
}

bool IsMultiLineEdit(const ControlState& control) {
    return control.kind == ControlKind::Edit && Has(control.style, ES_MULTILINE);
}

QWidget* CreateControlWidget(const ControlState& c, QWidget* parent) {
    switch (c.kind) {
        case ControlKind::Static:
            return MakeStatic(c, parent);
        case ControlKind::Frame:
            return MakeFrame(c, parent);
        case ControlKind::Icon:
            return MakeIcon(parent);
        case ControlKind::GroupBox:
            return MakeGroupBox(parent);
        case ControlKind::PushButton:
            return MakePushButton(parent);
        case ControlKind::CheckBox:
            return MakeCheckBox(c, parent);
        case ControlKind::RadioButton:
            return MakeRadioButton(c, parent);
        case ControlKind::Edit:
            return IsMultiLineEdit(c) ? MakeTextArea(c, parent) : MakeLineEdit(c, parent);
        case ControlKind::ComboBox:
            return MakeComboBox(c, parent);
        case ControlKind::ListBox:
            return MakeListBox(c, parent);
        case ControlKind::ListView:
            return new ReportView(parent);
        case ControlKind::Progress:
            return MakeProgressBar(c, parent);
        case ControlKind::Slider:
            return MakeSlider(c, parent);
        case ControlKind::Tab:
            return new TabControl(parent);
        case ControlKind::RichEdit:
            return new ColorLog(parent);
        case ControlKind::StatusBar:
            return new StatusPanes(parent);
    }
    return new QWidget(parent);
}

void SyncListRowsFrom(QWidget& widget, std::vector<ListRow>&& tail, int first) {
    auto* view = dynamic_cast<ReportView*>(&widget);
    if (view == nullptr) return;
    const QSignalBlocker quiet(view);
    view->SetRowsFrom(std::move(tail), first);
}

int ListRowCount(const QWidget& widget) {
    const auto* view = dynamic_cast<const ReportView*>(&widget);
    return view != nullptr ? view->Table().rowCount() : 0;
}

void SyncControl(QWidget& widget, const ControlState& now, const ControlState* before) {
    // Signals stay quiet while the model's own state is drawn: only the user's input goes back to the model.
    const QSignalBlocker quiet(&widget);
    if (Differs(before, &ControlState::style, now) || Differs(before, &ControlState::exStyle, now) ||
        Differs(before, &ControlState::readOnly, now) || Differs(before, &ControlState::passwordChar, now) ||
        Differs(before, &ControlState::textLimit, now) || Differs(before, &ControlState::isDefault, now)) {
        SyncEditStyle(widget, now);
    }
    if (auto* view = dynamic_cast<ReportView*>(&widget)) {
        const bool columnsChanged = before == nullptr || ColumnsDiffer(before->columns, now.columns);
        if (columnsChanged) view->SetColumns(now.columns);
        view->SetCheckBoxes(Has(now.exStyle, LVS_EX_CHECKBOXES));
        // New columns reset the table, and with it the selection the rows carry.
        // Compared with the rows the view shows, which list redraws keep up to date between full syncs.
        const std::vector<ListRow>& shown = view->Table().Rows();
        const size_t first = before == nullptr || columnsChanged ? 0 : FirstChangedRow(shown, now.rows);
        if (first < now.rows.size() || now.rows.size() != shown.size()) {
            view->SetRowsFrom(
                std::vector<ListRow>(now.rows.begin() + static_cast<std::ptrdiff_t>(first), now.rows.end()),
                static_cast<int>(first));
        }
    }
    if (Differs(before, &ControlState::items, now)) SyncItems(widget, now);
    if (Differs(before, &ControlState::items, now) || Differs(before, &ControlState::selection, now) ||
        Differs(before, &ControlState::selectedItems, now)) {
        SyncSelection(widget, now);
    }
    if (Differs(before, &ControlState::text, now) || Differs(before, &ControlState::selection, now)) {
        SyncText(widget, now);
    }
    if (Differs(before, &ControlState::check, now)) {
        if (auto* button = qobject_cast<QAbstractButton*>(&widget); button && button->isCheckable()) {
            if (auto* box = qobject_cast<QCheckBox*>(button)) {
                box->setCheckState(now.check == 1   ? Qt::Checked
                                   : now.check == 2 ? Qt::PartiallyChecked
                                                    : Qt::Unchecked);
            } else {
                button->setChecked(now.check != 0);
            }
        }
    }
    if (Differs(before, &ControlState::rangeMin, now) || Differs(before, &ControlState::rangeMax, now) ||
        Differs(before, &ControlState::position, now) || Differs(before, &ControlState::pageSize, now) ||
        Differs(before, &ControlState::tickFrequency, now)) {
        SyncRange(widget, now);
    }
    if (before == nullptr || before->panes.size() != now.panes.size() ||
        !std::equal(now.panes.begin(), now.panes.end(), before->panes.begin(), [](const auto& a, const auto& b) {
            return a.text == b.text && a.width == b.width && a.iconId == b.iconId;
        })) {
        SyncPanes(widget, now);
    }
    if (Differs(before, &ControlState::rect, now)) widget.setGeometry(PlacedRect(widget, now));
    if (Differs(before, &ControlState::text, now) || Differs(before, &ControlState::rect, now) ||
        Differs(before, &ControlState::readOnly, now)) {
        SyncCutTextTip(widget);
    }
    if (Differs(before, &ControlState::iconId, now) || Differs(before, &ControlState::rect, now)) {
        if (before != nullptr || now.iconId != 0) SyncIcon(widget, now);
    }
    if (Differs(before, &ControlState::enabled, now)) widget.setEnabled(now.enabled);
    if (Differs(before, &ControlState::visible, now)) widget.setVisible(now.visible);
}

}  // namespace fw::qt
