// The project setup and serial-number dialogs over the program-wide offline settings: what each stores on OK, what
// each refuses (the dialog stays open and the settings stay as they were), and a read-only project's view.
#include <gtest/gtest.h>

#include <functional>

#include "core/HexText.h"
#include "framework/Resources.h"
#include "framework/host/headless/HeadlessHost.h"
#include "offline/OfflineProjectSettings.h"
#include "offline/ProjectFileCFGDlg.h"
#include "offline/WriteSNDlg.h"

namespace {

using fw::Text;

class SerialNumberDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        fw::SetResourceLanguage(fw::kLangChinese);
        ProjectSettings() = OfflineProjectSettings{};
    }
    void TearDown() override { ProjectSettings() = OfflineProjectSettings{}; }

    template <class D>
    int Run(int templateId, const std::function<void(fw::Dialog&)>& script) {
        host.OnModal(templateId, script);
        D dialog;
        return dialog.DoModal();
    }
    // The script's last step, for a dialog that is still open after a refusal.
    static void CancelIfOpen(fw::Dialog& d) { d.EndDialog(fw::IDCANCEL); }

    OfflineProjectSettings& settings = ProjectSettings();
    fw::HeadlessHost host;
};

TEST_F(SerialNumberDialogs, ProjectSetupStoresTheBindingAndTheOnceOnlyChoice) {
    struct Row {
        const char* name;
        bool bind, once;
        Text serial;
        Text storedSerial;  // what downloaderSn holds afterwards, from all 0xFF before
    };
    const Row rows[] = {
        {"whole number, lower case", true, false, u"00112233445566778899aabbccddeeff",
         u"00112233445566778899AABBCCDDEEFF"},
        {"short number over the start", true, true, u"A1b2", u"A1B2FFFFFFFFFFFFFFFFFFFFFFFFFFFF"},
        {"neither box", false, false, u"", u"FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"},
        {"once only", false, true, u"", u"FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        settings = OfflineProjectSettings{};
        settings.bindToDownloader = 1;  // left by the previous build
        settings.onceOnly = 1;
        const int result = Run<CProjectFileCFGDlg>(IDD_PROJECT_FILE_CFG, [&](fw::Dialog& d) {
            EXPECT_EQ(d.IsDlgButtonChecked(IDC_PROJCFG_BIND), 0);
            EXPECT_EQ(d.IsDlgButtonChecked(IDC_PROJCFG_ONCE), 0);
            EXPECT_FALSE(d.GetDlgItem(IDC_PROJCFG_SERIAL).IsWindowEnabled());
            d.Tick(IDC_PROJCFG_BIND, row.bind);
            EXPECT_EQ(d.GetDlgItem(IDC_PROJCFG_SERIAL).IsWindowEnabled(), row.bind);
            if (row.bind) {
                EXPECT_TRUE(d.EnterText(IDC_PROJCFG_SERIAL, row.serial));
            }
            d.Tick(IDC_PROJCFG_ONCE, row.once);
            d.Click(IDC_PROJCFG_OK);
        });
        EXPECT_EQ(result, fw::IDOK);
        EXPECT_EQ(settings.bindToDownloader, row.bind ? 1u : 0u);
        EXPECT_EQ(settings.onceOnly, row.once ? 1u : 0u);
        EXPECT_EQ(BytesToHex(settings.downloaderSn), row.storedSerial);
    }
}

TEST_F(SerialNumberDialogs, ProjectSetupRefusesASerialNumberThatIsNotSixteenBytesOfHex) {
    struct Row {
        Text serial, message;
    };
    const Row rows[] = {
        {u"", u"序列号不能为空！"},
        {u"0011G2", u"旧密钥必须是十六进制数！"},
        {u"00 11", u"旧密钥必须是十六进制数！"},
        // Longer than the field, or half a byte at the end: neither can be the downloader's number.
        {u"00112233445566778899AABBCCDDEEFF00", u"序列号不能超过16字节！"},
        {u"00112", u"序列号必须是成对的十六进制字符！"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(fw::TextToUtf8(row.message) + " " + fw::TextToUtf8(row.serial));
        const int result = Run<CProjectFileCFGDlg>(IDD_PROJECT_FILE_CFG, [&](fw::Dialog& d) {
            d.Tick(IDC_PROJCFG_BIND, true);
            d.Tick(IDC_PROJCFG_ONCE, true);
            d.EnterText(IDC_PROJCFG_SERIAL, row.serial);
            host.ExpectBox(row.message, fw::IDOK);
            d.Click(IDC_PROJCFG_OK);
            CancelIfOpen(d);
        });
        EXPECT_EQ(result, fw::IDCANCEL);
        EXPECT_EQ(settings.bindToDownloader, 0u);
        EXPECT_EQ(settings.onceOnly, 0u);
        EXPECT_EQ(settings.downloaderSn, OfflineProjectSettings{}.downloaderSn);
    }
}

TEST_F(SerialNumberDialogs, WriteSnStoresTheThreeNumbersAndTheDeviceChoice) {
    settings.snEditable = 1;
    settings.snAddress = 0x0800F000;
    settings.snInitial = 0xA;
    settings.snStep = 0x10;
    host.ExpectBox(u"序列号(SN)已确认！", fw::IDOK);
    const int result = Run<CWriteSNDlg>(IDD_WRITE_SN, [](fw::Dialog& d) {
        EXPECT_EQ(d.GetDlgItemText(IDC_WRITESN_ADDRESS), u"0800F000");
        EXPECT_EQ(d.GetDlgItemText(IDC_WRITESN_INITIAL), u"0000000A");
        EXPECT_EQ(d.GetDlgItemText(IDC_WRITESN_STEP), u"00000010");
        EXPECT_EQ(d.IsDlgButtonChecked(IDC_WRITESN_USE_DEVICE), 0);
        d.EnterText(IDC_WRITESN_ADDRESS, u"1FFFf800");
        d.EnterText(IDC_WRITESN_INITIAL, u"1");
        d.EnterText(IDC_WRITESN_STEP, u"1");
        d.Tick(IDC_WRITESN_USE_DEVICE, true);
        d.Click(IDC_WRITESN_OK);
    });
    EXPECT_EQ(result, fw::IDOK);
    EXPECT_EQ(settings.snAddress, 0x1FFFF800u);
    EXPECT_EQ(settings.snInitial, 1u);
    EXPECT_EQ(settings.snStep, 1u);
    EXPECT_EQ(settings.snUseDevice, 2);
}

TEST_F(SerialNumberDialogs, WriteSnStoresTheNumberItShows) {
    // Nine digits do not fit 32 bits; the edit takes eight, and what it shows is what is stored.
    settings.snEditable = 1;
    settings.snUseDevice = 2;
    host.ExpectBox(u"序列号(SN)已确认！", fw::IDOK);
    Run<CWriteSNDlg>(IDD_WRITE_SN, [](fw::Dialog& d) {
        EXPECT_EQ(d.IsDlgButtonChecked(IDC_WRITESN_USE_DEVICE), 1);
        d.EnterText(IDC_WRITESN_INITIAL, u"123456789");
        EXPECT_EQ(d.GetDlgItemText(IDC_WRITESN_INITIAL), u"12345678");
        d.Tick(IDC_WRITESN_USE_DEVICE, false);
        d.Click(IDC_WRITESN_OK);
    });
    EXPECT_EQ(settings.snInitial, 0x12345678u);
    EXPECT_EQ(settings.snUseDevice, 0);
}

TEST_F(SerialNumberDialogs, WriteSnRefusesAnEmptyOrNonHexEntryAndStoresNothing) {
    struct Row {
        int id;
        Text typed, message;
    };
    const Row rows[] = {
        {IDC_WRITESN_ADDRESS, u"", u"序列号(SN)烧写地址不能为空！"},
        {IDC_WRITESN_ADDRESS, u"0x100", u"序列号(SN)烧写地址必须为十六进制字符！"},
        {IDC_WRITESN_INITIAL, u"", u"序列号(SN)初始值不能为空！"},
        {IDC_WRITESN_INITIAL, u"12 4", u"序列号(SN)初始值必须为十六进制字符！"},
        {IDC_WRITESN_STEP, u"", u"序列号(SN)步进值不能为空！"},
        {IDC_WRITESN_STEP, u"G", u"序列号(SN)步进值必须为十六进制字符！"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(fw::TextToUtf8(row.message));
        settings = OfflineProjectSettings{};
        settings.snEditable = 1;
        const int result = Run<CWriteSNDlg>(IDD_WRITE_SN, [&](fw::Dialog& d) {
            d.EnterText(IDC_WRITESN_ADDRESS, u"20000000");
            d.EnterText(IDC_WRITESN_INITIAL, u"5");
            d.EnterText(IDC_WRITESN_STEP, u"2");
            d.Tick(IDC_WRITESN_USE_DEVICE, true);
            d.EnterText(row.id, row.typed);
            host.ExpectBox(row.message, fw::IDOK);
            d.Click(IDC_WRITESN_OK);
            CancelIfOpen(d);
        });
        EXPECT_EQ(result, fw::IDCANCEL);
        // An entry accepted before the refused one is not stored either.
        EXPECT_EQ(settings.snAddress, 0u);
        EXPECT_EQ(settings.snInitial, 0u);
        EXPECT_EQ(settings.snUseDevice, 0);
    }
}

TEST_F(SerialNumberDialogs, WriteSnOfAReadOnlyProjectOnlyShowsIt) {
    settings.snEditable = 0;
    settings.snAddress = 0x08001000;
    settings.snInitial = 0xFFFFFFFF;
    settings.snStep = 3;
    settings.snUseDevice = 2;
    const int result = Run<CWriteSNDlg>(IDD_WRITE_SN, [](fw::Dialog& d) {
        EXPECT_EQ(d.GetDlgItemText(IDC_WRITESN_ADDRESS), u"08001000");
        EXPECT_EQ(d.GetDlgItemText(IDC_WRITESN_INITIAL), u"FFFFFFFF");
        EXPECT_EQ(d.GetDlgItemText(IDC_WRITESN_STEP), u"00000003");
        EXPECT_EQ(d.IsDlgButtonChecked(IDC_WRITESN_USE_DEVICE), 1);
        for (int id : {IDC_WRITESN_ADDRESS, IDC_WRITESN_INITIAL, IDC_WRITESN_STEP, IDC_WRITESN_USE_DEVICE})
            EXPECT_FALSE(d.GetDlgItem(id).IsWindowEnabled()) << id;
        d.Click(IDC_WRITESN_OK);  // closes without a box
    });
    EXPECT_EQ(result, fw::IDOK);
    EXPECT_EQ(settings.snAddress, 0x08001000u);
    EXPECT_EQ(settings.snUseDevice, 2);
}

}  // namespace
