// The example dialog drawn by the Qt host: every control of the template as a widget at its place, in Chinese and
// in English, saved as pictures; user input reaching the handlers; model changes from workers reaching the widgets;
// nested modal loops, message boxes, file dialogs, timers and menus running for real.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <atomic>
#include <cmath>
#include <functional>
#include <thread>

#include "framework/Format.h"
#include "framework/Resources.h"
#include "framework/host/qt/ColorLog.h"
#include "framework/host/qt/ControlWidgets.h"
#include "framework/host/qt/DialogFont.h"
#include "framework/host/qt/QtHost.h"
#include "framework/host/qt/QtText.h"
#include "framework/host/qt/StatusPanes.h"
#include "framework/host/qt/TabControl.h"
#include "framework/host/qt/WindowFrame.h"
#include "tests/framework/example/ExampleDlg.h"
#include "tests/framework/host/qt/QtTestApp.h"

namespace fw::qt {
namespace {

using testing::ButtonWithText;
using testing::WhenModal;
using testing::WhenModalShows;

struct LanguageGuard {
    explicit LanguageGuard(int language) : previous(ResourceLanguage()) { SetResourceLanguage(language); }
    ~LanguageGuard() { SetResourceLanguage(previous); }
    int previous;
};

bool Eventually(const std::function<bool()>& done, int ms = 5000) { return QTest::qWaitFor(done, ms); }

class ExampleOnQt : public ::testing::Test {
protected:
    QtHost host;
    LanguageGuard language{kLangChinese};
    CExampleDlg dlg;

    void Open() {
        ASSERT_TRUE(dlg.Create());
        dlg.ShowWindow(SW_SHOW);
        host.ApplyPendingChanges();
        ASSERT_NE(Frame(), nullptr);
        ASSERT_TRUE(Frame()->isVisible());
    }
    QWidget* Frame() { return host.WindowWidget(dlg.Handle()); }
    QWidget* Widget(int id) { return host.ControlWidget(dlg.Handle(), dlg.GetDlgItem(id).Index()); }
    template <typename W>
    W* Widget(int id) {
        W* widget = dynamic_cast<W*>(Widget(id));
        EXPECT_NE(widget, nullptr) << id;
        return widget;
    }
    // Input is handled by the model at once; its changes reach the widgets on the next turn of the event loop.
    void Settle() {
        QApplication::processEvents();
        host.ApplyPendingChanges();
    }
    QString LogText() { return Widget<ColorLog>(IDC_LOG)->toPlainText(); }
    bool Has(const char16_t* event) {
        return std::find(dlg.m_events.begin(), dlg.m_events.end(), Text(event)) != dlg.m_events.end();
    }
};

// Chinese arrives through the input method, as a committed string.
void TypeChinese(QWidget& widget, const QString& text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(&widget, &event);
}

// What a control of each kind shows for its template text.
QString ShownText(QWidget& widget) {
    if (auto* button = qobject_cast<QAbstractButton*>(&widget)) return button->text();
    if (auto* label = qobject_cast<QLabel*>(&widget)) return label->text();
    if (auto* group = qobject_cast<QGroupBox*>(&widget)) return group->title();
    return QString();
}

TEST_F(ExampleOnQt, DrawnInChineseAndEnglishWithEveryControlAtItsPlace) {
    for (int lang : {kLangChinese, kLangEnglish}) {
        SCOPED_TRACE(lang);
        LanguageGuard guard(lang);
        CExampleDlg example;
        ASSERT_TRUE(example.Create());
        example.ShowWindow(SW_SHOW);
        host.ApplyPendingChanges();
        QApplication::processEvents();
        QWidget* frame = host.WindowWidget(example.Handle());
        ASSERT_NE(frame, nullptr);
        const DialogTemplate* t = FindDialogTemplate(IDD_EXAMPLE);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(frame->windowTitle(), ToQString(t->caption));

        // The client area follows the template's FONT: 4 horizontal units a character, 8 vertical ones a line.
        const QFont font = DialogFont(ToQString(t->font.face), t->font.pointSize);
        EXPECT_TRUE(QFontMetrics(font).inFontUcs4(U'控'));
        const DialogBaseUnits units = BaseUnitsOf(font);
        EXPECT_EQ(example.GetClientRect().width, std::lround(t->rect.width * units.x / 4.0));
        EXPECT_EQ(example.GetClientRect().height, std::lround(t->rect.height * units.y / 8.0));

        const std::vector<ControlState> controls = example.Controls();
        ASSERT_GE(controls.size(), t->controls.size());
        for (size_t i = 0; i < t->controls.size(); ++i) {
            const ControlTemplate& c = t->controls[i];
            SCOPED_TRACE(c.id);
            QWidget* widget = host.ControlWidget(example.Handle(), controls[i].index);
            ASSERT_NE(widget, nullptr);
            EXPECT_EQ(widget->parentWidget()->window(), frame);
            EXPECT_EQ(widget->isVisibleTo(frame), (c.style & WS_VISIBLE) != 0);
            const Rect expected = example.MapDialogRect(c.rect);
            const QRect placed = widget->geometry();
            EXPECT_EQ(placed.topLeft(), QPoint(expected.x, expected.y));
            EXPECT_EQ(placed.width(), expected.width);
            if (c.kind == ControlKind::ComboBox) {
                EXPECT_LE(placed.height(), expected.height);  // closed: one line of the dropped-down height
            } else {
                EXPECT_EQ(placed.height(), expected.height);
            }
            if (c.kind == ControlKind::PushButton || c.kind == ControlKind::CheckBox ||
                c.kind == ControlKind::RadioButton || c.kind == ControlKind::GroupBox) {
                EXPECT_EQ(ShownText(*widget), ToQString(c.text));
            }
            if (c.kind == ControlKind::Static) {
                EXPECT_EQ(ShownText(*widget), WithoutMnemonics(ToQString(c.text)));
            }
            if (c.kind == ControlKind::PushButton) {
                // Labels fit their buttons: the template's font, not a wider substitute, draws them.
                EXPECT_LE(widget->fontMetrics().horizontalAdvance(WithoutMnemonics(ShownText(*widget))),
                          placed.width() - 4);
            }
        }
        // Icon, status bar, menu bar and the tab page built in OnInitDialog are drawn too.
        EXPECT_FALSE(static_cast<QLabel*>(host.ControlWidget(example.Handle(), example.GetDlgItem(IDC_ICON).Index()))
                         ->pixmap()
                         .isNull());
        auto* status = dynamic_cast<StatusPanes*>(host.ControlWidget(example.Handle(), example.m_status.Index()));
        ASSERT_NE(status, nullptr);
        EXPECT_EQ(status->PaneText(0), ToQString(LoadResourceString(IDS_PANE_READY)));
        EXPECT_EQ(status->geometry().bottom(), example.GetClientRect().height - 1);
        auto* menuBar = frame->findChild<QMenuBar*>();
        ASSERT_NE(menuBar, nullptr);
        EXPECT_EQ(menuBar->actions().size(), 3);
        auto* tabs =
            dynamic_cast<TabControl*>(host.ControlWidget(example.Handle(), example.GetDlgItem(IDC_PAGES_TAB).Index()));
        ASSERT_NE(tabs, nullptr);
        EXPECT_EQ(tabs->Bar().count(), 2);
        QWidget* page = host.WindowWidget(example.m_page.Handle());
        ASSERT_NE(page, nullptr);
        EXPECT_TRUE(page->isVisibleTo(frame));
        // Inside the tab control, below its strip of tabs.
        EXPECT_EQ(page->parentWidget(), tabs);
        EXPECT_TRUE(tabs->rect().contains(page->geometry()));
        EXPECT_GT(page->geometry().top(), tabs->Bar().geometry().bottom());

        // The model's client area is the frame's client, with the menu bar above it.
        const QRect client(static_cast<WindowFrame*>(frame)->Client().mapToGlobal(QPoint(0, 0)),
                           static_cast<WindowFrame*>(frame)->Client().size());
        const Rect modelRect = example.GetWindowRect();
        EXPECT_EQ(client, QRect(modelRect.x, modelRect.y, modelRect.width, modelRect.height));
        const QString name = lang == kLangEnglish ? QStringLiteral("example_en.png") : QStringLiteral("example_zh.png");
        EXPECT_TRUE(host.SaveWindowPng(example.Handle(), testing::PictureFolder() + QLatin1Char('/') + name));
        example.DestroyWindow();
        EXPECT_EQ(host.WindowWidget(example.Handle()), nullptr);
    }
}

TEST_F(ExampleOnQt, ClicksTypingAndSelectionsReachTheHandlers) {
    Open();
    auto* count = Widget<QLineEdit>(IDC_COUNT_EDIT);
    count->selectAll();
    QTest::keyClicks(count, QStringLiteral("42"));
    EXPECT_TRUE(Has(u"count 42"));
    QTest::mouseClick(Widget<QPushButton>(IDC_APPLY), Qt::LeftButton);
    EXPECT_TRUE(Has(u"apply"));
    EXPECT_EQ(dlg.m_count, 42);
    Settle();
    EXPECT_TRUE(LogText().startsWith(QStringLiteral("应用: 示例 42")));
    EXPECT_EQ(Widget<ColorLog>(IDC_LOG)->document()->firstBlock().charFormat().foreground().color(), QColor(0, 0, 0));
    EXPECT_EQ(dynamic_cast<StatusPanes*>(host.ControlWidget(dlg.Handle(), dlg.m_status.Index()))->PaneText(0),
              QStringLiteral("已应用 42"));

    // Auto check boxes and radio buttons change through the model, which also clears the group's other radios.
    auto* enable = Widget<QCheckBox>(IDC_ENABLE_CHECK);
    QTest::mouseClick(enable, Qt::LeftButton, {}, QPoint(6, enable->height() / 2));
    EXPECT_EQ(dlg.IsDlgButtonChecked(IDC_ENABLE_CHECK), 0);
    auto* swd = Widget<QRadioButton>(IDC_MODE_SWD);
    QTest::mouseClick(swd, Qt::LeftButton, {}, QPoint(6, swd->height() / 2));
    Settle();
    EXPECT_FALSE(enable->isChecked());
    EXPECT_TRUE(swd->isChecked());
    EXPECT_FALSE(Widget<QRadioButton>(IDC_MODE_USB)->isChecked());
    EXPECT_EQ(dlg.GetCheckedRadioButton(IDC_MODE_SERIAL, IDC_MODE_SWD), IDC_MODE_SWD);

    auto* speed = Widget<QComboBox>(IDC_SPEED_COMBO);
    speed->setFocus();
    QTest::keyClick(speed, Qt::Key_Down);
    EXPECT_TRUE(Has(u"speed 921600"));

    auto* level = Widget<QSlider>(IDC_LEVEL_SLIDER);
    QTest::keyClick(level, Qt::Key_Right);
    Settle();
    EXPECT_EQ(Widget<QLabel>(IDC_LEVEL_TEXT)->text(), QStringLiteral("31"));

    auto* files = Widget<QListWidget>(IDC_FILES_LIST);
    const QRect second = files->visualItemRect(files->item(1));
    QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, second.center());
    QTest::mouseDClick(files->viewport(), Qt::LeftButton, {}, second.center());
    EXPECT_TRUE(Has(u"open app.hex"));

    auto* chips = Widget<QTableView>(IDC_CHIPS_LIST);
    ASSERT_EQ(chips->model()->rowCount(), 3);
    // What a click on the row's box does.
    chips->model()->setData(chips->model()->index(2, 0), Qt::Checked, Qt::CheckStateRole);
    EXPECT_TRUE(dlg.GetDlgItem(IDC_CHIPS_LIST).GetCheck(2));
    EXPECT_TRUE(std::any_of(dlg.m_events.begin(), dlg.m_events.end(),
                            [](const Text& e) { return e.starts_with(u"chip 2 checked 1"); }));

    // The second tab hides the page, as the handler asks.
    auto* tabs = Widget<TabControl>(IDC_PAGES_TAB);
    QTest::mouseClick(&tabs->Bar(), Qt::LeftButton, {}, tabs->Bar().tabRect(1).center());
    Settle();
    EXPECT_FALSE(host.WindowWidget(dlg.m_page.Handle())->isVisible());

    // A page's own handler runs for a click inside the page.
    QTest::mouseClick(tabs->Bar().parentWidget(), Qt::LeftButton);  // nothing happens on the frame itself
    QTest::mouseClick(&tabs->Bar(), Qt::LeftButton, {}, tabs->Bar().tabRect(0).center());
    Settle();
    auto* pageCheck = dynamic_cast<QCheckBox*>(
        host.ControlWidget(dlg.m_page.Handle(), dlg.m_page.GetDlgItem(IDC_PAGE_CHECK).Index()));
    ASSERT_NE(pageCheck, nullptr);
    ASSERT_TRUE(pageCheck->isVisible());
    QTest::mouseClick(pageCheck, Qt::LeftButton, {}, QPoint(6, pageCheck->height() / 2));
    EXPECT_EQ(dlg.m_page.m_events, std::vector<Text>{u"page check 1"});
}

TEST_F(ExampleOnQt, MenuChecksAndGreysFollowTheModel) {
    Open();
    auto* menuBar = Frame()->findChild<QMenuBar*>();
    ASSERT_NE(menuBar, nullptr);
    auto findAction = [&](const QString& text) -> QAction* {
        for (QAction* top : menuBar->actions()) {
            if (!top->menu()) continue;
            for (QAction* action : top->menu()->actions()) {
                if (action->text() == text) return action;
            }
        }
        return nullptr;
    };
    QAction* verbose = findAction(QStringLiteral("详细日志"));
    QAction* expert = findAction(QStringLiteral("专家模式"));
    ASSERT_TRUE(verbose && expert);
    EXPECT_TRUE(verbose->isChecked());
    EXPECT_FALSE(expert->isEnabled());
    verbose->trigger();
    Settle();
    verbose = findAction(QStringLiteral("详细日志"));
    expert = findAction(QStringLiteral("专家模式"));
    ASSERT_TRUE(verbose && expert);
    EXPECT_FALSE(verbose->isChecked());
    EXPECT_TRUE(expert->isEnabled());
    expert->trigger();
    EXPECT_TRUE(Has(u"expert"));
}

TEST_F(ExampleOnQt, ChangesFromAWorkerThreadShowUpInTheWidgets) {
    Open();
    std::atomic<bool> done{false};
    LResult stepResult = 0;
    std::thread worker([&] {
        dlg.SetDlgItemText(IDC_NAME_EDIT, u"来自线程");
        dlg.m_progress.SetPos(4);
        for (int i = 0; i < 50; ++i)
            dlg.AppendLog(Format(u"工作 %d", i), Rgb(220, 0, 0));
        stepResult = dlg.SendMessage(WM_EXAMPLE_STEP, 7);  // runs on the GUI thread; this thread waits
        done = true;
    });
    EXPECT_TRUE(Eventually([&] { return done.load(); }));
    worker.join();
    Settle();
    EXPECT_EQ(stepResult, 14);
    EXPECT_EQ(Widget<QLineEdit>(IDC_NAME_EDIT)->text(), QStringLiteral("来自线程"));
    EXPECT_EQ(Widget<QProgressBar>(IDC_PROGRESS)->value(), 5);  // 4, then one step by the handler
    auto* log = Widget<ColorLog>(IDC_LOG);
    const QStringList lines = log->toPlainText().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 52);  // 50 lines, the step line and the empty paragraph after the last break
    EXPECT_EQ(lines[0], QStringLiteral("工作 0"));
    EXPECT_EQ(lines[49], QStringLiteral("工作 49"));
    EXPECT_EQ(lines[50], QStringLiteral("步骤 7"));
    EXPECT_EQ(log->document()->findBlockByNumber(49).charFormat().foreground().color(), QColor(220, 0, 0));
    EXPECT_EQ(log->ParagraphCount(), dlg.m_log.GetLineCount());
    EXPECT_EQ(log->verticalScrollBar()->value(), log->verticalScrollBar()->maximum());
}

// A list changed between redraws is drawn from the row the changes start at: rows added, rewritten, inserted in
// the middle and deleted all end up as the model has them.
TEST_F(ExampleOnQt, ListRowsChangedBetweenRedrawsMatchTheModel) {
    Open();
    Control chips = dlg.GetDlgItem(IDC_CHIPS_LIST);
    const QAbstractItemModel& view = *Widget<QTableView>(IDC_CHIPS_LIST)->model();
    const auto drawn = [&] {
        std::vector<std::vector<QString>> rows;
        for (int r = 0; r < view.rowCount(); ++r)
            rows.push_back({view.index(r, 0).data().toString(), view.index(r, 1).data().toString()});
        return rows;
    };
    const auto model = [&] {
        std::vector<std::vector<QString>> rows;
        for (int r = 0; r < chips.GetItemCount(); ++r)
            rows.push_back({ToQString(chips.GetItemText(r, 0)), ToQString(chips.GetItemText(r, 1))});
        return rows;
    };
    const std::vector<std::function<void()>> steps = {
        [&] {
            for (int i = 3; i < 40; ++i) {
                chips.InsertItem(i, Format(u"VK%d", i));
                chips.SetItemTexts(i, 1, {Format(u"%02X", i)});
            }
        },
        [&] { chips.SetItemText(39, 1, u"末行"); },
        [&] {
            chips.SetItemTexts(20, 0, {u"中间", u"改"});
            chips.InsertItem(5, u"插入");
        },
        [&] {
            chips.DeleteItem(1);
            chips.SetItemText(30, 1, u"删后");
        },
        [&] {
            chips.DeleteAllItems();
            chips.InsertItem(0, u"唯一");
        },
    };
    for (size_t i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE(i);
        steps[i]();
        Settle();
        EXPECT_EQ(drawn(), model());
    }
}

// Rows added to a shown list must reach the view's layout, not only its items: a file added to the project page
// was in the list (Delete removed it) but never drawn.
TEST_F(ExampleOnQt, RowsAddedToAShownListAreLaidOut) {
    Open();
    Control chips = dlg.GetDlgItem(IDC_CHIPS_LIST);
    auto* view = Widget<QTableView>(IDC_CHIPS_LIST);
    const auto laidOut = [&] {
        for (int r = 0; r < view->model()->rowCount(); ++r) {
            const QRect rect = view->visualRect(view->model()->index(r, 0));
            if (!rect.isValid() || view->indexAt(rect.center()).row() != r) return false;
        }
        return true;
    };
    chips.DeleteAllItems();
    Settle();
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        chips.InsertItem(i, Format(u"VK%d", i));
        Settle();
        ASSERT_EQ(view->model()->rowCount(), i + 1);
        EXPECT_TRUE(laidOut());
    }
    chips.DeleteItem(0);
    chips.InsertItem(2, u"末行");
    Settle();
    EXPECT_TRUE(laidOut());
}

TEST_F(ExampleOnQt, NestedModalDialogsRunInTheirOwnLoops) {
    Open();
    QWidget* outer = nullptr;
    bool ownerBlocked = false;
    WhenModal([](QWidget& w) { return w.windowTitle() == QStringLiteral("子对话框"); },
              [&](QWidget& child) {
                  outer = &child;
                  ownerBlocked = !Frame()->isEnabled();
                  auto* value = child.findChild<QLineEdit*>();
                  value->selectAll();
                  TypeChinese(*value, QStringLiteral("第一层"));
                  // The inner dialog of the same template is cancelled with Esc.
                  WhenModal([&](QWidget& w) { return &w != outer; },
                            [](QWidget& inner) { QTest::keyClick(&inner, Qt::Key_Escape); });
                  ButtonWithText(child, QStringLiteral("再开一层"))->click();
                  // Back from the inner loop the model enables the child again; the next turn of the loop draws it.
                  QApplication::processEvents();
                  ButtonWithText(child, QStringLiteral("确定"))->click();
              });
    QTest::mouseClick(Widget<QPushButton>(IDC_OPEN_CHILD), Qt::LeftButton);
    EXPECT_TRUE(ownerBlocked);
    EXPECT_EQ(dlg.m_events.back(), u"child 1");
    EXPECT_EQ(dlg.m_childValue, u"第一层");
    Settle();
    EXPECT_TRUE(Frame()->isEnabled());
}

TEST_F(ExampleOnQt, MessageBoxShowsRelabelledButtonsAndAnswers) {
    Open();
    QStringList texts;
    QString caption;
    WhenModalShows([&](QWidget& modal) {
        auto& box = static_cast<QMessageBox&>(modal);
        caption = box.windowTitle();
        for (QAbstractButton* b : box.buttons())
            texts << b->text();
        ButtonWithText(box, QStringLiteral("&Yes"))->click();
    });
    QTest::mouseClick(Widget<QPushButton>(IDC_ASK), Qt::LeftButton);
    EXPECT_EQ(caption, QStringLiteral("提示"));
    texts.sort();
    EXPECT_EQ(texts, (QStringList{QStringLiteral("&No"), QStringLiteral("&Yes")}));
    Settle();
    EXPECT_TRUE(LogText().startsWith(QStringLiteral("继续")));
    EXPECT_EQ(Widget<ColorLog>(IDC_LOG)->document()->firstBlock().charFormat().foreground().color(),
              QColor(10, 200, 10));
}

TEST_F(ExampleOnQt, TimersTickUntilKilled) {
    Open();
    QTest::mouseClick(Widget<QPushButton>(IDC_START_TIMER), Qt::LeftButton);
    EXPECT_TRUE(Eventually([&] { return dlg.m_timerTicks == 5; }));
    QTest::qWait(600);  // killed at the fifth tick: no sixth
    EXPECT_EQ(dlg.m_timerTicks, 5);
    Settle();
    EXPECT_EQ(Widget<QProgressBar>(IDC_PROGRESS)->value(), 5);
    EXPECT_EQ(dynamic_cast<StatusPanes*>(host.ControlWidget(dlg.Handle(), dlg.m_status.Index()))->PaneText(1),
              QStringLiteral("计时 5"));
}

TEST_F(ExampleOnQt, FileDialogAnswersTheChosenFile) {
    Open();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("固件.bin"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    QStringList filters;
    WhenModalShows([&](QWidget& modal) {
        auto& dialog = static_cast<QFileDialog&>(modal);
        filters = dialog.nameFilters();
        auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        name->setText(path);
        QTest::keyClick(name, Qt::Key_Return);
    });
    QTest::mouseClick(Widget<QPushButton>(IDC_BROWSE), Qt::LeftButton);
    EXPECT_EQ(filters, (QStringList{QStringLiteral("Bin files (*.bin)"), QStringLiteral("Hex files (*.hex)"),
                                    QStringLiteral("All files (*)")}));
    EXPECT_EQ(dlg.m_events.back(), u"browse bin");
    Settle();
    EXPECT_EQ(Widget<QLineEdit>(IDC_NAME_EDIT)->text(), QStringLiteral("固件.bin"));
}

TEST_F(ExampleOnQt, EnterPressesTheDefaultButtonAndClosingAsksFirst) {
    Open();
    // Closing from the title bar asks; "No" keeps the window.
    WhenModalShows([](QWidget& box) { ButtonWithText(box, QStringLiteral("否(&N)"))->click(); });
    Frame()->close();
    Settle();
    EXPECT_TRUE(dlg.IsWindow());
    EXPECT_TRUE(Frame()->isVisible());

    QTest::keyClick(Frame(), Qt::Key_Return);
    Settle();
    EXPECT_EQ(dlg.GetResult(), IDOK);
    EXPECT_FALSE(dlg.IsWindowVisible());
    EXPECT_FALSE(Frame()->isVisible());
}

}  // namespace
}  // namespace fw::qt
