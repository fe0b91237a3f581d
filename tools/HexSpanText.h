// The refusal of a HEX file whose data spread wider than any chip's flash, worded alike by every file tool.
#pragma once

#include "core/IntelHex.h"
#include "core/Translation.h"
#include "framework/Format.h"

inline fw::Text HexSpanTooLargeText() {
    return fw::Format(TranslateText(u"HEX文件的数据地址跨度超过任何芯片的FLASH容量（%dKB）！"),
                      static_cast<int>(kHexMaxSpan / 1024));
}
