#include "app/MenuRules.h"

#include "resources/ui/resource.h"

namespace {

// Series whose chips take no encrypted files, key updates or partition configuration over the generic road.
bool InRestrictedSeries(ChipSeriesCode s) {
    return s == 3 || s == 4 || s == 6 || s == 7 || s == 10 || s == 11 || s == 12;
}

bool UsartOrUsb(InterfaceIndex i) { return i == kIfaceUsart || i == kIfaceUsbDfu; }

}  // namespace

MenuStates ComputeMenuStates(const MenuContext& ctx) {
    const ChipSeriesCode s = ctx.series;
    const InterfaceIndex i = ctx.iface;
    MenuStates out;
    auto set = [&out](int id, bool enabled) { out.items.emplace_back(id, enabled); };

    set(ID_TEST_MODE, false);
    set(ID_PRODUCTION_MODE, false);

    const bool generic = !InRestrictedSeries(s) && !IsSwd(i);
    set(ID_MAKE_ENCRYPTED_FILES, generic);
    set(ID_UPDATE_KEY, generic);
    set(ID_CONFIGURATION_PARTITION, generic || (i == kIfaceUsart && (s == 3 || s == 11)));
    set(ID_PARTITION_DOWNLOAD_CONFIGURATION, generic || (i == kIfaceUsart && s == 3));

    // The maker needs no chip: offered whenever its handler is there.
    set(ID_MAKE_DOWNLOAD_PROJECT_FILES, true);
    set(ID_MAKE_BIN_HEX_FILE, true);

    const bool securityChip = s == 10 && UsartOrUsb(i);
    set(ID_MAKE_SECURITY_FIRMWARE_FILES, securityChip);
    set(ID_MAKE_SECURITY_MODULE_FILES, securityChip);
    set(ID_MAKE_KEY_FILES, securityChip);

    if (!ctx.productionMode) {
        set(ID_GET_CHIP_INFORMATION, true);
        const bool erase = i != kIfaceSwdJlink && !(s == 10 && ctx.bootSubVersionIsV10);
        set(ID_ERASE_ALL_FLASH, erase);
        set(ID_ERASE_SECTORS, erase);
        for (int id :
             {ID_ENABLE_READ_PROTECTION_L1, ID_ENABLE_READ_PROTECTION_L2, ID_DISABLE_READ_PROTECTION_L1, ID_RESET}) {
            set(id, true);
        }
        set(ID_OPTIONS_BYTES, true);
        set(ID_WRITE_PROTECTION, s != 7);
        set(ID_APP_GO, s != 5 && !IsSwd(i));
        out.readFlashRuleApplies = true;
        out.readFlashEnabled = s == 7 || IsSwd(i);
        set(ID_FLASH_CRC_AFTER_DOWNLOADING, i == kIfaceSwdCmsisDap);
        set(ID_SET_JTAG_MODE, securityChip);
        set(ID_SET_JTAG_KEY, securityChip);
        set(ID_SET_OTP, securityChip);
        const bool bootLoaderLink = UsartOrUsb(i) || i == kIfaceI2c;
        set(ID_FLASH_SEAL, s == 11 && bootLoaderLink);
        set(ID_SRAM_APP_GO, (s == 8 || s == 9 || s == 11 || s == 12) && bootLoaderLink);
    }

    const bool link = i == kIfaceOfflineLink;
    set(ID_OFFLINE_DOWNLOADER, link);
    set(ID_CHECK_LINK_FIRMWARE_UPDATE, link);
    set(ID_OFFLINE_LINK_FIRMWARE_UPDATE, link);
    return out;
}
