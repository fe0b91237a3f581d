// The window keeps a copy of the chip's option bytes, which a download of a project lays its bytes over. Every
// command that changes the chip's option bytes leaves that copy equal to what the chip holds.
#include <gtest/gtest.h>

#include "resources/ui/write_protect.h"
#include "tests/optionbytes/ConnectedChipFixture.h"

namespace {

class WindowOptionCopy : public ConnectedChipFixture {
protected:
    static std::vector<uint8_t> Copy(const CQXDownloadToolDlg& w) {
        return std::vector<uint8_t>(w.m_optionBytes.data, w.m_optionBytes.data + w.m_optionBytes.length);
    }
};

TEST_F(WindowOptionCopy, FollowsTheWriteProtectionEditorAndTheReadProtectionCommands) {
    CQXDownloadToolDlg& w = ConnectChip(9);
    ASSERT_EQ(Copy(w), Image());

    host.OnModal(IDD_WRITE_PROTECT, [](fw::Dialog& d) {
        EXPECT_TRUE(d.EnterText(IDC_WP_WRP2, u"F0"));
        EXPECT_TRUE(d.EnterText(IDC_WP_WRP3, u"0F"));
        d.Click(IDC_WP_OK);
    });
    host.ExpectBox(u"配置写保护成功，复位后生效！", fw::IDOK);
    w.SendCommand(ID_WRITE_PROTECTION);
    ASSERT_EQ(Image()[20], 0xF0);  // series 9 keeps WRP2 and WRP3 at bytes 20 and 22
    ASSERT_EQ(Image()[22], 0x0F);
    EXPECT_EQ(Copy(w), Image());

    for (int command : {ID_ENABLE_READ_PROTECTION_L1, ID_DISABLE_READ_PROTECTION_L1}) {
        SCOPED_TRACE(command);
        const std::vector<uint8_t> before = Image();
        w.SendCommand(command);
        ASSERT_NE(Image(), before);
        EXPECT_EQ(Copy(w), Image());
    }
}

}  // namespace
