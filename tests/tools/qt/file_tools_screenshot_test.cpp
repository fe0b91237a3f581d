// The file tools' dialogs drawn by the Qt host, offscreen, in both languages: one picture each under the build
// folder, and the checks a person would make looking at them (nothing overlaps, nothing left in Chinese in the
// English pictures).
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <filesystem>
#include <functional>
#include <memory>

#include "core/Translation.h"
#include "framework/Files.h"
#include "framework/Resources.h"
#include "framework/host/qt/QtHost.h"
#include "tests/framework/TempFolder.h"
#include "tests/framework/host/qt/QtTestApp.h"
#include "tools/Bin2HexFileDlg.h"
#include "tools/CreateKeyDlg.h"
#include "tools/EnFileDlg.h"
#include "tools/MakeEnFileDlg.h"
#include "tools/MakeSecurityFirmwareDlg.h"
#include "tools/McuSelectDlg.h"

namespace {

bool Overlap(const fw::Rect& a, const fw::Rect& b) {
    return a.x < b.Right() && b.x < a.Right() && a.y < b.Bottom() && b.y < a.Bottom();
}

bool HasCjk(const fw::Text& text) {
    return std::any_of(text.begin(), text.end(), [](char16_t c) { return c >= 0x2E80; });
}

int RandomStub(unsigned char* out, unsigned len) {
    std::fill(out, out + len, 0);
    return 0;
}

struct Shot {
    const char* name;
    std::function<std::unique_ptr<fw::Dialog>()> make;
};

void DrawAndCheck(const Shot& shot, int language) {
    SCOPED_TRACE(shot.name);
    fw::testing::TempFolder dir;
    const fw::Text previous = fw::GetWorkingDirectory();
    fw::SetWorkingDirectory(dir.Wide());
    // The chip chooser reads the series table when it opens; without one it would stop on its message.
    dir.Write("Series CFG Table.ini", "CLASS=VK51X\nCHIPMARK=VK5101\nPAGESIZE=0x800\nCLASS=VK26X\nCHIPMARK=VK2601\n");
    // Texts the dialogs translate as they open come from the built language files.
    std::filesystem::copy(std::filesystem::path(QX_BINARY_DIR) / "workdir" / "Languages", dir.Path() / "Languages");
    g_bCatalogTranslation = 0;
    SetLanguageFile(language == fw::kLangEnglish ? 1 : 0);
    {
        fw::qt::QtHost host;
        fw::InstallHost(&host);
        fw::SetResourceLanguage(language);
        {
            std::unique_ptr<fw::Dialog> dlg = shot.make();
            ASSERT_TRUE(dlg->Create());
            dlg->ShowWindow(fw::SW_SHOW);
            host.ApplyPendingChanges();
            QApplication::processEvents();
            const QString path = fw::qt::testing::PictureFolder() + "/" + shot.name +
                                 (language == fw::kLangEnglish ? "_en.png" : "_zh.png");
            EXPECT_TRUE(host.SaveWindowPng(dlg->Handle(), path));
            const QImage image(path);
            EXPECT_FALSE(image.isNull());
            std::vector<const fw::ControlState*> shown;
            const std::vector<fw::ControlState> controls = dlg->Controls();
            for (const auto& c : controls) {
                if (language == fw::kLangEnglish) {
                    EXPECT_FALSE(HasCjk(c.text)) << c.id;
                }
                if (c.visible && c.kind != fw::ControlKind::GroupBox && c.kind != fw::ControlKind::Frame) {
                    shown.push_back(&c);
                }
            }
            if (language == fw::kLangEnglish) {
                EXPECT_FALSE(HasCjk(dlg->GetWindowText()));
            }
            for (size_t i = 0; i < shown.size(); ++i) {
                for (size_t j = i + 1; j < shown.size(); ++j) {
                    fw::Rect a = shown[i]->rect, b = shown[j]->rect;
                    if (shown[i]->kind == fw::ControlKind::ComboBox) a.height = std::min(a.height, 26);
                    if (shown[j]->kind == fw::ControlKind::ComboBox) b.height = std::min(b.height, 26);
                    EXPECT_FALSE(Overlap(a, b)) << shown[i]->id << " and " << shown[j]->id;
                }
            }
        }
        fw::InstallHost(nullptr);
    }
    fw::SetResourceLanguage(fw::kLangChinese);
    g_strLanguageIniPath.clear();
    fw::SetWorkingDirectory(previous);
}

const std::vector<fw::Text>& KeyTable() {
    static const std::vector<fw::Text> table(32, fw::Text(32, u'0'));
    return table;
}

const Shot kShots[] = {
    {"enc_file_page",
     [] {
         auto d = std::make_unique<CEnFileDlg>();
         d->m_initialKeyText = u"0123456789ABCDEF0123456789ABCDEF";
         return std::unique_ptr<fw::Dialog>(std::move(d));
     }},
    {"mcu_select", [] { return std::unique_ptr<fw::Dialog>(std::make_unique<CMCUSelectDlg>()); }},
    {"make_en_file",
     [] { return std::unique_ptr<fw::Dialog>(std::make_unique<CMakeEnFileDlg>(nullptr, 0, KeyTable())); }},
    {"create_key",
     [] {
         auto d = std::make_unique<CCreateKeyDlg>(nullptr, Key16{});
         d->m_bindRandom = [] { return &RandomStub; };
         return std::unique_ptr<fw::Dialog>(std::move(d));
     }},
    {"make_security_firmware",
     [] {
         return std::unique_ptr<fw::Dialog>(std::make_unique<CMakeSecurityFirmwareDlg>(
             nullptr, SecurityFirmwareSettings{0, fw::GetWorkingDirectory(), {}, 0x151DFFFF}));
     }},
    {"make_security_module",
     [] {
         return std::unique_ptr<fw::Dialog>(std::make_unique<CMakeSecurityFirmwareDlg>(
             nullptr, SecurityFirmwareSettings{1, fw::GetWorkingDirectory(), {}, 0x151DFFFF}));
     }},
    {"bin2hex_file", [] { return std::unique_ptr<fw::Dialog>(std::make_unique<CBin2HexFileDlg>()); }},
};

TEST(FileToolPictures, Chinese) {
    for (const Shot& shot : kShots)
        DrawAndCheck(shot, fw::kLangChinese);
}

TEST(FileToolPictures, English) {
    for (const Shot& shot : kShots)
        DrawAndCheck(shot, fw::kLangEnglish);
}

}  // namespace
