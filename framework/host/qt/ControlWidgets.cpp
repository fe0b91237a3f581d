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
#include <QSlider>
#include <QTreeWidget>

#include "framework/host/qt/ColorLog.h"
#include "framework/host/qt/StatusPanes.h"
#include "framework/host/qt/TabControl.h"

namespace fw::qt {
namespace {

// Style bits of the platform's control classes, as templates write them.
namespace ws {
constexpr uint32_t kHScroll = 0x00100000;
}
namespace ss {
constexpr uint32_t kTypeMask = 0x1F;
constexpr uint32_t kCenter = 0x01;
constexpr uint32_t kRight = 0x02;
constexpr uint32_t kIcon = 0x03;
constexpr uint32_t kBlackRect = 0x04;
constexpr uint32_t kWhiteFrame = 0x09;
constexpr uint32_t kSimple = 0x0B;
constexpr uint32_t kLeftNoWordWrap = 0x0C;
constexpr uint32_t kEtchedHorz = 0x10;
constexpr uint32_t kEtchedVert = 0x11;
constexpr uint32_t kEtchedFrame = 0x12;
constexpr uint32_t kNoPrefix = 0x80;
constexpr uint32_t kCenterImage = 0x200;
constexpr uint32_t kSunken = 0x1000;
}  // namespace ss
namespace bs {
constexpr uint32_t kTypeMask = 0x0F;
constexpr uint32_t kDefPushButton = 0x01;
constexpr uint32_t kCheckBox = 0x02;
constexpr uint32_t kAutoCheckBox = 0x03;
constexpr uint32_t kRadioButton = 0x04;
constexpr uint32_t k3State = 0x05;
constexpr uint32_t kAuto3State = 0x06;
constexpr uint32_t kGroupBox = 0x07;
constexpr uint32_t kAutoRadioButton = 0x09;
constexpr uint32_t kLeftText = 0x20;
}  // namespace bs
namespace es {
constexpr uint32_t kCenter = 0x01;
constexpr uint32_t kRight = 0x02;
constexpr uint32_t kMultiLine = 0x04;
constexpr uint32_t kPassword = 0x20;
constexpr uint32_t kAutoHScroll = 0x80;
constexpr uint32_t kReadOnly = 0x800;
constexpr uint32_t kNumber = 0x2000;
}  // namespace es
namespace cbs {
constexpr uint32_t kTypeMask = 0x03;
constexpr uint32_t kDropDownList = 0x03;
}  // namespace cbs
namespace lbs {
constexpr uint32_t kMultipleSel = 0x08;
constexpr uint32_t kExtendedSel = 0x800;
constexpr uint32_t kNoSel = 0x4000;
}  // namespace lbs
namespace pbs {
constexpr uint32_t kVertical = 0x04;
}
namespace tbs {
constexpr uint32_t kAutoTicks = 0x01;
constexpr uint32_t kVert = 0x02;
constexpr uint32_t kTop = 0x04;
constexpr uint32_t kBoth = 0x08;
constexpr uint32_t kNoTicks = 0x10;
}  // namespace tbs
namespace lvs {
constexpr uint32_t kSingleSel = 0x04;
constexpr uint32_t kNoColumnHeader = 0x4000;
}  // namespace lvs

// A check box or radio button whose click only notifies: the model sets the new state.
template <typename Base>
class ModelDrivenButton : public Base {
public:
    using Base::Base;

protected:
    void nextCheckState() override {}
};

bool ClassIs(QStringView className, QStringView name) { return className.compare(name, Qt::CaseInsensitive) == 0; }

bool IsRichEditClass(QStringView className) {
    return className.startsWith(u"RichEdit", Qt::CaseInsensitive);  // RichEdit, RichEdit20A/W, RICHEDIT50W
}

WidgetKind ClassifyStatic(uint32_t style) {
    switch (style & ss::kTypeMask) {
        case ss::kIcon:
            return WidgetKind::Icon;
        case ss::kEtchedHorz:
        case ss::kEtchedVert:
        case ss::kEtchedFrame:
            return WidgetKind::Line;
        default:
            if ((style & ss::kTypeMask) >= ss::kBlackRect && (style & ss::kTypeMask) <= ss::kWhiteFrame) {
                return WidgetKind::Line;
            }
            return WidgetKind::Label;
    }
}

WidgetKind ClassifyButton(uint32_t style) {
    switch (style & bs::kTypeMask) {
        case bs::kCheckBox:
        case bs::kAutoCheckBox:
        case bs::k3State:
        case bs::kAuto3State:
            return WidgetKind::CheckBox;
        case bs::kRadioButton:
        case bs::kAutoRadioButton:
            return WidgetKind::RadioButton;
        case bs::kGroupBox:
            return WidgetKind::GroupBox;
        default:
            return WidgetKind::PushButton;
    }
}

QWidget* MakeLabel(const ControlSpec& spec, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText((spec.style & ss::kNoPrefix) ? spec.text : WithoutMnemonics(spec.text));
    const uint32_t type = spec.style & ss::kTypeMask;
    Qt::Alignment horizontal = Qt::AlignLeft;
    if (type == ss::kCenter) horizontal = Qt::AlignHCenter;
    if (type == ss::kRight) horizontal = Qt::AlignRight;
    label->setAlignment(horizontal | ((spec.style & ss::kCenterImage) ? Qt::AlignVCenter : Qt::AlignTop));
    label->setWordWrap(type != ss::kSimple && type != ss::kLeftNoWordWrap);
    if (spec.style & ss::kSunken) label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return label;
}

QWidget* MakeLine(const ControlSpec& spec, QWidget* parent) {
    auto* frame = new QFrame(parent);
    const uint32_t type = spec.style & ss::kTypeMask;
    if (type == ss::kEtchedHorz) {
        frame->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    } else if (type == ss::kEtchedVert) {
        frame->setFrameStyle(QFrame::VLine | QFrame::Sunken);
    } else {
        frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    }
    return frame;
}

QWidget* MakeIcon(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QWidget* MakePushButton(const ControlSpec& spec, QWidget* parent) {
    auto* button = new QPushButton(spec.text, parent);
    // Enter is the model's business (it presses the default button), so Qt's own default handling stays out.
    button->setAutoDefault(false);
    button->setDefault((spec.style & bs::kTypeMask) == bs::kDefPushButton);
    return button;
}

QWidget* MakeCheckBox(const ControlSpec& spec, QWidget* parent) {
    auto* box = new ModelDrivenButton<QCheckBox>(spec.text, parent);
    const uint32_t type = spec.style & bs::kTypeMask;
    box->setTristate(type == bs::k3State || type == bs::kAuto3State);
    if (spec.style & bs::kLeftText) box->setLayoutDirection(Qt::RightToLeft);
    return box;
}

QWidget* MakeRadioButton(const ControlSpec& spec, QWidget* parent) {
    auto* radio = new ModelDrivenButton<QRadioButton>(spec.text, parent);
    // Groups follow the template's WS_GROUP marks, which the model keeps; Qt would group by parent instead.
    radio->setAutoExclusive(false);
    if (spec.style & bs::kLeftText) radio->setLayoutDirection(Qt::RightToLeft);
    return radio;
}

QWidget* MakeGroupBox(const ControlSpec& spec, QWidget* parent) {
    auto* group = new QGroupBox(spec.text, parent);
    // A group box is a sibling drawn behind the controls it frames; it must not take their clicks.
    group->setAttribute(Qt::WA_TransparentForMouseEvents);
    return group;
}

Qt::Alignment EditAlignment(uint32_t style) {
    if (style & es::kCenter) return Qt::AlignHCenter;
    if (style & es::kRight) return Qt::AlignRight;
    return Qt::AlignLeft;
}

QWidget* MakeLineEdit(const ControlSpec& spec, QWidget* parent) {
    auto* edit = new QLineEdit(spec.text, parent);
    if (spec.style & es::kPassword) edit->setEchoMode(QLineEdit::Password);
    edit->setReadOnly(spec.style & es::kReadOnly);
    if (spec.style & es::kNumber) {
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    }
    edit->setAlignment(EditAlignment(spec.style) | Qt::AlignVCenter);
    return edit;
}

QWidget* MakeTextArea(const ControlSpec& spec, QWidget* parent) {
    auto* edit = new QPlainTextEdit(spec.text, parent);
    edit->setReadOnly(spec.style & es::kReadOnly);
    const bool scrollsSideways = (spec.style & es::kAutoHScroll) || (spec.style & ws::kHScroll);
    edit->setLineWrapMode(scrollsSideways ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
    return edit;
}

QWidget* MakeComboBox(const ControlSpec& spec, QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->setEditable((spec.style & cbs::kTypeMask) != cbs::kDropDownList);
    combo->setInsertPolicy(QComboBox::NoInsert);
    return combo;
}

QWidget* MakeListBox(const ControlSpec& spec, QWidget* parent) {
    auto* list = new QListWidget(parent);
    if (spec.style & lbs::kNoSel) {
        list->setSelectionMode(QAbstractItemView::NoSelection);
    } else if (spec.style & lbs::kExtendedSel) {
        list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    } else if (spec.style & lbs::kMultipleSel) {
        list->setSelectionMode(QAbstractItemView::MultiSelection);
    } else {
        list->setSelectionMode(QAbstractItemView::SingleSelection);
    }
    return list;
}

QWidget* MakeProgressBar(const ControlSpec& spec, QWidget* parent) {
    auto* bar = new QProgressBar(parent);
    bar->setOrientation((spec.style & pbs::kVertical) ? Qt::Vertical : Qt::Horizontal);
    bar->setTextVisible(false);
    bar->setRange(0, 100);  // the platform's default range
    bar->setValue(0);
    return bar;
}

QWidget* MakeSlider(const ControlSpec& spec, QWidget* parent) {
    auto* slider = new QSlider((spec.style & tbs::kVert) ? Qt::Vertical : Qt::Horizontal, parent);
    slider->setRange(0, 100);
    if (spec.style & tbs::kNoTicks) {
        slider->setTickPosition(QSlider::NoTicks);
    } else if (spec.style & tbs::kBoth) {
        slider->setTickPosition(QSlider::TicksBothSides);
    } else {
        slider->setTickPosition((spec.style & tbs::kTop) ? QSlider::TicksAbove : QSlider::TicksBelow);
    }
    if (spec.style & tbs::kAutoTicks) slider->setTickInterval(1);
    return slider;
}

QWidget* MakeListView(const ControlSpec& spec, QWidget* parent) {
    auto* view = new QTreeWidget(parent);
    view->setRootIsDecorated(false);
    view->setUniformRowHeights(true);
    view->setItemsExpandable(false);
    view->setAllColumnsShowFocus(true);
    view->setColumnCount(0);
    view->setHeaderHidden(spec.style & lvs::kNoColumnHeader);
    view->header()->setStretchLastSection(false);
    view->setSelectionMode((spec.style & lvs::kSingleSel) ? QAbstractItemView::SingleSelection
                                                          : QAbstractItemView::ExtendedSelection);
    return view;
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

WidgetKind ClassifyControl(QStringView className, uint32_t style) {
    if (ClassIs(className, u"Static")) return ClassifyStatic(style);
    if (ClassIs(className, u"Button")) return ClassifyButton(style);
    if (ClassIs(className, u"Edit")) return (style & es::kMultiLine) ? WidgetKind::TextArea : WidgetKind::LineEdit;
    if (ClassIs(className, u"ComboBox") || ClassIs(className, u"ComboBoxEx32")) return WidgetKind::ComboBox;
    if (ClassIs(className, u"ListBox")) return WidgetKind::ListBox;
    if (ClassIs(className, u"msctls_progress32")) return WidgetKind::ProgressBar;
    if (ClassIs(className, u"msctls_trackbar32")) return WidgetKind::Slider;
    if (ClassIs(className, u"SysTabControl32")) return WidgetKind::TabControl;
    if (ClassIs(className, u"SysListView32")) return WidgetKind::ListView;
    if (IsRichEditClass(className)) return WidgetKind::RichLog;
    if (ClassIs(className, u"msctls_statusbar32")) return WidgetKind::StatusBar;
    return WidgetKind::Unknown;
}

QWidget* CreateControlWidget(WidgetKind kind, const ControlSpec& spec, QWidget* parent) {
    switch (kind) {
        case WidgetKind::Label:
            return MakeLabel(spec, parent);
        case WidgetKind::Icon:
            return MakeIcon(parent);
        case WidgetKind::Line:
            return MakeLine(spec, parent);
        case WidgetKind::PushButton:
            return MakePushButton(spec, parent);
        case WidgetKind::CheckBox:
            return MakeCheckBox(spec, parent);
        case WidgetKind::RadioButton:
            return MakeRadioButton(spec, parent);
        case WidgetKind::GroupBox:
            return MakeGroupBox(spec, parent);
        case WidgetKind::LineEdit:
            return MakeLineEdit(spec, parent);
        case WidgetKind::TextArea:
            return MakeTextArea(spec, parent);
        case WidgetKind::ComboBox:
            return MakeComboBox(spec, parent);
        case WidgetKind::ListBox:
            return MakeListBox(spec, parent);
        case WidgetKind::ProgressBar:
            return MakeProgressBar(spec, parent);
        case WidgetKind::Slider:
            return MakeSlider(spec, parent);
        case WidgetKind::TabControl:
            return new TabControl(parent);
        case WidgetKind::ListView:
            return MakeListView(spec, parent);
        case WidgetKind::RichLog:
            return new ColorLog(parent);
        case WidgetKind::StatusBar:
            return new StatusPanes(parent);
        case WidgetKind::Unknown:
            break;
    }
    return new QWidget(parent);  // a class we do not draw still occupies its place
}

}  // namespace fw::qt
