#include "core/StatusText.h"

#include "core/Translation.h"
#include "devicelib/OvMcuCmdDll.h"

namespace {

// The library's own failure, in the words it chose; they may have a translation of their own.
fw::Text LastErrorText() {
    const char16_t* lastError = GET_LAST_ERROR();
    fw::Text translated = TranslateText(lastError != nullptr ? fw::Text(lastError) : fw::Text());
    if (translated.empty()) return TranslateText(u"没有响应数据！");
    return translated;
}

}  // namespace

// Every text is a TranslateText call of its own so that the catalog extraction sees each of them.
fw::Text StatusCodeToText(int32_t code) {
    switch (code) {
        // Offline downloader.
        case 1:
            return TranslateText(u"指令错误！");
        case 2:
            return TranslateText(u"指令参数错误！");
        case 3:
            return TranslateText(u"指令校验出错！");
        case 4:
            return TranslateText(u"旧密钥认证错误！");
        case 5:
            return TranslateText(u"保存参数出错！");
        case 6:
            return TranslateText(u"项目已存在！");
        case 7:
            return TranslateText(u"项目不存在！");
        case 8:
            return TranslateText(u"项目序列号错误！");
        case 9:
            return TranslateText(u"项目仅能加载一次，不能再次加载！");
        case 10:
            return TranslateText(u"项目校验失败！");
        case 11:
            return TranslateText(u"项目数据写入失败！");
        case 12:
            return TranslateText(u"项目已满！");
        case 13:
            return TranslateText(u"项目文件校验失败！");
        case 14:
            return TranslateText(u"文件存储区不够！");
        case 15:
            return TranslateText(u"文件存储区已满！");
        case 16:
            return TranslateText(u"下载算法传输错误！");
        case 17:
            return TranslateText(u"芯片擦除失败！");
        case 18:
            return TranslateText(u"下载文件传输错误！");
        case 19:
            return TranslateText(u"哈希值计算错误！");
        case 20:
            return TranslateText(u"CRC值计算错误！");
        case 21:
            return TranslateText(u"算法数据传输错误！");
        case 22:
            return TranslateText(u"算法数据存储错误！");
        case 23:
            return TranslateText(u"算法数据校验错误！");
        case 24:
            return TranslateText(u"算法数据接收超时！");
        case 25:
            return TranslateText(u"文件数据传输错误！");
        case 26:
            return TranslateText(u"文件数据存储错误！");
        case 27:
            return TranslateText(u"文件数据校验错误！");
        case 28:
            return TranslateText(u"文件数据传输超时！");

        // Chip boot loader; the code's digits lead the text.
        case 0xB000:
            return TranslateText(u"B000:命令接受格式错误或者超时等！");
        case 0xB001:
            return TranslateText(u"B001:RDP等级为L2！");
        case 0xB002:
            return TranslateText(u"B002:参数错误！");
        case 0xB003:
            return TranslateText(u"B003:非安全模式！");
        case 0xB004:
            return TranslateText(u"B004:全片安全区域！");
        case 0xB005:
            return TranslateText(u"B005:无安全区域！");
        case 0xB006:
            return TranslateText(u"B006:全片PFOER！");
        case 0xB007:
            return TranslateText(u"B007:无PFOER！");
        case 0xB008:
            return TranslateText(u"B008:已被写保护！");
        case 0xB009:
            return TranslateText(u"B009:未知错误！");
        case 0xB010:
            return TranslateText(u"B010:密钥索引ID范围错误！");
        case 0xB011:
            return TranslateText(u"B011:新密钥CRC校验错误");
        case 0xB020:
            return TranslateText(u"B020:密钥认证失败");
        case 0xB021:
            return TranslateText(u"B021:密钥认证失败次数超过限制！");
        case 0xB022:
            return TranslateText(u"B022:密钥认证失败次数超过限制！");
        case 0xB030:
            return TranslateText(u"B030:擦除/下载FLASH页被RDP保护");
        case 0xB031:
            return TranslateText(u"B031:擦除/下载FLASH页被WRP保护！");
        case 0xB032:
            return TranslateText(u"B032:擦除/下载/CRC校验地址被分区保护！");
        case 0xB033:
            return TranslateText(u"B033:擦除/下载/CRC校验地址范围跨分区！");
        case 0xB034:
            return TranslateText(u"B034:擦除/下载/CRC校验地址范围越界！");
        case 0xB035:
            return TranslateText(u"B035:擦除/下载/CRC校验起始地址不正确！");
        case 0xB036:
            return TranslateText(u"B036:下载/CRC校验数据长度不是16的倍数！");
        case 0xB037:
            return TranslateText(u"B037:擦除/下载FLASH编程失败！");
        case 0xB038:
            return TranslateText(u"B038:CRC校验失败！");
        case 0xB039:
            return TranslateText(u"B039:已配分区，不允许读保护级别由L1降为L0！");
        case 0xB03A:
            return TranslateText(u"B03A:分区已经配置，无法再次配置！");
        case 0xB03B:
            return TranslateText(u"B03B:分区大小配置错误，各分区总大小必须等于FLASH容量！");
        case 0xB03C:
            return TranslateText(u"B03C:分区配置顺序错误，必须先配置USER1或者USER3！");
        case 0xB03D:
            return TranslateText(u"B03D:分区密钥索引ID配置失败或者已经配置！");
        case 0xB03E:
            return TranslateText(u"B03E:分区认证和加密下载使能配置失败或者已经配置！");
        case 0xB03F:
            return TranslateText(u"B03F:更新管理信息失败！");
        case 0xB040:
            return TranslateText(u"B040:装载源区域错误！");
        case 0xB041:
            return TranslateText(u"B041:装载CRC校验错误！");
        case 0xB042:
            return TranslateText(u"B042:FLASH封口错误，FLASH已封口，擦除/下载FLASH失败！");
        case 0xB043:
            return TranslateText(u"B043:BOOT上电自校验错误！");
        case 0xB044:
            return TranslateText(u"B044:OTP编程失败！");
        case 0xBBCC:
            return TranslateText(u"BBCC:上层发送命令一级、二级命令字段不属于任何命令！");

        case static_cast<int32_t>(CMD_STATUS_LAST_ERROR):
            return LastErrorText();
        default:
            return TranslateText(u"未知错误！");
    }
}
