#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
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
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>

#include "framework/host/qt/ColorLog.h"
#include "framework/host/qt/ControlWidgets.h"
#include "framework/host/qt/DialogFont.h"
#include "framework/host/qt/StatusPanes.h"
#include "framework/host/qt/TabControl.h"
#include "framework/host/qt/WindowImage.h"
#include "tests/framework/host/qt/QtTestApp.h"

namespace fw::qt {
namespace {

TEST(DialogUnits, ConvertEdgesWithPlatformRounding) {
    const DialogBaseUnits units{7, 15};
    struct Case {
        int x, y, cx, cy;
        QRect pixels;
    };
    const Case cases[] = {
        {0, 0, 4, 8, QRect(0, 0, 7, 15)},
        {1, 1, 1, 1, QRect(2, 2, 2, 2)},   // 1.75 -> 2, 3.5 -> 4: half rounds up
        {2, 4, 2, 4, QRect(4, 8, 3, 7)},   // 3.5 -> 4 and 7.5 -> 8 on the left/top edge, 7 and 15 on the other
        {10, 3, 50, 14, QRect(18, 6, 87, 26)},
        {-4, -8, 4, 8, QRect(-7, -15, 7, 15)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DialogRectToPixels(units, c.x, c.y, c.cx, c.cy), c.pixels) << c.x << "," << c.y;
    }
    // Controls that touch in dialog units touch in pixels, whatever the rounding did to each.
    const QRect a = DialogRectToPixels(units, 7, 5, 33, 11);
    const QRect b = DialogRectToPixels(units, 40, 16, 21, 9);
    EXPECT_EQ(a.right() + 1, b.left());
    EXPECT_EQ(a.bottom() + 1, b.top());
}

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

TEST(ColorLog, LinesKeepTheirColourFaceAndSize) {

    ColorLog log;
    log.AppendLine({QStringLiteral("连接成功"), QColor(10, 220, 10), QStringLiteral("宋体"), 220});
    log.AppendLine({QStringLiteral("fail"), QColor(220, 0, 0), QStringLiteral("宋体"), 300});
    EXPECT_EQ(log.LineCount(), 3);  // two lines and the empty one after the last break
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

TEST(ColorLog, BreaksInsideALineStartNewLinesAndClearEmpties) {

    ColorLog log;
    log.AppendLines({{QStringLiteral("a\r\nb\nc\rd"), Qt::black, QString(), 0}, {QStringLiteral("e"), Qt::red, {}, 0}});
    EXPECT_EQ(log.LineCount(), 6);
    EXPECT_EQ(log.toPlainText(), QStringLiteral("a\nb\nc\nd\ne\n"));
    log.Clear();
    EXPECT_EQ(log.toPlainText(), QString());
    EXPECT_EQ(log.LineCount(), 1);
}

TEST(ColorLog, FollowsTheEndAsLinesArrive) {

    ColorLog log;
    log.resize(300, 100);
    log.show();
    for (int i = 0; i < 200; ++i) log.AppendLine({QString::number(i), Qt::black, QString(), 0});
    QApplication::processEvents();
    const QScrollBar* bar = log.verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST(ControlWidgets, ClassesAndStylesChooseTheWidget) {
    struct Case {
        const char16_t* className;
        uint32_t style;
        WidgetKind kind;
    };
    const Case cases[] = {
        {u"Static", 0x0, WidgetKind::Label},
        {u"STATIC", 0x2 | 0x50000000, WidgetKind::Label},
        {u"Static", 0x3, WidgetKind::Icon},
        {u"Static", 0x10, WidgetKind::Line},
        {u"Button", 0x0, WidgetKind::PushButton},
        {u"Button", 0x1, WidgetKind::PushButton},
        {u"Button", 0x2, WidgetKind::CheckBox},
        {u"button", 0x3 | 0x10000, WidgetKind::CheckBox},
        {u"Button", 0x6, WidgetKind::CheckBox},
        {u"Button", 0x4, WidgetKind::RadioButton},
        {u"Button", 0x9 | 0x20000, WidgetKind::RadioButton},
        {u"Button", 0x7, WidgetKind::GroupBox},
        {u"Edit", 0x80, WidgetKind::LineEdit},
        {u"Edit", 0x4 | 0x800, WidgetKind::TextArea},
        {u"ComboBox", 0x3, WidgetKind::ComboBox},
        {u"ListBox", 0x1, WidgetKind::ListBox},
        {u"msctls_progress32", 0x1, WidgetKind::ProgressBar},
        {u"msctls_trackbar32", 0x2, WidgetKind::Slider},
        {u"SysTabControl32", 0x0, WidgetKind::TabControl},
        {u"SysListView32", 0x1, WidgetKind::ListView},
        {u"RichEdit20W", 0x4, WidgetKind::RichLog},
        {u"RICHEDIT50W", 0x4, WidgetKind::RichLog},
        {u"msctls_statusbar32", 0x0, WidgetKind::StatusBar},
        {u"SysIPAddress32", 0x0, WidgetKind::Unknown},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ClassifyControl(QStringView(c.className), c.style), c.kind)
            << QString::fromUtf16(c.className).toStdString() << " " << c.style;
    }
}

template <typename W>
std::unique_ptr<W> Make(const char16_t* className, uint32_t style, const QString& text = QString()) {
    const ControlSpec spec{QString::fromUtf16(className), text, style, 0};
    QWidget* widget = CreateControlWidget(ClassifyControl(spec.className, style), spec, nullptr);
    auto* typed = dynamic_cast<W*>(widget);
    EXPECT_NE(typed, nullptr) << QString::fromUtf16(className).toStdString();
    if (!typed) delete widget;
    return std::unique_ptr<W>(typed);
}

TEST(ControlWidgets, StyleBitsShapeTheWidget) {

    EXPECT_EQ(Make<QLineEdit>(u"Edit", 0x20)->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(Make<QLineEdit>(u"Edit", 0x800)->isReadOnly());
    EXPECT_TRUE(Make<QLineEdit>(u"Edit", 0x2)->alignment() & Qt::AlignRight);
    auto digits = Make<QLineEdit>(u"Edit", 0x2000);
    QTest::keyClicks(digits.get(), QStringLiteral("1a2-3"));
    EXPECT_EQ(digits->text(), QStringLiteral("123"));
    EXPECT_TRUE(Make<QPlainTextEdit>(u"Edit", 0x4 | 0x800)->isReadOnly());
    EXPECT_FALSE(Make<QComboBox>(u"ComboBox", 0x3)->isEditable());
    EXPECT_TRUE(Make<QComboBox>(u"ComboBox", 0x2)->isEditable());
    EXPECT_EQ(Make<QListWidget>(u"ListBox", 0x800)->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(Make<QListWidget>(u"ListBox", 0x1)->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(Make<QProgressBar>(u"msctls_progress32", 0x4)->orientation(), Qt::Vertical);
    EXPECT_EQ(Make<QSlider>(u"msctls_trackbar32", 0x2)->orientation(), Qt::Vertical);
    EXPECT_EQ(Make<QSlider>(u"msctls_trackbar32", 0x0)->orientation(), Qt::Horizontal);
    EXPECT_TRUE(Make<QTreeWidget>(u"SysListView32", 0x1 | 0x4000)->isHeaderHidden());
    EXPECT_TRUE(Make<QPushButton>(u"Button", 0x1, QStringLiteral("确定"))->isDefault());
    EXPECT_FALSE(Make<QPushButton>(u"Button", 0x0)->isDefault());
    EXPECT_TRUE(Make<QCheckBox>(u"Button", 0x6)->isTristate());
    EXPECT_FALSE(Make<QRadioButton>(u"Button", 0x9)->autoExclusive());
    EXPECT_TRUE(Make<QGroupBox>(u"Button", 0x7)->testAttribute(Qt::WA_TransparentForMouseEvents));
    EXPECT_EQ(Make<QLabel>(u"Static", 0x0, QStringLiteral("&File && 文件"))->text(), QStringLiteral("File & 文件"));
    EXPECT_EQ(Make<QLabel>(u"Static", 0x80, QStringLiteral("A&B"))->text(), QStringLiteral("A&B"));
    EXPECT_TRUE(Make<QLabel>(u"Static", 0x1)->alignment() & Qt::AlignHCenter);
    EXPECT_NE(Make<ColorLog>(u"RichEdit20W", 0x4), nullptr);
    EXPECT_NE(Make<TabControl>(u"SysTabControl32", 0x0), nullptr);
    EXPECT_NE(Make<StatusPanes>(u"msctls_statusbar32", 0x0), nullptr);
}

TEST(ControlWidgets, ClickOnCheckBoxOrRadioNotifiesWithoutChangingState) {

    for (uint32_t style : {0x3u, 0x9u}) {
        auto button = Make<QAbstractButton>(u"Button", style, QStringLiteral("选项"));
        button->resize(100, 20);
        button->show();
        int clicks = 0;
        QObject::connect(button.get(), &QAbstractButton::clicked, [&clicks] { ++clicks; });
        QTest::mouseClick(button.get(), Qt::LeftButton, {}, QPoint(8, 10));  // on the indicator
        EXPECT_EQ(clicks, 1) << style;
        EXPECT_FALSE(button->isChecked()) << style;
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

TEST(TabControl, PageAreaLiesBelowTheTabs) {

    TabControl tabs;
    tabs.Bar().addTab(QStringLiteral("参数"));
    tabs.Bar().addTab(QStringLiteral("工程"));
    tabs.resize(400, 300);
    tabs.show();
    const QRect area = tabs.PageArea();
    EXPECT_GE(area.top(), tabs.Bar().geometry().bottom());
    EXPECT_GT(area.height(), 200);
    EXPECT_LE(area.right(), 400);
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
