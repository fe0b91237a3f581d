#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <memory>

#include "framework/Format.h"
#include "framework/host/qt/ColorLog.h"
#include "framework/host/qt/ControlWidgets.h"
#include "framework/host/qt/DialogFont.h"
#include "framework/host/qt/ReportView.h"
#include "framework/host/qt/StatusPanes.h"
#include "framework/host/qt/TabControl.h"
#include "framework/host/qt/WindowImage.h"
#include "tests/framework/host/qt/QtTestApp.h"

namespace fw::qt {
namespace {

TEST(DialogUnits, TemplateFontDrawsChineseAndGivesPlausibleUnits) {
    for (const char* face : {"宋体", "MS Shell Dlg", "Microsoft Sans Serif", ""}) {
        const QFont font = DialogFont(QString::fromUtf8(face), 9);
        const QFontMetrics metrics(font);
        EXPECT_TRUE(metrics.inFontUcs4(U'载')) << face << " -> " << font.family().toStdString();
        EXPECT_TRUE(metrics.inFontUcs4(U'A')) << face;
        const DialogBaseUnits units = BaseUnitsOf(font);
        // A 9-point face at the usual resolution: 5 to 8 pixels a character, 11 to 18 pixels a line.
        EXPECT_GE(units.x, 5) << face;
        EXPECT_LE(units.x, 8) << face;
        EXPECT_GE(units.y, 11) << face;
        EXPECT_LE(units.y, 18) << face;
    }
    // A bigger font gives bigger units, so a dialog grows with its font.
    EXPECT_GT(BaseUnitsOf(DialogFont(QString(), 18)).y, BaseUnitsOf(DialogFont(QString(), 9)).y);
}

LogLine Line(const char16_t* text, Color color, int twips = 220) { return LogLine{text, color, u"宋体", twips}; }

TEST(ColorLog, ParagraphsKeepTheirColourFaceAndSize) {
    ColorLog log;
    log.ReplaceFrom(0, {Line(u"连接成功", Rgb(10, 220, 10)), Line(u"fail", Rgb(220, 0, 0), 300)});
    EXPECT_EQ(log.ParagraphCount(), 2);
    EXPECT_EQ(log.document()->blockCount(), 2);
    const QTextBlock first = log.document()->firstBlock();
    EXPECT_EQ(first.text(), QStringLiteral("连接成功"));
    const QTextCharFormat firstFormat = first.begin().fragment().charFormat();
    EXPECT_EQ(firstFormat.foreground().color(), QColor(10, 220, 10));
    EXPECT_DOUBLE_EQ(firstFormat.fontPointSize(), 11.0);
    EXPECT_TRUE(QFontMetrics(firstFormat.font()).inFontUcs4(U'连'));
    const QTextCharFormat secondFormat = first.next().begin().fragment().charFormat();
    EXPECT_EQ(secondFormat.foreground().color(), QColor(220, 0, 0));
    EXPECT_DOUBLE_EQ(secondFormat.fontPointSize(), 15.0);
    EXPECT_FALSE(secondFormat.font().bold());
}

TEST(ColorLog, ReplacingFromAParagraphRedrawsOnlyTheTail) {
    ColorLog log;
    log.ReplaceFrom(0, {Line(u"a", Rgb(0, 0, 0)), Line(u"", Rgb(0, 0, 0))});
    // The model continued the empty last paragraph and added one after it.
    log.ReplaceFrom(1, {Line(u"b", Rgb(220, 0, 0)), Line(u"", Rgb(0, 0, 0))});
    EXPECT_EQ(log.toPlainText(), QStringLiteral("a\nb\n"));
    EXPECT_EQ(log.ParagraphCount(), 3);
    EXPECT_EQ(log.document()->findBlockByNumber(1).begin().fragment().charFormat().foreground().color(),
              QColor(220, 0, 0));
    // Beyond the end means "append"; a break inside a paragraph stays inside its block.
    log.ReplaceFrom(99, {Line(u"c\r\nd", Rgb(0, 0, 0))});
    EXPECT_EQ(log.ParagraphCount(), 4);
    EXPECT_EQ(log.document()->blockCount(), 4);
    log.ReplaceFrom(0, {Line(u"only", Rgb(0, 0, 0))});
    EXPECT_EQ(log.toPlainText(), QStringLiteral("only"));
    log.Clear();
    EXPECT_EQ(log.ParagraphCount(), 0);
    EXPECT_EQ(log.toPlainText(), QString());
}

TEST(ColorLog, FollowsTheEndAsParagraphsArrive) {
    ColorLog log;
    log.resize(300, 100);
    log.show();
    for (int i = 0; i < 200; ++i) {
        log.ReplaceFrom(log.ParagraphCount(), {Line(u"line", Rgb(0, 0, 0))});
        log.ShowParagraph(log.ParagraphCount() - 1);
    }
    QApplication::processEvents();
    const QScrollBar* bar = log.verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());
    log.ShowParagraph(0);
    EXPECT_EQ(bar->value(), 0);
}

ControlState Control(ControlKind kind, const char* windowClass, uint32_t style, const char16_t* text = u"") {
    ControlState c;
    c.kind = kind;
    c.windowClass = windowClass;
    c.style = style | WS_CHILD | WS_VISIBLE;
    c.text = text;
    c.rect = Rect{0, 0, 120, 24};
    return c;
}

template <typename W>
std::unique_ptr<W> Make(const ControlState& state) {
    QWidget* widget = CreateControlWidget(state, nullptr);
    SyncControl(*widget, state, nullptr);
    auto* typed = dynamic_cast<W*>(widget);
    EXPECT_NE(typed, nullptr) << state.windowClass << " " << state.style;
    if (!typed) delete widget;
    return std::unique_ptr<W>(typed);
}

TEST(ControlWidgets, KindAndStyleBitsShapeTheWidget) {
    auto password = Control(ControlKind::Edit, "Edit", ES_PASSWORD);
    password.passwordChar = u'*';
    EXPECT_EQ(Make<QLineEdit>(password)->echoMode(), QLineEdit::Password);
    auto readOnly = Control(ControlKind::Edit, "Edit", ES_READONLY);
    readOnly.readOnly = true;
    EXPECT_TRUE(Make<QLineEdit>(readOnly)->isReadOnly());
    auto limited = Control(ControlKind::Edit, "Edit", 0);
    limited.textLimit = 8;
    EXPECT_EQ(Make<QLineEdit>(limited)->maxLength(), 8);
    // The limit holds typing back; a longer text the program sets is shown whole and cannot grow.
    auto twoDigits = Control(ControlKind::Edit, "Edit", 0);
    twoDigits.textLimit = 2;
    auto typed = Make<QLineEdit>(twoDigits);
    QTest::keyClicks(typed.get(), QStringLiteral("123"));
    EXPECT_EQ(typed->text(), QStringLiteral("12"));
    auto word = twoDigits;
    word.text = u"5AA5";
    SyncControl(*typed, word, &twoDigits);
    EXPECT_EQ(typed->text(), QStringLiteral("5AA5"));
    typed->end(false);
    QTest::keyClicks(typed.get(), QStringLiteral("1"));
    EXPECT_EQ(typed->text(), QStringLiteral("5AA5"));
    EXPECT_EQ(Make<QLineEdit>(word)->text(), QStringLiteral("5AA5"));
    EXPECT_TRUE(Make<QLineEdit>(Control(ControlKind::Edit, "Edit", ES_RIGHT))->alignment() & Qt::AlignRight);
    auto digits = Make<QLineEdit>(Control(ControlKind::Edit, "Edit", ES_NUMBER));
    QTest::keyClicks(digits.get(), QStringLiteral("1a2-3"));
    EXPECT_EQ(digits->text(), QStringLiteral("123"));
    auto area = Make<QPlainTextEdit>(Control(ControlKind::Edit, "Edit", ES_MULTILINE, u"a\r\nb"));
    EXPECT_EQ(area->toPlainText(), QStringLiteral("a\nb"));
    EXPECT_FALSE(Make<QComboBox>(Control(ControlKind::ComboBox, "ComboBox", CBS_DROPDOWNLIST))->isEditable());
    EXPECT_TRUE(Make<QComboBox>(Control(ControlKind::ComboBox, "ComboBox", CBS_DROPDOWN))->isEditable());
    EXPECT_EQ(Make<QListWidget>(Control(ControlKind::ListBox, "ListBox", LBS_EXTENDEDSEL))->selectionMode(),
              QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(Make<QListWidget>(Control(ControlKind::ListBox, "ListBox", LBS_NOTIFY))->selectionMode(),
              QAbstractItemView::SingleSelection);
    EXPECT_EQ(Make<QProgressBar>(Control(ControlKind::Progress, "msctls_progress32", PBS_VERTICAL))->orientation(),
              Qt::Vertical);
    EXPECT_EQ(Make<QSlider>(Control(ControlKind::Slider, "msctls_trackbar32", TBS_VERT))->orientation(), Qt::Vertical);
    EXPECT_EQ(Make<QSlider>(Control(ControlKind::Slider, "msctls_trackbar32", 0))->orientation(), Qt::Horizontal);
    EXPECT_TRUE(Make<ReportView>(Control(ControlKind::ListView, "SysListView32", LVS_REPORT | LVS_NOCOLUMNHEADER))
                    ->horizontalHeader()
                    ->isHidden());
    auto defaultButton = Control(ControlKind::PushButton, "Button", BS_DEFPUSHBUTTON, u"确定");
    defaultButton.isDefault = true;
    EXPECT_TRUE(Make<QPushButton>(defaultButton)->isDefault());
    EXPECT_TRUE(Make<QCheckBox>(Control(ControlKind::CheckBox, "Button", BS_AUTO3STATE))->isTristate());
    EXPECT_FALSE(Make<QRadioButton>(Control(ControlKind::RadioButton, "Button", BS_AUTORADIOBUTTON))->autoExclusive());
    EXPECT_TRUE(Make<QGroupBox>(Control(ControlKind::GroupBox, "Button", BS_GROUPBOX))
                    ->testAttribute(Qt::WA_TransparentForMouseEvents));
    EXPECT_EQ(Make<QLabel>(Control(ControlKind::Static, "Static", SS_LEFT, u"&File && 文件"))->text(),
              QStringLiteral("File & 文件"));
    EXPECT_EQ(Make<QLabel>(Control(ControlKind::Static, "Static", SS_NOPREFIX, u"A&B"))->text(), QStringLiteral("A&B"));
    EXPECT_TRUE(Make<QLabel>(Control(ControlKind::Static, "Static", SS_CENTER))->alignment() & Qt::AlignHCenter);
    EXPECT_NE(Make<ColorLog>(Control(ControlKind::RichEdit, "RichEdit20W", ES_MULTILINE)), nullptr);
    EXPECT_NE(Make<TabControl>(Control(ControlKind::Tab, "SysTabControl32", 0)), nullptr);
    EXPECT_NE(Make<StatusPanes>(Control(ControlKind::StatusBar, "msctls_statusbar32", 0)), nullptr);
    auto combo = Control(ControlKind::ComboBox, "ComboBox", CBS_DROPDOWNLIST);
    combo.rect = Rect{0, 0, 120, 200};
    EXPECT_LT(Make<QComboBox>(combo)->height(), 60);  // the closed box, not the dropped list
}

TEST(ControlWidgets, SyncFollowsTheModelAndLeavesUnchangedPartsAlone) {
    auto state = Control(ControlKind::ListView, "SysListView32", LVS_REPORT);
    state.exStyle = LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT;
    state.columns = {{u"通道", 60, 0}, {u"状态", 80, 2}};
    state.rows = {{{u"1", u"就绪"}, true, false}, {{u"2"}, false, true}};
    auto view = Make<ReportView>(state);
    const QAbstractItemModel& table = *view->model();
    const auto cell = [&](int row, int column, int role = Qt::DisplayRole) {
        return table.index(row, column).data(role);
    };
    const auto selected = [&](int row) { return view->selectionModel()->isRowSelected(row, {}); };
    ASSERT_EQ(table.rowCount(), 2);
    EXPECT_EQ(table.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("状态"));
    EXPECT_EQ(view->columnWidth(0), 60);
    EXPECT_EQ(view->columnWidth(1), 80);  // a column the view did not start with takes its width too
    EXPECT_EQ(cell(0, 0, Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_FALSE(cell(0, 1, Qt::CheckStateRole).isValid());  // the box is the row's, drawn in its first cell
    EXPECT_TRUE(table.flags(table.index(0, 0)) & Qt::ItemIsUserCheckable);
    EXPECT_EQ(cell(0, 1).toString(), QStringLiteral("就绪"));
    EXPECT_TRUE(cell(0, 1, Qt::TextAlignmentRole).toInt() & Qt::AlignHCenter);
    EXPECT_EQ(cell(1, 1).toString(), QString());
    EXPECT_FALSE(selected(0));
    EXPECT_TRUE(selected(1));

    auto next = state;
    next.rows.pop_back();
    next.rows[0].checked = false;
    next.rows[0].selected = true;
    SyncControl(*view, next, &state);
    ASSERT_EQ(table.rowCount(), 1);
    EXPECT_EQ(cell(0, 0, Qt::CheckStateRole).toInt(), Qt::Unchecked);
    EXPECT_TRUE(selected(0));

    // A column added over rows already drawn: the rows keep their cells and selection, every column its width.
    auto wider = next;
    wider.columns.push_back({u"地址", 90, 1});
    wider.rows[0].cells.push_back(u"0800");
    wider.exStyle = LVS_EX_FULLROWSELECT;
    SyncControl(*view, wider, &next);
    ASSERT_EQ(table.columnCount(), 3);
    EXPECT_EQ(view->columnWidth(0), 60);
    EXPECT_EQ(view->columnWidth(2), 90);
    EXPECT_EQ(cell(0, 2).toString(), QStringLiteral("0800"));
    EXPECT_FALSE(cell(0, 0, Qt::CheckStateRole).isValid());
    EXPECT_TRUE(selected(0));

    auto edit = Control(ControlKind::Edit, "Edit", 0, u"abc");
    auto line = Make<QLineEdit>(edit);
    line->setCursorPosition(1);
    auto disabled = edit;
    disabled.enabled = false;
    SyncControl(*line, disabled, &edit);
    EXPECT_FALSE(line->isEnabled());
    EXPECT_EQ(line->cursorPosition(), 1);  // the text did not change, so the caret stays

    auto progress = Control(ControlKind::Progress, "msctls_progress32", 0);
    progress.rangeMax = 65535;
    progress.position = 300;
    auto bar = Make<QProgressBar>(progress);
    EXPECT_EQ(bar->maximum(), 65535);
    EXPECT_EQ(bar->value(), 300);
}

// A list that fills while it is shown: rows added where they show are drawn, rows added below the shown ones
// only move the scroll bar and leave the shown rows as drawn.
TEST(ControlWidgets, ListRowsAddedBelowTheShownOnesDrawNothingAgain) {
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint) ++paints;
            return false;
        }
    } counter;
    auto state = Control(ControlKind::ListView, "SysListView32", LVS_REPORT);
    state.columns = {{u"地址", 80, 0}, {u"0", 30, 0}};
    state.rect = Rect{0, 0, 200, 120};
    auto view = Make<ReportView>(state);
    view->show();
    view->viewport()->installEventFilter(&counter);
    const auto add = [&](int count) {
        ControlState next = state;
        for (int i = 0; i < count; ++i)
            next.rows.push_back({{Format(u"%d", static_cast<int>(next.rows.size())), u"FF"}, false, false});
        SyncListRowsFrom(
            *view,
            std::vector<ListRow>(next.rows.begin() + static_cast<std::ptrdiff_t>(state.rows.size()), next.rows.end()),
            static_cast<int>(state.rows.size()));
        state = next;
        counter.paints = 0;
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents();
        return counter.paints;
    };
    EXPECT_GT(add(2), 0);
    EXPECT_GT(add(200), 0);  // the rows after the first two show at once
    EXPECT_EQ(add(50), 0);
    EXPECT_EQ(view->model()->rowCount(), 252);
    EXPECT_EQ(view->model()->index(251, 0).data().toString(), QStringLiteral("251"));
    EXPECT_GT(view->verticalScrollBar()->maximum(), 0);
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
    EXPECT_EQ(view->indexAt(QPoint(2, view->viewport()->height() - 2)).row(), 251);
}

TEST(ControlWidgets, ClickOnCheckBoxOrRadioNotifiesWithoutChangingState) {
    for (auto state : {Control(ControlKind::CheckBox, "Button", BS_AUTOCHECKBOX, u"选项"),
                       Control(ControlKind::RadioButton, "Button", BS_AUTORADIOBUTTON, u"选项")}) {
        auto button = Make<QAbstractButton>(state);
        button->show();
        int clicks = 0;
        QObject::connect(button.get(), &QAbstractButton::clicked, [&clicks] { ++clicks; });
        QTest::mouseClick(button.get(), Qt::LeftButton, {}, QPoint(8, 12));  // on the indicator
        EXPECT_EQ(clicks, 1);
        EXPECT_FALSE(button->isChecked());
        auto checked = state;
        checked.check = 1;
        SyncControl(*button, checked, &state);
        EXPECT_TRUE(button->isChecked());
    }
}

TEST(StatusPanes, FixedPanesKeepTheirWidthAndOneStretches) {
    StatusPanes bar;
    bar.resize(800, bar.PreferredHeight());
    bar.SetPanes({-1, 125, 125});
    bar.SetPaneText(1, QStringLiteral("总数:0"));
    bar.SetPaneText(7, QStringLiteral("ignored"));
    EXPECT_EQ(bar.PaneCount(), 3);
    EXPECT_EQ(bar.PaneText(1), QStringLiteral("总数:0"));
    EXPECT_EQ(bar.PaneText(7), QString());
    EXPECT_EQ(bar.Pane(1)->width(), 125);
    EXPECT_GT(bar.Pane(0)->width(), 400);
    EXPECT_LE(bar.Pane(2)->geometry().right(), 800);
    bar.SetPanes({100});
    EXPECT_EQ(bar.PaneCount(), 1);
    EXPECT_EQ(bar.Pane(0)->width(), 100);
}

// A bar narrower than its fixed panes: the stretching pane gives way first, then the fixed panes shrink towards
// their text, so every count stays readable; a text longer than its pane widens it.
TEST(StatusPanes, StretchingPaneGivesWayBeforeAnyTextIsCut) {
    StatusPanes bar;
    bar.show();  // a hidden widget hears of its new size only when it is shown
    bar.SetPanes({-1, 125, 125, 125, 125});
    const QString texts[] = {QStringLiteral("Copyright © 2020-2026 Orvane Microelectronics. All rights reserved."),
                             QStringLiteral("Total:13023"), QStringLiteral("Pass:12345"), QStringLiteral("Fail:678"),
                             QStringLiteral("2026-12-11 09:03:59")};
    for (int i = 0; i < 5; ++i)
        bar.SetPaneText(i, texts[i]);
    const auto whole = [&](int i) { return bar.Pane(i)->width() >= bar.Pane(i)->sizeHint().width(); };
    const auto inside = [&] { return bar.Pane(4)->geometry().right() < bar.width(); };

    bar.resize(900, bar.PreferredHeight());
    EXPECT_EQ(bar.Pane(1)->width(), 125);
    EXPECT_GT(bar.Pane(0)->width(), 300);
    EXPECT_TRUE(inside());

    int fixedNeeds = 0;
    for (int i = 1; i < 5; ++i)
        fixedNeeds += bar.Pane(i)->sizeHint().width();
    for (int width : {500, fixedNeeds + 12}) {
        SCOPED_TRACE(width);
        bar.resize(width, bar.PreferredHeight());
        EXPECT_EQ(bar.Pane(0)->width(), 0);
        for (int i = 1; i < 5; ++i)
            EXPECT_TRUE(whole(i)) << "pane " << i;
        EXPECT_TRUE(inside());
    }

    bar.resize(900, bar.PreferredHeight());
    bar.SetPaneText(1, QStringLiteral("Total:1234567890123456789"));
    EXPECT_TRUE(whole(1));
    EXPECT_GT(bar.Pane(1)->width(), 125);
    EXPECT_TRUE(inside());
}

TEST(WindowImage, SavesThePictureWholeOrReportsFailure) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QLabel label(QStringLiteral("下载"));
    label.resize(120, 40);
    const QString path = dir.filePath(QStringLiteral("label.png"));
    ASSERT_TRUE(SaveWindowPng(label, path));
    const QImage image(path);
    EXPECT_EQ(image.size(), QSize(120, 40));
    EXPECT_FALSE(SaveWindowPng(label, dir.filePath(QStringLiteral("missing/folder/label.png"))));
}

}  // namespace
}  // namespace fw::qt
