#include "app/ControlRules.h"

#include "resources/ui/resource.h"

namespace {

const int kProtectionBoxes[] = {IDC_CHECK_UNLOCK_L1_BEFORE, IDC_CHECK_L1_AFTER, IDC_CHECK_L2_AFTER};
const int kCrossPageBoxes[] = {IDC_CHECK_FRONT_PAGE, IDC_CHECK_BEHIND_PAGE};
const int kRowChecks[] = {IDC_ROW1_CHECK, IDC_ROW2_CHECK, IDC_ROW3_CHECK, IDC_ROW4_CHECK,
                          IDC_ROW5_CHECK, IDC_ROW6_CHECK, IDC_ROW7_CHECK, IDC_ROW8_CHECK};

bool IsExt(const fw::Text& ext, fw::TextView what) { return fw::EqualsNoCase(ext, what); }

}  // namespace

ChipControlRules ChipInfoControlRules(ChipSeriesCode series, int downloadArea, bool bootSubVersionIsV10) {
    ChipControlRules rules;
    auto& a = rules.actions;
    if (series == 10 && (bootSubVersionIsV10 || downloadArea != 3)) {
        for (int id : kCrossPageBoxes) a.push_back({id, false, true});
        a.push_back({IDC_COMBO_ERASE_MODE, false, false});
        for (int id : kProtectionBoxes) a.push_back({id, downloadArea == 3, downloadArea != 3});
    } else if ((series == 11 && downloadArea == 2) || (series == 12 && downloadArea == 1)) {
        rules.eraseModeSelection = 2;
        a.push_back({IDC_COMBO_ERASE_MODE, false, false});
        for (int id : kCrossPageBoxes) a.push_back({id, false, true});
        for (int id : kProtectionBoxes) a.push_back({id, false, true});
        a.push_back({IDC_CHECK_CRC, false, false});
    } else {
        a.push_back({IDC_COMBO_ERASE_MODE, true, false});
        for (int id : kCrossPageBoxes) a.push_back({id, true, false});
        for (int id : kProtectionBoxes) a.push_back({id, true, false});
        a.push_back({IDC_CHECK_CRC, true, false});
    }
    return rules;
}

std::vector<ControlAction> JobControlActions(const JobControlInput& in) {
    std::vector<ControlAction> a;
    const bool on = in.enable;
    const ChipSeriesCode s = in.series;
    const int area = in.downloadArea;
    auto follow = [&a, on](int id) { a.push_back({id, on, false}); };
    auto disable = [&a](int id) { a.push_back({id, false, false}); };

    follow(IDC_CHECK_DOWNLOAD_FLAG);
    const bool areaWithoutErase = (s == 8 && area == 5) || (s == 11 && area == 2) || (s == 12 && area == 1) ||
                                  (s == 10 && area != 3);
    if (!areaWithoutErase) {
        if (in.eraseMode == 0 && !(s == 10 && in.bootSubVersionIsV10)) {
            for (int id : kCrossPageBoxes) follow(id);
        }
        if (!(s == 11 && (area == 1 || area == 3))) {
            for (int id : kProtectionBoxes) follow(id);
            follow(IDC_CHECK_CRC);
        }
    }
    const bool eraseFixed = (s == 10 && in.bootSubVersionIsV10) || areaWithoutErase;
    if (in.fileAreaCount <= 1 && !eraseFixed) follow(IDC_COMBO_ERASE_MODE);
    for (int id : {IDC_COMBO_ENC_OPTION, IDC_COMBO_EXT_TYPE, IDC_COMBO_EXT_ID}) follow(id);
    if (IsExt(in.fileExt, u"bin") || IsExt(in.fileExt, u"enc")) {
        if (s != 10 || in.firmwareFileTicked) follow(IDC_EDIT_START_ADDR);
    }
    if (in.productionMode) {
        follow(IDC_COMBO_INTERFACE);
        follow(IDC_COMBO_SPEED);
        if (!IsExt(in.fileExt, u"dlpf")) follow(IDC_COMBO_DEVICE);
    }
    for (int id : {IDC_BTN_DOWNLOAD, IDC_BTN_PRODUCTION_DOWNLOAD, IDC_BTN_CONNECT}) follow(id);
    if ((s == 8 || s == 9) && (area == 1 || area == 2)) {
        disable(IDC_BTN_BROWSE);
    } else if (s == 10 && !in.firmwareFileTicked) {
        disable(IDC_BTN_BROWSE);
    } else {
        follow(IDC_BTN_BROWSE);
    }
    if (s == 10) {
        if (in.safeModuleTicked) {
            follow(IDC_EDIT_SAFE_MODULE_ADDR);
            follow(IDC_BTN_BROWSE_SAFE_MODULE);
        }
        follow(IDC_CHECK_FIRMWARE_FILE);
        if (in.firmwareFileTicked) {
            follow(IDC_COMBO_DOWNLOAD_AREA);
            if (area == 3 && in.infoPackMode != 2) follow(IDC_BTN_BROWSE_INFO_PACKAGE);
        }
        follow(IDC_CHECK_JTAG_MODE);
        if (in.jtagModeTicked) follow(IDC_BTN_BROWSE_JTAG_KEY);
        if (IsExt(in.fileExt, u"dlpf")) {
            disable(IDC_COMBO_DOWNLOAD_AREA);
            disable(IDC_CHECK_SAFE_MODULE);
        } else if (area == 3) {
            follow(IDC_CHECK_SAFE_MODULE);
        } else {
            a.push_back({IDC_CHECK_SAFE_MODULE, false, true});
        }
    } else if (s == 11) {
        if (IsExt(in.fileExt, u"dlpf") || IsExt(in.fileExt, u"hex")) {
            disable(IDC_COMBO_DOWNLOAD_AREA);
        } else {
            follow(IDC_COMBO_DOWNLOAD_AREA);
        }
    } else {
        follow(IDC_COMBO_DOWNLOAD_AREA);
    }
    if (in.productionMode) {
        for (int id : kRowChecks) follow(id);
    }
    return a;
}
