#include "offline/LinkParameterRules.h"

#include <algorithm>

#include "core/Translation.h"
#include "framework/Format.h"

int BaudRateIndex(uint32_t rate) {
    const auto it = std::find(kLinkBaudRates.begin(), kLinkBaudRates.end(), rate);
    return it == kLinkBaudRates.end() ? 7 : static_cast<int>(it - kLinkBaudRates.begin());
}

fw::Text PowerOffText(uint32_t ms) { return ms > 5000 ? TranslateText(u"无限制") : fw::Format(u"%u", ms); }

fw::Text PinWriteRequest(uint8_t command, int index, uint32_t ms) {
    return fw::Format(u"A0 %02X 01 00 00 05 %02X%08X", command, index, ms);
}
