#include <gtest/gtest.h>

#include <map>
#include <optional>

#include "app/MenuRules.h"
#include "resources/ui/resource.h"

namespace {

std::map<int, bool> StatesOf(ChipSeriesCode series, InterfaceIndex iface, bool production = false, bool v10 = false) {
    const MenuStates s = ComputeMenuStates({series, iface, production, v10});
    std::map<int, bool> m(s.items.begin(), s.items.end());
    if (s.readFlashRuleApplies) m[-1] = s.readFlashEnabled;  // -1: the "Read Flash" popup
    return m;
}

std::optional<bool> State(const std::map<int, bool>& m, int id) {
    const auto it = m.find(id);
    return it == m.end() ? std::nullopt : std::optional<bool>(it->second);
}

TEST(MenuRules, CasesOfTheRuleTable) {
    struct Case {
        ChipSeriesCode series;
        InterfaceIndex iface;
        bool v10;
        int id;
        bool enabled;
    };
    const Case cases[] = {
        // Series 3 over USART: partitions yes, encrypted files and key update no.
        {3, kIfaceUsart, false, ID_CONFIGURATION_PARTITION, true},
        {3, kIfaceUsart, false, ID_PARTITION_DOWNLOAD_CONFIGURATION, true},
        {3, kIfaceUsart, false, ID_MAKE_ENCRYPTED_FILES, false},
        {3, kIfaceUsart, false, ID_UPDATE_KEY, false},
        // Series 11 over USART.
        {11, kIfaceUsart, false, ID_CONFIGURATION_PARTITION, true},
        {11, kIfaceUsart, false, ID_PARTITION_DOWNLOAD_CONFIGURATION, false},
        {11, kIfaceUsart, false, ID_FLASH_SEAL, true},
        {11, kIfaceUsart, false, ID_SRAM_APP_GO, true},
        // Any series over J-Link.
        {0, kIfaceSwdJlink, false, ID_ERASE_ALL_FLASH, false},
        {0, kIfaceSwdJlink, false, ID_ERASE_SECTORS, false},
        {0, kIfaceSwdJlink, false, ID_APP_GO, false},
        {0, kIfaceSwdJlink, false, -1, true},
        {0, kIfaceSwdJlink, false, ID_FLASH_CRC_AFTER_DOWNLOADING, false},
        {0, kIfaceSwdCmsisDap, false, ID_FLASH_CRC_AFTER_DOWNLOADING, true},
        // Series 10 with boot sub-version V1.0.
        {10, kIfaceUsart, true, ID_ERASE_ALL_FLASH, false},
        {10, kIfaceUsart, true, ID_ERASE_SECTORS, false},
        {10, kIfaceUsart, false, ID_ERASE_ALL_FLASH, true},
        {10, kIfaceUsbDfu, false, ID_SET_JTAG_MODE, true},
        {10, kIfaceUsbDfu, false, ID_MAKE_SECURITY_FIRMWARE_FILES, true},
        {10, kIfaceSwdCmsisDap, false, ID_SET_OTP, false},
        // The security chips' item editor is not part of the program yet: no option-byte command for them.
        {10, kIfaceUsart, false, ID_OPTIONS_BYTES, true},
        {11, kIfaceUsart, false, ID_OPTIONS_BYTES, true},
        {0, kIfaceSwdJlink, false, ID_OPTIONS_BYTES, true},
        // Generic series over USART.
        {0, kIfaceUsart, false, ID_MAKE_ENCRYPTED_FILES, true},
        {0, kIfaceUsart, false, -1, false},
        {7, kIfaceUsart, false, -1, true},
        {7, kIfaceUsart, false, ID_WRITE_PROTECTION, false},
        {0, kIfaceUsart, false, ID_WRITE_PROTECTION, true},
        {10, kIfaceUsart, false, ID_WRITE_PROTECTION, true},
        {5, kIfaceUsart, false, ID_APP_GO, false},
        {8, kIfaceI2c, false, ID_SRAM_APP_GO, true},
        {8, kIfaceSwdCmsisDap, false, ID_SRAM_APP_GO, false},
        {0, kIfaceUsart, false, ID_MAKE_DOWNLOAD_PROJECT_FILES, true},
        {10, kIfaceSwdJlink, false, ID_MAKE_DOWNLOAD_PROJECT_FILES, true},
        {0, kIfaceUsart, false, ID_MAKE_BIN_HEX_FILE, true},
        {0, kIfaceUsart, false, ID_TEST_MODE, false},
        {0, kIfaceUsart, false, ID_PRODUCTION_MODE, false},
        {0, kIfaceUsart, false, ID_OFFLINE_DOWNLOADER, false},
        {0, kIfaceOfflineLink, false, ID_OFFLINE_DOWNLOADER, true},
        {0, kIfaceOfflineLink, false, ID_OFFLINE_LINK_FIRMWARE_UPDATE, true},
    };
    for (const Case& c : cases) {
        const auto state = State(StatesOf(c.series, c.iface, false, c.v10), c.id);
        ASSERT_TRUE(state.has_value()) << c.id;
        EXPECT_EQ(*state, c.enabled) << "item " << c.id << " series " << int(c.series) << " iface " << int(c.iface);
    }
}

TEST(MenuRules, ItemsNoRuleNamesAndProductionModeKeepTheirState) {
    const auto test = StatesOf(0, kIfaceUsart);
    for (int id : {ID_UPDATE_EXTERNAL_FLASH_KEY, ID_SET_EXTERNAL_OPTIONS_BYTES, ID_ABOUT_VERSION, ID_USER_MANUAL,
                   ID_CHECK_TOOL_UPDATE}) {
        EXPECT_FALSE(State(test, id).has_value()) << id;
    }
    const auto production = StatesOf(0, kIfaceUsart, true);
    for (int id : {ID_GET_CHIP_INFORMATION, ID_ERASE_ALL_FLASH, ID_RESET, ID_SET_OTP, -1}) {
        EXPECT_FALSE(State(production, id).has_value()) << id;
    }
    EXPECT_TRUE(State(production, ID_MAKE_BIN_HEX_FILE).value_or(false));
}

}  // namespace
