#include "optionbytes/FieldMessages.h"

#include "app/MainWindow.h"
#include "core/MessageBoxEx.h"
#include "core/Translation.h"

fw::Text FieldEmptyMessage(CheckedName name) {
    switch (name) {
        case CheckedName::Data0:
            return TranslateText(u"Data0数据不能为空！");
        case CheckedName::Data1:
            return TranslateText(u"Data1数据不能为空！");
        case CheckedName::Wrp0:
            return TranslateText(u"WRP0数据不能为空！");
        case CheckedName::Wrp1:
            return TranslateText(u"WRP1数据不能为空！");
        case CheckedName::Wrp2:
            return TranslateText(u"WRP2数据不能为空！");
        case CheckedName::Wrp3:
            return TranslateText(u"WRP3数据不能为空！");
        case CheckedName::User2:
            return TranslateText(u"USER2数据不能为空！");
        case CheckedName::User3:
            return TranslateText(u"USER3数据不能为空！");
        case CheckedName::User4:
            return TranslateText(u"USER4数据不能为空！");
        case CheckedName::User5:
            return TranslateText(u"USER5数据不能为空！");
        case CheckedName::User6:
            return TranslateText(u"USER6数据不能为空！");
        case CheckedName::CcmsramRst:
            return TranslateText(u"CCMSRAM_RST数据不能为空！");
        case CheckedName::BorLev:
            return TranslateText(u"BOR_LEV数据不能为空！");
        case CheckedName::Data2:
        case CheckedName::Data3:
            break;  // an empty Data2 or Data3 is written as 0x00
    }
    return {};
}

fw::Text FieldNotHexMessage(CheckedName name) {
    switch (name) {
        case CheckedName::Data0:
            return TranslateText(u"Data0输入的数据必须为十六进制的数据！");
        case CheckedName::Data1:
            return TranslateText(u"Data1输入的数据必须为十六进制的数据！");
        case CheckedName::Data2:
            return TranslateText(u"Data2输入的数据必须为十六进制的数据！");
        case CheckedName::Data3:
            return TranslateText(u"Data3输入的数据必须为十六进制的数据！");
        case CheckedName::Wrp0:
            return TranslateText(u"WRP0输入的数据必须为十六进制的数据！");
        case CheckedName::Wrp1:
            return TranslateText(u"WRP1输入的数据必须为十六进制的数据！");
        case CheckedName::Wrp2:
            return TranslateText(u"WRP2输入的数据必须为十六进制的数据！");
        case CheckedName::Wrp3:
            return TranslateText(u"WRP3输入的数据必须为十六进制的数据！");
        case CheckedName::User2:
            return TranslateText(u"USER2输入的数据必须为十六进制的数据！");
        case CheckedName::User3:
            return TranslateText(u"USER3输入的数据必须为十六进制的数据！");
        case CheckedName::User4:
            return TranslateText(u"USER4输入的数据必须为十六进制的数据！");
        case CheckedName::User5:
            return TranslateText(u"USER5输入的数据必须为十六进制的数据！");
        case CheckedName::User6:
            return TranslateText(u"USER6输入的数据必须为十六进制的数据！");
        case CheckedName::CcmsramRst:
            return TranslateText(u"CCMSRAM_RST输入的数据必须为十六进制的数据！");
        case CheckedName::BorLev:
            return TranslateText(u"BOR_LEV输入的数据必须为十六进制的数据！");
    }
    return {};
}

void RefuseIncompleteRead(CQXDownloadToolDlg& window, const fw::Window* parent) {
    const fw::Text text = TranslateText(u"读取的选项字节不完整，不能写入芯片！");
    CMessageBoxEx().MessageBox(parent, text, fw::MB_OK);
    window.AppendLog(text, kLogRed);
}
