// The security chip's files as the main window loads them, the firmware check against its information package,
// the secure-mode token and the external API loads on the simulated chip, and the external flash key.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "app/ChipDialogHooks.h"
#include "app/OptionItems.h"
#include "app/program/ProgramCommands.h"
#include "core/Aes.h"
#include "core/BuiltinKeys.h"
#include "core/Des.h"
#include "core/HexText.h"
#include "core/SecurityFiles.h"
#include "framework/Format.h"
#include "optionbytes/SecurityOptionDlg.h"
#include "resources/ui/security_options.h"
#include "tests/app/MainWindowFixture.h"

namespace {

using fw::Text;

std::string Bytes(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

std::vector<uint8_t> Pattern(size_t n, uint8_t seed) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = static_cast<uint8_t>(seed + i * 7);
    return v;
}

class SecurityChipFiles : public MainWindowFixture {
protected:
    // Loads the file through the Browse button of `button` (enabled here: which series and area enable it is the
    // control rules' concern).
    void Browse(int button, const std::string& name, const std::vector<uint8_t>& content) {
        dir.Write(name, Bytes(content));
        window->GetDlgItem(button).ShowWindow(fw::SW_SHOW);
        window->GetDlgItem(button).EnableWindow(true);
        host.ExpectOpenFile(dir.Wide(name));
        window->Click(button);
    }
};

TEST_F(SecurityChipFiles, InformationPackageSizesAndModeByte) {
    struct Row {
        size_t size;
        uint8_t mode;
        bool accepted;
        uint8_t infoPackMode;
        uint8_t writeOptionBytes;
    };
    const Row rows[] = {
        {48, 0x55, false, 0, 0},  {49, 0x55, true, 1, 0}, {122, 0xAA, true, 0, 1},
        {123, 0x55, false, 0, 0}, {60, 0x12, true, 2, 1},
    };
    CQXDownloadToolDlg& w = Start();
    for (const Row& r : rows) {
        SCOPED_TRACE(r.size);
        // What an earlier package left must survive a refusal.
        w.m_infoPackMode = 0;
        w.m_rek.fill(0xEE);
        w.m_writeOptionBytes = 0;
        w.m_optionTable.clear();
        std::vector<uint8_t> file = Pattern(r.size, 3);
        file[0] = r.mode;
        if (!r.accepted) host.ExpectBox(u"安全信息包长度不正确！", fw::IDOK);
        host.ClearRecords();
        Browse(IDC_BTN_BROWSE_INFO_PACKAGE, "pack.bin", file);
        EXPECT_EQ(w.m_infoPackMode, r.infoPackMode);
        EXPECT_EQ(w.m_writeOptionBytes, r.writeOptionBytes);
        if (r.accepted) {
            EXPECT_TRUE(LogHas(fw::Format(u"文件大小：%d byte", static_cast<int>(r.size))));
            EXPECT_TRUE(LogHas(u"安全信息包文件加载成功！"));
            EXPECT_TRUE(std::equal(w.m_infoPackNonce.begin(), w.m_infoPackNonce.end(), file.begin() + 1));
            EXPECT_TRUE(std::equal(w.m_rek.begin(), w.m_rek.end(), file.begin() + 17));
            EXPECT_TRUE(std::equal(w.m_idKey.begin(), w.m_idKey.end(), file.begin() + 33));
            EXPECT_EQ(w.m_optionTable, std::vector<uint8_t>(file.begin() + 49, file.end()));
            EXPECT_EQ(w.GetDlgItemText(IDC_EDIT_INFO_PACKAGE), dir.Wide("pack.bin"));
        } else {
            EXPECT_EQ(w.m_rek[0], 0xEE);
            EXPECT_TRUE(host.LogTexts().empty());
        }
    }
}

TEST_F(SecurityChipFiles, JtagKeyFileEncipheredByItsNameInEitherCase) {
    CQXDownloadToolDlg& w = Start();
    const uint8_t key[4] = {0x11, 0x22, 0x33, 0x44};
    const auto enc = MakeJtagKeyFile(key, true, kBuiltinAesKey);
    const auto plain = MakeJtagKeyFile(key, false, kBuiltinAesKey);
    ASSERT_NE(std::vector<uint8_t>(enc.begin(), enc.end()), std::vector<uint8_t>(plain.begin(), plain.end()));
    struct Row {
        const char* name;
        std::vector<uint8_t> content;
    };
    const Row rows[] = {{"key.ENC", {enc.begin(), enc.end()}},
                        {"key.enc", {enc.begin(), enc.end()}},
                        {"key.bin", {plain.begin(), plain.end()}}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        w.m_jtagKey = 0;
        Browse(IDC_BTN_BROWSE_JTAG_KEY, r.name, r.content);
        EXPECT_EQ(w.m_jtagKey, 0x44332211u);
        EXPECT_EQ(w.GetDlgItemText(IDC_EDIT_JTAG_KEY), dir.Wide(r.name));
    }
    host.ExpectBox(u"文件长度不正确！", fw::IDOK);
    Browse(IDC_BTN_BROWSE_JTAG_KEY, "short.bin", Pattern(15, 1));
    EXPECT_EQ(w.m_jtagKey, 0x44332211u);
}

TEST_F(SecurityChipFiles, SecurityModuleIsPaddedToSixteen) {
    CQXDownloadToolDlg& w = Start();
    Browse(IDC_BTN_BROWSE_SAFE_MODULE, "module.bin", Pattern(1000, 9));
    EXPECT_EQ(w.m_safeModuleSize, 1008u);
    ASSERT_EQ(w.m_safeModuleData.size(), 1008u);
    EXPECT_EQ(w.m_safeModuleData[999], Pattern(1000, 9)[999]);
    EXPECT_EQ(w.m_safeModuleData[1000], 0);
    EXPECT_TRUE(LogHas(u"文件大小：1008 byte"));
    EXPECT_TRUE(LogHas(u"安全模块文件加载成功！"));
}

// A firmware image and its package from the project's own security firmware maker, loaded as the window loads them.
class InfoPackageCheck : public SecurityChipFiles {
protected:
    static constexpr uint32_t kStart = 0x15010000;

    static SecurityInputs Inputs() {
        SecurityInputs in;
        in.nonce = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0, 0, 0, 0};
        in.rek.fill(0x5A);
        in.idKey.fill(0xC3);
        return in;
    }

    // bodyBytes: the maker pads to 16; a shorter tail checks the reader's bounds.
    void Load(bool bound, std::vector<uint8_t>* imageOut = nullptr, size_t bodyBytes = 0x333) {
        const SecurityInputs in = Inputs();
        std::vector<uint8_t> image = Pattern(0x100 + bodyBytes, 0x21);
        std::copy_n("FSVO", 4, image.begin());
        const uint32_t exec = kStart + 0x100;
        for (int i = 0; i < 4; ++i)
            image[0x50 + i] = static_cast<uint8_t>(exec >> (8 * i));
        ASSERT_EQ(BuildSecurityFirmwareImage(image, in, kStart, bound, 0x151DFFFF, kBuiltinAesKey),
                  FirmwareImageResult::Ok);
        const auto pack = EncodeSecurityInfoPack(in, bound, {}, kBuiltinAesKey);
        ASSERT_TRUE(pack.has_value());
        Browse(IDC_BTN_BROWSE_INFO_PACKAGE, "pack.bin", *pack);
        Place(image);
        if (imageOut) *imageOut = image;
    }
    void Place(const std::vector<uint8_t>& image) {
        DownloadItem& item = window->m_items[0];
        SetSegment(item, 0, image, static_cast<uint32_t>(image.size()));
        item.address[0] = kStart;
    }

    // A series-10 chip connected over USART, a bound firmware of the maker chosen for the security flash.
    CQXDownloadToolDlg& ConnectWithFirmware() {
        ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", Chip(10));
        CQXDownloadToolDlg& w = Start();
        w.Click(IDC_BTN_CONNECT);
        EXPECT_EQ(w.m_connected, 1);
        EXPECT_TRUE(w.Select(IDC_COMBO_DOWNLOAD_AREA, 3));
        std::vector<uint8_t> image;
        Load(true, &image, 0x340);
        dir.Write("firmware.bin", Bytes(image));
        host.ExpectOpenFile(dir.Wide("firmware.bin"));
        w.Click(IDC_BTN_BROWSE);
        return w;
    }

    // The firmware's package, bringing these option items, chosen; Download pressed; true once the job has ended.
    bool DownloadWithItems(CQXDownloadToolDlg& w, const std::vector<uint8_t>& options) {
        Browse(IDC_BTN_BROWSE_INFO_PACKAGE, "pack.bin",
               *EncodeSecurityInfoPack(Inputs(), true, options, kBuiltinAesKey));
        EXPECT_EQ(w.m_writeOptionBytes, 1);
        w.CheckDlgButton(IDC_CHECK_FIRMWARE_FILE, 1);
        w.SetDlgItemText(IDC_EDIT_START_ADDR, u"15010000");
        w.Click(IDC_BTN_DOWNLOAD);
        return host.PumpUntil([&] { return LogHas(u"设置REK和IDKey成功！") || LogHas(u"下载失败！"); },
                              std::chrono::seconds(30)) &&
               host.PumpUntil([&] { return g_channels[0].worker.load() == nullptr; }, std::chrono::seconds(10));
    }
};

TEST_F(InfoPackageCheck, MatchesOnlyTheFirmwareItWasMadeFor) {
    CQXDownloadToolDlg& w = Start();
    for (bool bound : {false, true}) {
        SCOPED_TRACE(bound);
        std::vector<uint8_t> image;
        Load(bound, &image);
        EXPECT_EQ(w.m_infoPackMode, bound ? 1 : 0);
        EXPECT_EQ(w.VerifyInfoPackage(), 1);
        for (size_t at : {size_t{0x40}, size_t{0x180}, image.size() - 1}) {
            std::vector<uint8_t> changed = image;
            changed[at] ^= 0x01;
            Place(changed);
            EXPECT_EQ(w.VerifyInfoPackage(), 0) << "byte " << at;
        }
        Place(image);
        w.m_items[0].address[0] = kStart + 0x10;  // the body counter follows the address
        EXPECT_EQ(w.VerifyInfoPackage(), 0);
    }
}

TEST_F(InfoPackageCheck, ImageShorterThanItsHeaderOrAbsentIsNoMatch) {
    CQXDownloadToolDlg& w = Start();
    Load(false);
    Place(std::vector<uint8_t>(0xFF, 0));
    EXPECT_EQ(w.VerifyInfoPackage(), 0);
    ClearSegments(w.m_items[0], 1);
    EXPECT_EQ(w.VerifyInfoPackage(), 0);
}

// The Download button's check asks the same question before a job starts.
TEST_F(InfoPackageCheck, DownloadCheckTakesOnlyAMatchingFirmware) {
    ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", Chip(10));
    CQXDownloadToolDlg& w = Start();
    w.Click(IDC_BTN_CONNECT);
    ASSERT_EQ(w.m_connected, 1);
    std::vector<uint8_t> image;
    Load(true, &image);
    w.m_downloadArea = 3;
    w.CheckDlgButton(IDC_CHECK_FIRMWARE_FILE, 1);
    w.CheckDlgButton(IDC_CHECK_SAFE_MODULE, 0);
    w.SetDlgItemText(IDC_EDIT_FILE, u"firmware.bin");
    w.SetDlgItemText(IDC_EDIT_START_ADDR, u"15010000");
    EXPECT_TRUE(w.CheckDownloadSettings());

    image[0x200] ^= 0x80;
    Place(image);
    host.ExpectBox(u"安全固件程序完整性校验不通过！", fw::IDOK);
    EXPECT_FALSE(w.CheckDownloadSettings());
}

// The whole road of a bound security firmware: the package's keys and its option items reach the chip.
TEST_F(InfoPackageCheck, DownloadSendsThePackagesKeysAndOptionItems) {
    CQXDownloadToolDlg& w = ConnectWithFirmware();
    OptionItemValue item;
    item.item = 4;
    item.length = 4;
    item.data = {0x15, 0x01, 0x20, 0x00};
    std::vector<uint8_t> options(9);
    ASSERT_TRUE(HexToBytes(OptionItemListEntry(item), options.data(), options.size()));
    const std::vector<uint8_t> optionsBefore = ovsim::OptionImage("/dev/ttyUSB0");
    ASSERT_TRUE(DownloadWithItems(w, options));
    const ovsim::ChipState chip = ovsim::State("/dev/ttyUSB0");
    EXPECT_EQ(chip.rek, w.m_rek);
    EXPECT_EQ(chip.idKey, w.m_idKey);
    EXPECT_TRUE(LogHas(u"配置选项字节成功，复位后生效！"));
    // Item 4 sits at bytes 9 to 12 of the image; nothing else of the job writes it.
    const std::vector<uint8_t> after = ovsim::OptionImage("/dev/ttyUSB0");
    ASSERT_GE(after.size(), 13u);
    EXPECT_NE(std::vector<uint8_t>(after.begin() + 9, after.begin() + 13),
              std::vector<uint8_t>(optionsBefore.begin() + 9, optionsBefore.begin() + 13));
    EXPECT_TRUE(std::is_permutation(after.begin() + 9, after.begin() + 13, item.data.begin()));
}

// The security firmware maker's item editor records the two area words most significant byte first; a download with
// that package must still give the chip the areas chosen there, as the chip's own item editor then shows them.
TEST_F(InfoPackageCheck, AreaItemsOfThePackageReachTheChipAsChosen) {
    RegisterProgramCommands();
    CQXDownloadToolDlg& w = ConnectWithFirmware();

    // What the maker's "option bytes" box runs: the item editor without a chip.
    host.OnModal(IDD_WRITE_BYTE4, [](fw::Dialog& d) {
        d.Tick(IDC_SO_SEC_BOX, true);
        d.EnterText(IDC_SO_SEC_BEGIN, u"0010");
        d.EnterText(IDC_SO_SEC_END, u"0020");
        d.Tick(IDC_SO_DMES, true);
        d.Tick(IDC_SO_PFOER_BOX, true);
        d.EnterText(IDC_SO_PFOER_BEGIN, u"0031");
        d.EnterText(IDC_SO_PFOER_END, u"0140");
        d.Tick(IDC_SO_DMEP, false);
        d.Click(IDC_SO_OK);
    });
    CWriteByteDlg4 maker(nullptr, SecurityOptionMode::File);
    ASSERT_EQ(maker.DoModal(), fw::IDOK);
    std::vector<uint8_t> options(maker.m_itemText.size() / 2);
    ASSERT_TRUE(HexToBytes(maker.m_itemText, options.data(), options.size()));
    ASSERT_TRUE(DownloadWithItems(w, options));
    ASSERT_TRUE(LogHas(u"配置选项字节成功，复位后生效！"));

    std::map<int, Text> shown;
    bool dmes = false, dmep = true;
    host.OnModal(IDD_WRITE_BYTE4, [&](fw::Dialog& d) {
        for (int id : {IDC_SO_SEC_BEGIN, IDC_SO_SEC_END, IDC_SO_PFOER_BEGIN, IDC_SO_PFOER_END})
            shown[id] = d.GetDlgItemText(id);
        dmes = d.IsDlgButtonChecked(IDC_SO_DMES) != 0;
        dmep = d.IsDlgButtonChecked(IDC_SO_DMEP) != 0;
        d.Click(fw::IDCANCEL);
    });
    ASSERT_TRUE(w.ChooseMenu(ID_OPTIONS_BYTES));
    EXPECT_EQ(shown[IDC_SO_SEC_BEGIN], u"0010");
    EXPECT_EQ(shown[IDC_SO_SEC_END], u"0020");
    EXPECT_TRUE(dmes);
    EXPECT_EQ(shown[IDC_SO_PFOER_BEGIN], u"0031");
    EXPECT_EQ(shown[IDC_SO_PFOER_END], u"0140");
    EXPECT_FALSE(dmep);
}

class SecurityChipCommands : public MainWindowFixture {
protected:
    void TearDown() override {
        SetExternalFlashKeyAsker({});
        MainWindowFixture::TearDown();
    }
    CQXDownloadToolDlg& Connect(uint8_t series) {
        ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", Chip(series));
        CQXDownloadToolDlg& w = Start();
        w.Click(IDC_BTN_CONNECT);
        EXPECT_EQ(w.m_connected, 1);
        return w;
    }
    // The requests the program sent with OV_CMD_SEND_COMMAND, by their first byte.
    static std::vector<ovsim::CallRecord> Calls(ovsim::Fn fn) {
        std::vector<ovsim::CallRecord> out;
        for (const auto& c : ovsim::CallLog())
            if (c.fn == fn) out.push_back(c);
        return out;
    }
};

TEST_F(SecurityChipCommands, SecureModeTokenIsAcceptedByTheChipAndAWrongOneIsNot) {
    CQXDownloadToolDlg& w = Connect(10);
    ASSERT_EQ(w.m_ucid.size(), 32u);
    uint8_t token[32] = {};
    ASSERT_EQ(w.MakeSecureModeToken(token), CMD_STATUS_OK);
    EXPECT_EQ(OV_CMD_SET_SECURE_MODE(w.m_hDevice, 1, token), CMD_STATUS_OK);
    EXPECT_EQ(ovsim::State("/dev/ttyUSB0").secureMode, 1);

    ASSERT_EQ(w.MakeSecureModeToken(token), CMD_STATUS_OK);
    token[31] ^= 1;
    EXPECT_NE(OV_CMD_SET_SECURE_MODE(w.m_hDevice, 0, token), CMD_STATUS_OK);
    EXPECT_EQ(ovsim::State("/dev/ttyUSB0").secureMode, 1);

    // A UCID longer than 16 bytes is cut there, so the token still matches the chip's.
    w.m_ucid += u"FFFF";
    ASSERT_EQ(w.MakeSecureModeToken(token), CMD_STATUS_OK);
    EXPECT_EQ(OV_CMD_SET_SECURE_MODE(w.m_hDevice, 0, token), CMD_STATUS_OK);

    ovsim::InjectStatus(ovsim::Fn::SendCommand, 1, 0xB123);
    host.ClearRecords();
    EXPECT_EQ(w.MakeSecureModeToken(token), 0xB123u);
    EXPECT_EQ(host.LogTexts(), std::vector<Text>{u"获取随机数失败！"});
}

TEST_F(SecurityChipCommands, LoadExternalApiWithAndWithoutAuthentication) {
    CQXDownloadToolDlg& w = Connect(8);
    // Without USER3 authentication: no challenge, the command alone, its challenge field all zero (the chip takes
    // nothing else).
    ovsim::ClearCallLog();
    w.SendCommand(ID_LOAD_API_FROM_NVR);
    EXPECT_TRUE(LogHas(u"从NVR装载到CCM SRAM成功！"));
    EXPECT_EQ(Calls(ovsim::Fn::SendCommand).size(), 1u);
    EXPECT_EQ(ovsim::State("/dev/ttyUSB0").apiSource, 1);

    // USER3 authenticated on the chip and as the window read it.
    UserPartitionRecord user3{1, 2, 4, 3, 0x10};
    ASSERT_EQ(OV_CMD_USERX_OP(w.m_hDevice, &user3), CMD_STATUS_OK);
    ASSERT_TRUE(w.ReadPartitions(w.m_partitions, nullptr));
    ASSERT_EQ(w.m_partitions[2].flags >> 4, 1);

    // No key known: refused before the chip is asked.
    host.ClearRecords();
    ovsim::ClearCallLog();
    w.m_extFlashKey.clear();
    w.SendCommand(ID_LOAD_API_FROM_OPT);
    EXPECT_TRUE(LogHas(u"外设FLASH加密密钥不正确，请先设置外设Flash密钥！"));
    EXPECT_TRUE(Calls(ovsim::Fn::SendCommand).empty());

    // The key set on the chip through the external flash key command, then the challenge proves it.
    const Text key = u"00112233445566778899AABBCCDDEEFF";
    SetExternalFlashKeyAsker([&](CQXDownloadToolDlg&) { return std::optional<Text>(key); });
    w.SendCommand(ID_UPDATE_EXTERNAL_FLASH_KEY);
    ASSERT_TRUE(LogHas(u"设置外设FLash加密密钥成功！"));
    host.ClearRecords();
    ovsim::ClearCallLog();
    w.SendCommand(ID_LOAD_API_FROM_OPT);
    EXPECT_TRUE(LogHas(u"从Option Byte装载到CCM SRAM成功！"));
    EXPECT_EQ(Calls(ovsim::Fn::SendCommand).size(), 2u);
    EXPECT_EQ(ovsim::State("/dev/ttyUSB0").apiSource, 2);

    // A key the chip does not hold: the chip refuses, the status and the failure line are red.
    w.m_extFlashKey = u"FF112233445566778899AABBCCDDEEFF";
    host.ClearRecords();
    w.SendCommand(ID_LOAD_API_AUTOLOAD);
    const auto lines = host.LogLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].text, u"自动装载API失败！");
    for (const auto& l : lines)
        EXPECT_EQ(l.color, fw::Rgb(0xDC, 0, 0));
    EXPECT_EQ(ovsim::State("/dev/ttyUSB0").apiSource, 2);

    // The challenge itself failing.
    ovsim::InjectStatus(ovsim::Fn::SendCommand, 1, 0xB123);
    host.ClearRecords();
    EXPECT_EQ(w.LoadApiAutoload(), 0);
    EXPECT_TRUE(LogHas(u"获取随机数失败！"));
}

TEST_F(SecurityChipCommands, ExternalFlashKeyIsKeptOnlyWhenTheChipTookIt) {
    CQXDownloadToolDlg& w = Connect(8);
    const Text key = u"00112233445566778899AABBCCDDEEFF";
    SetExternalFlashKeyAsker([&](CQXDownloadToolDlg&) { return std::optional<Text>(key); });
    w.m_extFlashKey.clear();
    ovsim::InjectStatus(ovsim::Fn::ExtKeyCfg, 1, 0xB123);
    w.SendCommand(ID_UPDATE_EXTERNAL_FLASH_KEY);
    EXPECT_TRUE(LogHas(u"设置外设FLash加密密钥失败！"));
    EXPECT_TRUE(w.m_extFlashKey.empty());
    EXPECT_EQ(w.m_extFlashKeyBytes, (std::array<uint8_t, 16>{}));
    EXPECT_TRUE(fw::GetProfileString(u"Settings", u"ExtFlashKey").empty());

    w.SendCommand(ID_UPDATE_EXTERNAL_FLASH_KEY);
    EXPECT_TRUE(LogHas(u"设置外设FLash加密密钥成功！"));
    EXPECT_EQ(w.m_extFlashKey, key);
    EXPECT_EQ(w.m_extFlashKeyBytes[15], 0xFF);
    EXPECT_EQ(DesDecryptHexWhole(fw::GetProfileString(u"Settings", u"ExtFlashKey"), g_strProfileKeyCipherKey), key);
    EXPECT_EQ(ovsim::State("/dev/ttyUSB0").extFlashKey[1], 0x11);

    // Cancelled: nothing reaches the chip.
    SetExternalFlashKeyAsker([](CQXDownloadToolDlg&) { return std::optional<Text>(); });
    ovsim::ClearCallLog();
    w.SendCommand(ID_UPDATE_EXTERNAL_FLASH_KEY);
    EXPECT_TRUE(Calls(ovsim::Fn::ExtKeyCfg).empty());
}

// Choosing the enciphered external-flash option without a known key asks for one; without a device only the box.
TEST_F(SecurityChipCommands, EncipheredExternalFlashOptionAsksForTheKeyOnce) {
    CQXDownloadToolDlg& w = Connect(8);
    int asked = 0;
    const Text key = u"00112233445566778899AABBCCDDEEFF";
    SetExternalFlashKeyAsker([&](CQXDownloadToolDlg&) {
        ++asked;
        return std::optional<Text>(key);
    });
    w.m_extFlashKey.clear();
    w.m_downloadArea = 4;
    fw::Control option = w.GetDlgItem(IDC_COMBO_ENC_OPTION);
    option.ResetContent();
    option.AddString(u"不加密");
    option.AddString(u"加密");
    option.ShowWindow(fw::SW_SHOW);
    option.EnableWindow(true);
    ASSERT_TRUE(w.Select(IDC_COMBO_ENC_OPTION, 1));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(w.m_extFlashKey, key);
    EXPECT_EQ(ovsim::State("/dev/ttyUSB0").extFlashKey[15], 0xFF);
    ASSERT_TRUE(w.Select(IDC_COMBO_ENC_OPTION, 0));
    ASSERT_TRUE(w.Select(IDC_COMBO_ENC_OPTION, 1));
    EXPECT_EQ(asked, 1) << "a known key is not asked for again";

    w.Click(IDC_BTN_CONNECT);
    ASSERT_EQ(w.m_connected, 0);
    w.m_extFlashKey.clear();
    ASSERT_TRUE(w.Select(IDC_COMBO_ENC_OPTION, 0));
    host.ExpectBox(u"请先连接设备！", fw::IDOK);
    ASSERT_TRUE(w.Select(IDC_COMBO_ENC_OPTION, 1));
    EXPECT_EQ(asked, 1);
}

}  // namespace
