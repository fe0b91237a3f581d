// The four option-byte editors drawn by the Qt host, offscreen, in both languages: the chip editors over a
// simulated chip of the series that shows most of their controls, the project editors over a project text. One
// picture each under the build folder, and the checks a person would make looking at them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QWidget>
#include <functional>
#include <string>

#include "framework/host/qt/QtHost.h"
#include "optionbytes/OptionByteEditor.h"
#include "optionbytes/SecurityOptionDlg.h"
#include "optionbytes/SelectBlockDlg.h"
#include "optionbytes/WriteProtectDlg.h"
#include "resources/ui/option_bytes.h"
#include "tests/app/MainWindowFixture.h"
#include "tests/app/qt/PictureChecks.h"
#include "tests/app/qt/QtMainWindow.h"
#include "tests/framework/host/qt/QtTestApp.h"

namespace {

struct Picture {
    QImage image;
    std::vector<fw::ControlState> controls;
    fw::Text caption;
};

// Every line edit shows the whole text the program gave it, whatever its typing limit.
void ExpectEditsShowTheirTexts(fw::qt::QtHost& host, fw::Dialog& dialog) {
    const std::vector<fw::ControlState> controls = dialog.Controls();
    for (size_t i = 0; i < controls.size(); ++i) {
        if (controls[i].kind != fw::ControlKind::Edit) continue;
        const auto* line = qobject_cast<QLineEdit*>(host.ControlWidget(dialog.Handle(), static_cast<int>(i)));
        if (line == nullptr) continue;
        EXPECT_EQ(line->text().toStdString(), fw::TextToUtf8(controls[i].text)) << "edit " << controls[i].id;
    }
}

Picture Draw(fw::qt::QtHost& host, fw::Dialog& dialog, fw::Window* parent, const std::string& file) {
    Picture picture;
    EXPECT_TRUE(dialog.Create(parent));
    dialog.ShowWindow(fw::SW_SHOW);
    host.ApplyPendingChanges();
    QApplication::processEvents();
    ExpectEditsShowTheirTexts(host, dialog);
    if (QWidget* widget = host.WindowWidget(dialog.Handle())) {
        fw::qt::testing::ExpectTextsFitAndNothingOverlaps(*widget);
    } else {
        ADD_FAILURE() << "no widget for " << file;
    }
    const QString path = fw::qt::testing::PictureFolder() + "/" + QString::fromStdString(file);
    EXPECT_TRUE(host.SaveWindowPng(dialog.Handle(), path));
    if (QWidget* widget = host.WindowWidget(dialog.Handle()))
        fw::qt::testing::ExpectTextsFitAndNothingOverlaps(*widget);
    picture.image = QImage(path);
    picture.controls = dialog.Controls();
    picture.caption = dialog.GetWindowText();
    dialog.DestroyWindow();
    return picture;
}

// A chip editor over a connected chip of the series.
Picture DrawChipEditor(uint32_t languageId, uint8_t series, const std::string& file, bool writeProtect = false) {
    fw::testing::TempFolder dir;
    const fw::Text previous = EnterMainWindowWorkdir(dir);
    ovsim::ChipSpec chip;
    chip.series = series;
    ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", chip);
    Picture picture;
    {
        QtMainWindow drawn(languageId);
        fw::qt::QtHost& host = drawn.host;
        CQXDownloadToolDlg& window = drawn.window;
        EXPECT_TRUE(window.Create());
        window.Click(IDC_BTN_CONNECT);
        if (writeProtect) {
            CWriteProtectDlg editor(&window);
            picture = Draw(host, editor, &window, file);
        } else if (series == 10) {
            CWriteByteDlg4 editor(&window, SecurityOptionMode::Device);
            picture = Draw(host, editor, &window, file);
        } else if (series == 3 || series == 4 || series == 6 || series == 7 || series == 11 || series == 12) {
            CWriteByteDlg2 editor(&window);
            picture = Draw(host, editor, &window, file);
        } else {
            CWriteByteDlg editor(&window);
            picture = Draw(host, editor, &window, file);
        }
        window.Click(IDC_BTN_CONNECT);
    }
    fw::SetResourceLanguage(fw::kLangChinese);
    fw::SetWorkingDirectory(previous);
    return picture;
}

Picture DrawProjectEditor(uint32_t languageId, uint8_t family, const std::string& file) {
    Picture picture;
    fw::qt::QtHost host;
    fw::InstallHost(&host);
    fw::SetResourceLanguage(static_cast<int>(languageId));
    // Erased project bytes of the family.
    fw::Text text =
        family == 11 ? u"A5FFFFFFFFFFFF0000FFFFFFFFFFFFFFFFFFFFFF" : u"A5FF0000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF";
    if (EditorKindOf(family) == EditorKind::Second) {
        CWriteByteLinkDlg2 editor(&text, family, true);
        picture = Draw(host, editor, nullptr, file);
    } else {
        CWriteByteLinkDlg editor(&text, family, true);
        picture = Draw(host, editor, nullptr, file);
    }
    fw::InstallHost(nullptr);
    fw::SetResourceLanguage(fw::kLangChinese);
    return picture;
}

void Check(const Picture& p, const fw::Text& caption) {
    ASSERT_FALSE(p.image.isNull());
    EXPECT_GT(p.image.width(), 400);
    EXPECT_GT(p.image.height(), 300);
    EXPECT_EQ(p.caption, caption);
    ExpectNoVisibleControlsOverlap(p.controls);
}

TEST(OptionBytesPicture, ChipEditors) {
    Check(DrawChipEditor(2052, 9, "write_byte_series9_zh.png"), u"配置选项字节");
    Check(DrawChipEditor(1033, 9, "write_byte_series9_en.png"), u"Options bytes");
    Check(DrawChipEditor(2052, 11, "write_byte2_series11_zh.png"), u"配置选项字节");
    Check(DrawChipEditor(1033, 11, "write_byte2_series11_en.png"), u"Configuration options byte");
    // Series 12 shows its 16-bit USER0 word in a field that takes two typed digits.
    const Picture series12 = DrawChipEditor(1033, 12, "write_byte2_series12_en.png");
    Check(series12, u"Configuration options byte");
    for (const fw::ControlState& c : series12.controls) {
        if (c.id == IDC_OB2_USER5) {
            EXPECT_EQ(c.text.size(), 4u);
        }
    }
    Check(DrawChipEditor(2052, 7, "write_byte2_series7_zh.png"), u"配置选项字节");
}

TEST(OptionBytesPicture, SecurityChipItemEditor) {
    Check(DrawChipEditor(2052, 10, "write_byte4_series10_zh.png"), u"配置选项字节");
    Check(DrawChipEditor(1033, 10, "write_byte4_series10_en.png"), u"Configuration options byte");
}

// The block selector of a 2048 KB chip (blocks 16 to 31 disabled) with blocks 1 to 3 protected.
Picture DrawBlockSelector(uint32_t languageId, const std::string& file) {
    Picture picture;
    fw::qt::QtHost host;
    fw::InstallHost(&host);
    fw::SetResourceLanguage(static_cast<int>(languageId));
    CWriteByteDlg4 holder(nullptr, SecurityOptionMode::File);
    holder.m_wrpText = u"FFFFFFF0";
    SelectBlockDlg selector(&holder, 2048);
    picture = Draw(host, selector, nullptr, file);
    fw::InstallHost(nullptr);
    fw::SetResourceLanguage(fw::kLangChinese);
    return picture;
}

// Four bytes with the template's help lines (series 0), two with the 8-page lines (series 3), four of series 11.
TEST(OptionBytesPicture, WriteProtectionEditor) {
    const auto check = [](const Picture& p, const fw::Text& caption) {
        ASSERT_FALSE(p.image.isNull());
        EXPECT_EQ(p.caption, caption);
        ExpectNoVisibleControlsOverlap(p.controls);
    };
    check(DrawChipEditor(2052, 0, "write_protect_series0_zh.png", true), u"写保护");
    check(DrawChipEditor(1033, 0, "write_protect_series0_en.png", true), u"Write protection");
    check(DrawChipEditor(2052, 3, "write_protect_series3_zh.png", true), u"写保护");
    check(DrawChipEditor(1033, 11, "write_protect_series11_en.png", true), u"Write protection");
}

TEST(OptionBytesPicture, BlockSelector) {
    for (uint32_t language : {2052u, 1033u}) {
        const Picture p = DrawBlockSelector(language, language == 2052 ? "select_block_zh.png" : "select_block_en.png");
        ASSERT_FALSE(p.image.isNull());
        EXPECT_EQ(p.caption, language == 2052 ? u"写保护" : u"Write protection");
        ExpectNoVisibleControlsOverlap(p.controls);
    }
}

TEST(OptionBytesPicture, ProjectEditors) {
    Check(DrawProjectEditor(2052, 8, "write_byte_link_family8_zh.png"), u"配置选项字节");
    Check(DrawProjectEditor(1033, 8, "write_byte_link_family8_en.png"), u"Configuration options byte");
    Check(DrawProjectEditor(2052, 11, "write_byte_link2_family11_zh.png"), u"配置选项字节");
    Check(DrawProjectEditor(1033, 11, "write_byte_link2_family11_en.png"), u"Configuration options byte");
    Check(DrawProjectEditor(2052, 12, "write_byte_link2_family12_zh.png"), u"配置选项字节");
    Check(DrawProjectEditor(1033, 12, "write_byte_link2_family12_en.png"), u"Configuration options byte");
}

}  // namespace
