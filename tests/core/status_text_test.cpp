#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <set>
#include <thread>

#include "core/StatusText.h"
#include "core/Translation.h"
#include "devicelib/OvMcuCmdDll.h"
#include "framework/Format.h"
#include "tests/core/LanguageFixture.h"

namespace {

using qx::testing::LanguageFixture;

class StatusCodeText : public LanguageFixture {};

constexpr char16_t kUnknown[] = u"未知错误！";

TEST_F(StatusCodeText, RangeBoundariesAndGaps) {
    struct Case {
        int32_t code;
        const char16_t* text;
    };
    const Case cases[] = {
        {INT32_MIN, kUnknown},
        {-1, kUnknown},
        {0, kUnknown},
        {1, u"指令错误！"},
        {9, u"项目仅能加载一次，不能再次加载！"},
        {20, u"CRC值计算错误！"},
        {28, u"文件数据传输超时！"},
        {29, kUnknown},
        {0xA000, kUnknown},  // success is no failure text
        {0xAFFF, kUnknown},
        {0xB000, u"B000:命令接受格式错误或者超时等！"},
        {0xB009, u"B009:未知错误！"},
        {0xB00A, kUnknown},
        {0xB00F, kUnknown},
        {0xB010, u"B010:密钥索引ID范围错误！"},
        {0xB011, u"B011:新密钥CRC校验错误"},
        {0xB012, kUnknown},
        {0xB01F, kUnknown},
        {0xB020, u"B020:密钥认证失败"},
        {0xB021, u"B021:密钥认证失败次数超过限制！"},
        {0xB022, u"B022:密钥认证失败次数超过限制！"},
        {0xB023, kUnknown},
        {0xB02F, kUnknown},
        {0xB030, u"B030:擦除/下载FLASH页被RDP保护"},
        {0xB03F, u"B03F:更新管理信息失败！"},
        {0xB044, u"B044:OTP编程失败！"},
        {0xB045, kUnknown},
        {0xBBCB, kUnknown},
        {0xBBCC, u"BBCC:上层发送命令一级、二级命令字段不属于任何命令！"},
        {0xBBCD, kUnknown},
        {0xDFFF, kUnknown},
        {0xE001, kUnknown},
        {INT32_MAX, kUnknown},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StatusCodeToText(c.code), c.text) << std::hex << c.code;
    }
}

TEST_F(StatusCodeText, EveryBootLoaderTextStartsWithItsOwnCode) {
    int known = 0;
    for (int32_t code = 0xA000; code <= 0xBFFF; ++code) {
        if (code == static_cast<int32_t>(CMD_STATUS_LAST_ERROR)) continue;
        const fw::Text text = StatusCodeToText(code);
        if (text == kUnknown) continue;
        ++known;
        EXPECT_EQ(fw::Left(text, 5), fw::Format(u"%04X:", code)) << fw::TextToUtf8(text);
    }
    EXPECT_EQ(known, 10 + 2 + 3 + 21 + 1);  // B000-B009, B010-B011, B020-B022, B030-B044, BBCC
}

TEST_F(StatusCodeText, EveryDownloaderCodeHasItsOwnText) {
    std::set<fw::Text> texts;
    for (int32_t code = 1; code <= 28; ++code) {
        const fw::Text text = StatusCodeToText(code);
        EXPECT_NE(text, kUnknown) << code;
        texts.insert(text);
    }
    EXPECT_EQ(texts.size(), 28u);
}

// Code by code: a text moved to its neighbour's code would pass the test above.
TEST_F(StatusCodeText, DownloaderCodesOneToTwentyEight) {
    const char16_t* const kTexts[28] = {
        u"指令错误！",         u"指令参数错误！",     u"指令校验出错！",
        u"旧密钥认证错误！",   u"保存参数出错！",     u"项目已存在！",
        u"项目不存在！",       u"项目序列号错误！",   u"项目仅能加载一次，不能再次加载！",
        u"项目校验失败！",     u"项目数据写入失败！", u"项目已满！",
        u"项目文件校验失败！", u"文件存储区不够！",   u"文件存储区已满！",
        u"下载算法传输错误！", u"芯片擦除失败！",     u"下载文件传输错误！",
        u"哈希值计算错误！",   u"CRC值计算错误！",    u"算法数据传输错误！",
        u"算法数据存储错误！", u"算法数据校验错误！", u"算法数据接收超时！",
        u"文件数据传输错误！", u"文件数据存储错误！", u"文件数据校验错误！",
        u"文件数据传输超时！",
    };
    for (int32_t code = 1; code <= 28; ++code) {
        EXPECT_EQ(StatusCodeToText(code), kTexts[code - 1]) << code;
    }
}

TEST_F(StatusCodeText, TextsPassThroughTranslation) {
    WriteLanguageIni("en.ini",
                     "B002:参数错误！=B002: Parameter error!\n"
                     "未知错误！=Unknown error!\n"
                     "项目已满！=The project store is full!\n");
    SetLanguageFile(1);
    EXPECT_EQ(StatusCodeToText(0xB002), u"B002: Parameter error!");
    EXPECT_EQ(StatusCodeToText(12), u"The project store is full!");
    EXPECT_EQ(StatusCodeToText(0xA000), u"Unknown error!");
}

// The last-error text belongs to the thread that made the failing call, so each case runs on a thread of its own.
fw::Text LastErrorTextAfter(void (*failingCall)()) {
    fw::Text text;
    std::thread([&] {
        failingCall();
        text = StatusCodeToText(static_cast<int32_t>(CMD_STATUS_LAST_ERROR));
    }).join();
    return text;
}

void NoCall() {}
void DisconnectWithoutHandle() { OV_CMD_DISCONNECT_DEV(nullptr); }
void DisconnectUnknownHandle() {
    DeviceHandle handle = 0;
    OV_CMD_DISCONNECT_DEV(&handle);
}

TEST_F(StatusCodeText, LastErrorComesFromTheDeviceLibrary) {
    EXPECT_EQ(LastErrorTextAfter(NoCall), u"没有响应数据！") << "no last error yet: null";
    EXPECT_EQ(LastErrorTextAfter(DisconnectWithoutHandle), u"参数错误！");
    EXPECT_EQ(LastErrorTextAfter(DisconnectUnknownHandle), u"设备未连接！");
}

TEST_F(StatusCodeText, LastErrorIsTranslatedWhenTheLanguageFileKnowsIt) {
    WriteLanguageIni("en.ini",
                     "参数错误！=Parameter error!\n"
                     "设备未连接！=\n"
                     "没有响应数据！=No response data!\n");
    SetLanguageFile(1);
    EXPECT_EQ(LastErrorTextAfter(NoCall), u"No response data!");
    EXPECT_EQ(LastErrorTextAfter(DisconnectWithoutHandle), u"Parameter error!");
    EXPECT_EQ(LastErrorTextAfter(DisconnectUnknownHandle), u"No response data!") << "an empty translation";

    WriteLanguageIni("en.ini", "没有响应数据！=No response data!\n");
    EXPECT_EQ(LastErrorTextAfter(DisconnectWithoutHandle), u"参数错误！") << "unknown to the file: unchanged";
}

}  // namespace
