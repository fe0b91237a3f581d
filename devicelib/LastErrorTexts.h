// The texts GET_LAST_ERROR answers with, in the library's own words. The program shows them through TranslateText,
// so its language catalogs need an entry for each: resources/languages/extract-texts.sh collects every
// LibraryText of this file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace ovsim {

enum class LastError : std::uint8_t {
    BadArgument,
    DeviceNotFound,
    DeviceInUse,
    I2cSpeedInvalid,
    DebugPortClosedAtL2,
    DebugPortProtected,
    NotConnected,
    NoResponse,
    DeviceWasReset,
    InjectedConnectFault,
    InjectedFault,
    Count,
};

// Marks a text for the catalog extraction.
constexpr std::u16string_view LibraryText(std::u16string_view text) { return text; }

// In the order of LastError.
inline constexpr std::array<std::u16string_view, static_cast<std::size_t>(LastError::Count)> kLastErrorTexts{
    LibraryText(u"参数错误！"),
    LibraryText(u"找不到设备！"),
    LibraryText(u"设备已被占用！"),
    LibraryText(u"I2C速率参数错误！"),
    LibraryText(u"芯片处于读保护等级L2，调试接口已关闭！"),
    LibraryText(u"芯片处于读保护状态，调试接口无法访问！"),
    LibraryText(u"设备未连接！"),
    LibraryText(u"设备无响应！"),
    LibraryText(u"设备已复位，请重新连接！"),
    LibraryText(u"模拟故障：连接失败！"),
    LibraryText(u"模拟故障！"),
};

constexpr std::u16string_view TextOf(LastError error) { return kLastErrorTexts[static_cast<std::size_t>(error)]; }

}  // namespace ovsim
