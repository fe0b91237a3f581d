#include "app/InterfaceSpeeds.h"

#include <cstdint>

#include "framework/Format.h"

namespace {

constexpr uint32_t kBaudRates[] = {2400,   4800,   9600,    14400,   19200,   38400,   57600,
                                   115200, 128000, 256000,  921600,  923076,  1000000, 1500000,
                                   2000000, 2250000, 2500000, 3000000, 4000000, 4500000};

// The leading decimal digits of a text, saturating instead of wrapping.
uint64_t LeadingNumber(fw::TextView text) {
    uint64_t value = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') break;
        value = value * 10 + static_cast<uint64_t>(c - u'0');
        if (value > UINT32_MAX) return UINT32_MAX;
    }
    return value;
}

uint32_t Clamp32(uint64_t value) { return value > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(value); }

// "2000kHz" -> 2000: the number before the unit (the last three characters).
uint64_t NumberBeforeUnit(fw::TextView text) {
    return text.size() < 3 ? 0 : LeadingNumber(text.substr(0, text.size() - 3));
}

}  // namespace

const std::vector<fw::Text>& InterfaceNames() {
    static const std::vector<fw::Text> names = {u"USART", u"USB(DFU)", u"SWD(J-Link)", u"SWD(CMSIS-DAP)",
                                                u"OV-Link-Pro"};
    return names;
}

bool UsesDeviceMutexOnConnect(InterfaceIndex iface) {
    return iface == kIfaceUsart || iface == kIfaceUsbDfu || iface == kIfaceSwdCmsisDap || iface == kIfaceI2c;
}

bool IsSwd(InterfaceIndex iface) { return iface == kIfaceSwdJlink || iface == kIfaceSwdCmsisDap; }

SpeedList SpeedListOf(InterfaceIndex iface, uint32_t baud) {
    SpeedList list;
    switch (iface) {
        case kIfaceUsart: {
            list.baudLabel = true;
            int fallback = 0;
            for (uint32_t rate : kBaudRates) {
                if (rate == baud) list.selection = static_cast<int>(list.entries.size());
                if (rate == 115200) fallback = static_cast<int>(list.entries.size());
                list.entries.push_back(fw::Format(u"%u", rate));
            }
            if (list.selection < 0) list.selection = fallback;
            break;
        }
        case kIfaceSwdJlink:
            list = {{u"500kHz", u"1000kHz", u"2000kHz", u"4000kHz"}, 1, false};
            break;
        case kIfaceSwdCmsisDap:
            list = {{u"500kHz", u"1MHz", u"2MHz"}, 1, false};
            break;
        case kIfaceI2c:
            list = {{u"100k", u"200k", u"400k"}, 2, false};
            break;
        default:
            break;
    }
    return list;
}

uint32_t SpeedArgument(InterfaceIndex iface, fw::TextView comboText, int selection) {
    switch (iface) {
        case kIfaceUsart:
            return Clamp32(LeadingNumber(comboText));
        case kIfaceSwdJlink:
            return Clamp32(NumberBeforeUnit(comboText));
        case kIfaceSwdCmsisDap: {
            const uint64_t number = NumberBeforeUnit(comboText);
            if (fw::Find(comboText, u"kHz") >= 0) return Clamp32(number * 1000);
            if (fw::Find(comboText, u"MHz") >= 0) return Clamp32(number * 1000000);
            return Clamp32(number);
        }
        case kIfaceI2c:
            return selection < 0 ? 0 : static_cast<uint32_t>(selection);
        default:
            return 0;
    }
}

bool RefusedInProduction(int iface) {
    return iface == kIfaceSwdJlink || iface == kIfaceOfflineLink || iface == kIfaceI2c;
}
