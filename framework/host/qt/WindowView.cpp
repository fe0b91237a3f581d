#include "framework/host/qt/WindowView.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPalette>
#include <QPlainTextEdit>
#include <QSlider>
#include <algorithm>

#include "framework/Styles.h"
#include "framework/host/qt/ColorLog.h"
#include "framework/host/qt/ControlWidgets.h"
#include "framework/host/qt/DialogFont.h"
#include "framework/host/qt/IconCache.h"
#include "framework/host/qt/MenuBuilder.h"
#include "framework/host/qt/OwnedWindow.h"
#include "framework/host/qt/QtHost.h"
#include "framework/host/qt/QtText.h"
#include "framework/host/qt/ReportView.h"
#include "framework/host/qt/StatusPanes.h"
#include "framework/host/qt/TabControl.h"

namespace fw::qt {
namespace {

// Focus and clicks on statics reach the model through this filter; everything else through widget signals.
class InputFilter : public QObject {
public:
    InputFilter(QObject* parent, std::function<void(int)> onFocus, std::function<void(int)> onClick)
        : QObject(parent), onFocus_(std::move(onFocus)), onClick_(std::move(onClick)) {}

    void Watch(QWidget& widget, int index, bool clicks) {
        indexes_[&widget] = index;
        if (clicks) clickable_.insert(&widget);
        widget.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const auto it = indexes_.find(watched);
        if (it == indexes_.end()) return false;
        if (event->type() == QEvent::FocusIn) {
            onFocus_(it->second);
        } else if (event->type() == QEvent::MouseButtonRelease && clickable_.count(watched) != 0) {
            onClick_(it->second);
        } else if (event->type() == QEvent::Destroy) {
            clickable_.erase(watched);
            indexes_.erase(it);
        }
        return false;
    }

private:
    std::function<void(int)> onFocus_;
    std::function<void(int)> onClick_;
    std::map<QObject*, int> indexes_;
    std::set<QObject*> clickable_;
};

Text EditTextOf(const QPlainTextEdit& edit) {
    // Multi-line edits hold CR LF line ends, as the platform's do.
    QString text = edit.toPlainText();
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return FromQString(text);
}

std::vector<int> SelectedRows(const QListWidget& list) {
    std::vector<int> rows;
    for (const QListWidgetItem* item : list.selectedItems())
        rows.push_back(list.row(item));
    std::sort(rows.begin(), rows.end());
    return rows;
}

QFont FontOf(const FontSpec& spec) {
    QFont font = DialogFont(ToQString(spec.face), spec.pointSize);
    font.setWeight(spec.weight >= 600 ? QFont::Bold : QFont::Normal);
    font.setItalic(spec.italic);
    return font;
}

bool SameFont(const FontSpec& a, const FontSpec& b) {
    return a.pointSize == b.pointSize && a.face == b.face && a.weight == b.weight && a.italic == b.italic;
}

QRect ToQRect(const Rect& r) { return QRect(r.x, r.y, r.width, r.height); }

// Input reaches the model through the window's handle, never through the view: a widget that is being deleted
// may still deliver a signal after its window has gone.
struct Forwarder {
    const QtHost* host;
    WindowHandle handle;

    template <typename F>
    void operator()(F&& call) const {
        if (host->Drawing()) return;
        if (HostedWindow* model = FindHostedWindow(handle)) call(*model);
    }
};

}  // namespace

WindowView::WindowView(QtHost& host, HostedWindow& window, QWidget* parentWidget, QWidget* owner)
    : host_(host), handle_(window.Handle()) {
    const WindowState state = window.State();
    child_ = state.child;
    auto* frame = new WindowFrame(child_ ? parentWidget : nullptr, child_);
    frame_ = frame;
    if (!child_) SetOwnerWindow(*frame, owner);
    if (state.modal && !child_) frame->setWindowModality(Qt::ApplicationModal);
    if (!child_) {
        if (state.exStyle & WS_EX_TOPMOST) frame->setWindowFlag(Qt::WindowStaysOnTopHint, true);
        // Without a sizing frame the layout is fixed: the user cannot drag the window to another size.
        frame->SetFixedSize((state.style & WS_THICKFRAME) == 0);
    }

    const Forwarder forward{&host_, handle_};
    frame->onKey = [forward](Key key) { forward([key](HostedWindow& w) { w.UserKey(key); }); };
    frame->onClose = [forward] { forward([](HostedWindow& w) { w.UserSysCommand(SC_CLOSE); }); };
    frame->onMoved = [forward](const QRect& r) {
        forward([r](HostedWindow& w) { w.UserMoved(Rect{r.x(), r.y(), r.width(), r.height()}); });
    };
    frame->onSystemCommand = [forward](int id) {
        forward([id](HostedWindow& w) { w.UserSysCommand(static_cast<unsigned>(id)); });
    };
    inputFilter_ = new InputFilter(
        frame, [forward](int index) { forward([index](HostedWindow& w) { w.UserFocus(index); }); },
        [forward](int index) { forward([index](HostedWindow& w) { w.UserClick(index); }); });

    ++host_.applying_;
    ApplyWindow(window, true);
    for (const ControlState& control : window.Controls())
        AddControl(window, control.index);
    RedrawMenu(window);
    frame->systemMenuItems = window.SystemMenuItems();
    --host_.applying_;
    // Visibility and focus come last, once everything they show is in place.
    dirtyWindow_ = true;
    dirtyFocus_ = true;
}

WindowView::~WindowView() { Retire(); }

void WindowView::Retire() {
    WindowFrame* frame = frame_.data();
    if (frame == nullptr) return;
    frame->onKey = nullptr;
    frame->onClose = nullptr;
    frame->onMoved = nullptr;
    frame->onSystemCommand = nullptr;
    frame->hide();
    frame->deleteLater();
    frame_ = nullptr;
}

HostedWindow* WindowView::Model() const { return FindHostedWindow(handle_); }

QWidget* WindowView::Control(int index) const {
    const auto it = controls_.find(index);
    return it != controls_.end() ? it->second.widget.data() : nullptr;
}

void WindowView::Note(const Change& change) {
    switch (change.kind) {
        case ChangeKind::WindowFocus:
            dirtyFocus_ = true;
            break;
        case ChangeKind::WindowForeground:
            wantForeground_ = true;
            break;
        case ChangeKind::MenuBar:
            dirtyMenu_ = true;
            break;
        case ChangeKind::SystemMenu:
            dirtySystemMenu_ = true;
            break;
        case ChangeKind::WindowCaption:
        case ChangeKind::WindowRect:
        case ChangeKind::WindowVisible:
        case ChangeKind::WindowEnabled:
        case ChangeKind::WindowIcon:
        case ChangeKind::WindowLook:
            dirtyWindow_ = true;
            break;
        case ChangeKind::ControlAdded:
        case ChangeKind::ControlRemoved:
            dirtyControls_.insert(change.control);
            break;
        case ChangeKind::LogAppended: {
            const auto it = logFrom_.find(change.control);
            const int from = std::max(0, change.index);
            logFrom_[change.control] = it == logFrom_.end() ? from : std::min(it->second, from);
            break;
        }
        case ChangeKind::ListRows: {
            // Only the rows from the first one touched are drawn again: a list that grows row by row while
            // it is shown costs each row once, not the whole list again at every redraw.
            const auto it = rowsFrom_.find(change.control);
            const int from = std::max(0, change.index);
            rowsFrom_[change.control] = it == rowsFrom_.end() ? from : std::min(it->second, from);
            break;
        }
        case ChangeKind::LogCleared:
            logFrom_[change.control] = 0;
            break;
        case ChangeKind::LogScrolled:
            logScroll_[change.control] = change.value;
            break;
        default:
            dirtyControls_.insert(change.control);
            break;
    }
}

bool WindowView::HasWork() const {
    return dirtyWindow_ || dirtyMenu_ || dirtySystemMenu_ || dirtyFocus_ || wantForeground_ ||
           !dirtyControls_.empty() || !rowsFrom_.empty() || !logFrom_.empty() || !logScroll_.empty();
}

void WindowView::Redraw() {
    HostedWindow* model = Model();
    WindowFrame* frame = frame_.data();
    if (model == nullptr || frame == nullptr) return;
    ++host_.applying_;
    if (dirtyWindow_) ApplyWindow(*model, false);
    for (int index : dirtyControls_) {
        const std::optional<ControlState> state = model->ControlAt(index);
        if (!state) {
            RemoveControl(index);
        } else if (controls_.count(index) == 0) {
            AddControl(*model, index);
        } else {
            ApplyControl(*state);
        }
    }
    for (const auto& [index, from] : rowsFrom_)
        if (dirtyControls_.count(index) == 0) RedrawListRows(*model, index, from);
    rowsFrom_.clear();
    dirtyControls_.clear();
    for (const auto& [index, from] : logFrom_)
        RedrawLog(*model, index, from);
    logFrom_.clear();
    for (const auto& [index, paragraph] : logScroll_) {
        if (auto* log = dynamic_cast<ColorLog*>(Control(index))) log->ShowParagraph(paragraph);
    }
    logScroll_.clear();
    if (dirtyMenu_) RedrawMenu(*model);
    dirtyMenu_ = false;
    if (dirtySystemMenu_) frame->systemMenuItems = model->SystemMenuItems();
    dirtySystemMenu_ = false;
    if (dirtyWindow_) {
        const WindowState state = model->State();
        if (frame->isVisible() != state.visible) frame->setVisible(state.visible);
        if (child_ && state.visible) frame->raise();  // pages lie over the tab control they belong to
    }
    dirtyWindow_ = false;
    if (dirtyFocus_) {
        const WindowState state = model->State();
        if (QWidget* focus = Control(state.focusControl); focus && frame->isVisible()) focus->setFocus();
    }
    dirtyFocus_ = false;
    if (wantForeground_ && !child_) {
        frame->raise();
        frame->activateWindow();
    }
    wantForeground_ = false;
    --host_.applying_;
}

void WindowView::ApplyWindow(const HostedWindow& model, bool first) {
    WindowFrame* frame = frame_.data();
    if (frame == nullptr) return;
    const WindowState state = model.State();
    const WindowState* before = first || !applied_ ? nullptr : &*applied_;
    if (!before || !SameFont(before->font, state.font)) frame->setFont(FontOf(state.font));
    if (!before || before->caption != state.caption) frame->setWindowTitle(WithoutMnemonics(ToQString(state.caption)));
    if (!before || before->rect != state.rect) frame->SetClientRect(ToQRect(state.rect));
    if (!before || before->enabled != state.enabled) frame->setEnabled(state.enabled);
    if (!before || before->iconId != state.iconId) {
        frame->setWindowIcon(state.iconId != 0 ? IconForResource(state.iconId) : QIcon());
    }
    if (state.ownBackground && (!before || before->background != state.background || !before->ownBackground)) {
        QPalette palette = frame->Client().palette();
        palette.setColor(QPalette::Window, QColor(state.background.r, state.background.g, state.background.b));
        frame->ClientWidget()->setPalette(palette);
        frame->ClientWidget()->setAutoFillBackground(true);
    }
    if (!before || before->cursor != state.cursor) {
        if (state.cursor == Cursor::AppStarting) {
            frame->setCursor(Qt::BusyCursor);
        } else {
            frame->unsetCursor();
        }
    }
    applied_ = state;
}

void WindowView::AddControl(const HostedWindow& model, int index) {
    WindowFrame* frame = frame_.data();
    const std::optional<ControlState> state = model.ControlAt(index);
    if (!state || frame == nullptr) return;
    RemoveControl(index);
    QWidget* widget = CreateControlWidget(*state, frame->ClientWidget());
    if (state->kind == ControlKind::GroupBox || state->kind == ControlKind::Frame) widget->lower();
    Binding& binding = controls_[index];
    binding.widget = widget;
    ApplyControl(*state);
    if (state->kind == ControlKind::RichEdit) RedrawLog(model, index, 0);
    Connect(*widget, *state);
}

void WindowView::RemoveControl(int index) {
    const auto it = controls_.find(index);
    if (it == controls_.end()) return;
    if (QWidget* widget = it->second.widget) {
        widget->hide();
        widget->deleteLater();
    }
    controls_.erase(it);
}

ControlState WindowView::Placed(ControlState state) const {
    // A status bar created without a place docks along the bottom of the client area, as the platform's does.
    const WindowFrame* frame = frame_.data();
    if (frame != nullptr && state.kind == ControlKind::StatusBar && (state.rect.width <= 0 || state.rect.height <= 0)) {
        const QWidget& client = frame->Client();
        const int height = QFontMetrics(client.font()).height() + 8;
        state.rect = Rect{0, client.height() - height, client.width(), height};
    }
    return state;
}

void WindowView::ApplyControl(const ControlState& raw) {
    const auto it = controls_.find(raw.index);
    if (it == controls_.end() || it->second.widget == nullptr) return;
    const ControlState state = Placed(raw);
    SyncControl(*it->second.widget, state, it->second.applied ? &*it->second.applied : nullptr);
    it->second.applied = state;
    // A list view's rows live in its view, kept up to date by list redraws; a copy here would go stale.
    it->second.applied->rows.clear();
}

void WindowView::RedrawListRows(const HostedWindow& model, int index, int from) {
    const auto it = controls_.find(index);
    if (it == controls_.end() || it->second.widget == nullptr || !it->second.applied) return;
    QWidget& widget = *it->second.widget;
    const int start = std::min(from, ListRowCount(widget));
    std::vector<ListRow> rows;
    const int total = model.ListRowsFrom(index, start, rows);
    // The rows move into the view, which keeps them; `applied` holds none for a list view.
    SyncListRowsFrom(widget, std::move(rows), std::min(start, total));
}

void WindowView::RedrawLog(const HostedWindow& model, int index, int from) {
    const auto it = controls_.find(index);
    if (it == controls_.end()) return;
    auto* log = dynamic_cast<ColorLog*>(it->second.widget.data());
    const std::optional<ControlState> state = model.ControlAt(index);
    if (log == nullptr || !state) return;
    if (state->logGeneration != it->second.logGeneration) {
        log->Clear();
        it->second.logGeneration = state->logGeneration;
        from = 0;
    }
    from = std::min(from, log->ParagraphCount());
    log->ReplaceFrom(from, model.LogLines(index, from, state->logParagraphs - from));
}

void WindowView::RedrawMenu(const HostedWindow& model) {
    WindowFrame* frame = frame_.data();
    if (frame == nullptr) return;
    const std::vector<MenuItem> items = model.MenuBar();
    if (items.empty()) {
        if (frame->MenuBar() != nullptr) frame->RemoveMenuBar();
        return;
    }
    const Forwarder forward{&host_, handle_};
    FillMenuBar(frame->EnsureMenuBar(), items,
                [forward](int id) { forward([id](HostedWindow& w) { w.UserCommand(id); }); });
    frame->MenuBarChanged();
}

void WindowView::Connect(QWidget& widget, const ControlState& state) {
    const int index = state.index;
    const bool notifyingStatic =
        (state.kind == ControlKind::Static || state.kind == ControlKind::Icon) && (state.style & SS_NOTIFY) != 0;
    static_cast<InputFilter*>(inputFilter_)->Watch(widget, index, notifyingStatic);
    const Forwarder forward{&host_, handle_};
    auto click = [forward, index] { forward([index](HostedWindow& w) { w.UserClick(index); }); };

    if (auto* button = qobject_cast<QAbstractButton*>(&widget)) {
        QObject::connect(button, &QAbstractButton::clicked, button, click);
    } else if (auto* log = dynamic_cast<ColorLog*>(&widget)) {
        (void)log;  // the log is read-only for the user
    } else if (auto* line = qobject_cast<QLineEdit*>(&widget)) {
        QObject::connect(line, &QLineEdit::textEdited, line, [forward, index](const QString& text) {
            forward([index, text](HostedWindow& w) { w.UserEditText(index, FromQString(text)); });
        });
    } else if (auto* area = qobject_cast<QPlainTextEdit*>(&widget)) {
        QObject::connect(area, &QPlainTextEdit::textChanged, area, [forward, index, area] {
            forward([index, area](HostedWindow& w) { w.UserEditText(index, EditTextOf(*area)); });
        });
    } else if (auto* combo = qobject_cast<QComboBox*>(&widget)) {
        QObject::connect(combo, &QComboBox::activated, combo, [forward, index](int item) {
            forward([index, item](HostedWindow& w) { w.UserSelect(index, item); });
        });
        if (QLineEdit* edit = combo->lineEdit()) {
            QObject::connect(edit, &QLineEdit::textEdited, combo, [forward, index](const QString& text) {
                forward([index, text](HostedWindow& w) { w.UserEditText(index, FromQString(text)); });
            });
        }
    } else if (auto* list = qobject_cast<QListWidget*>(&widget)) {
        QObject::connect(list, &QListWidget::itemSelectionChanged, list, [forward, index, list] {
            if (list->selectionMode() == QAbstractItemView::SingleSelection) {
                const int row = list->currentRow();
                forward([index, row](HostedWindow& w) { w.UserSelect(index, row); });
            } else {
                const std::vector<int> rows = SelectedRows(*list);
                forward([index, rows](HostedWindow& w) { w.UserSelectItems(index, rows); });
            }
        });
        QObject::connect(list, &QListWidget::itemDoubleClicked, list, [forward, index, list](QListWidgetItem* item) {
            const int row = list->row(item);
            forward([index, row](HostedWindow& w) { w.UserDoubleClick(index, row); });
        });
    } else if (auto* view = dynamic_cast<ReportView*>(&widget)) {
        QObject::connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, view, [forward, index, view] {
            const std::vector<int> rows = view->SelectedRows();
            forward([index, rows](HostedWindow& w) { w.UserSelectItems(index, rows); });
        });
        view->Table().onCheck = [forward, index](int row, bool checked) {
            forward([index, row, checked](HostedWindow& w) { w.UserCheckItem(index, row, checked); });
        };
        QObject::connect(view, &QAbstractItemView::doubleClicked, view, [forward, index](const QModelIndex& item) {
            const int row = item.row();
            forward([index, row](HostedWindow& w) { w.UserDoubleClick(index, row); });
        });
    } else if (auto* slider = qobject_cast<QSlider*>(&widget)) {
        QObject::connect(slider, &QSlider::valueChanged, slider, [forward, index](int position) {
            forward([index, position](HostedWindow& w) { w.UserScroll(index, position); });
        });
    } else if (auto* tabs = dynamic_cast<TabControl*>(&widget)) {
        QObject::connect(&tabs->Bar(), &QTabBar::currentChanged, tabs, [forward, index](int item) {
            if (item >= 0) forward([index, item](HostedWindow& w) { w.UserSelect(index, item); });
        });
    }
}

}  // namespace fw::qt
