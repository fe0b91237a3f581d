#include "optionbytes/EditorRows.h"

#include <initializer_list>

#include "resources/ui/option_bytes.h"

namespace {

using Ids = std::vector<int>;
using Checks = std::vector<FieldCheck>;
using N = CheckedName;

Ids Join(std::initializer_list<Ids> groups) {
    Ids out;
    for (const Ids& g : groups)
        out.insert(out.end(), g.begin(), g.end());
    return out;
}
Checks Join(std::initializer_list<Checks> groups) {
    Checks out;
    for (const Checks& g : groups)
        out.insert(out.end(), g.begin(), g.end());
    return out;
}

// Every field of the list refused when empty, then every field refused when not hex.
Checks EmptyThenHex(std::initializer_list<std::pair<int, N>> fields) {
    Checks out;
    for (const auto& [id, name] : fields)
        out.push_back({id, name, true});
    for (const auto& [id, name] : fields)
        out.push_back({id, name, false});
    return out;
}
Checks HexOnly(std::initializer_list<std::pair<int, N>> fields) {
    Checks out;
    for (const auto& [id, name] : fields)
        out.push_back({id, name, false});
    return out;
}

// First control set: groups that come and go together.
const Ids kWrp23 = {IDC_OB_WRP2, IDC_OB_WRP3, IDC_OB_WRP2_LABEL, IDC_OB_WRP3_LABEL};
const Ids kUser2Group = {IDC_OB_USER2, IDC_OB_USER2_LABEL, IDC_OB_NBOOT0, IDC_OB_NBOOT1, IDC_OB_NSWBOOT0};
const Ids kBorLev = {IDC_OB_BOR_LEV, IDC_OB_BOR_LEV_LABEL};
const Ids kSeries89 = {IDC_OB_WDG_STOP0_FRZ, IDC_OB_WDG_STDBY_FRZ, IDC_OB_WDG_SLEEP_FRZ, IDC_OB_FLASH_BOOT,
                       IDC_OB_USER3,         IDC_OB_USER3_LABEL,   IDC_OB_NRST_SEL,      IDC_OB_NRST_SEL_LABEL,
                       IDC_OB_BOR_LVL,       IDC_OB_BOR_LVL_LABEL, IDC_OB_CCMSRAM,       IDC_OB_CCMSRAM_LABEL,
                       IDC_OB_CCMSRAM_BOX,   IDC_OB_OTHER_GROUP};
const Ids kSeries9 = {IDC_OB_DBANK,       IDC_OB_DBANK_LABEL, IDC_OB_DBANK_BOX,  IDC_OB_DATA2,
                      IDC_OB_DATA2_LABEL, IDC_OB_DATA3,       IDC_OB_DATA3_LABEL};

const std::vector<BitBox> kFirstBoxes = {
    {IDC_OB_WDG_SW, kFieldUser, 0},        {IDC_OB_NRST_STOP, kFieldUser, 1},     {IDC_OB_NRST_STDBY, kFieldUser, 2},
    {IDC_OB_WDG_STOP0_FRZ, kFieldUser, 3}, {IDC_OB_WDG_STDBY_FRZ, kFieldUser, 5}, {IDC_OB_WDG_SLEEP_FRZ, kFieldUser, 6},
    {IDC_OB_NBOOT0, kFieldUser2, 0},       {IDC_OB_NBOOT1, kFieldUser2, 1},       {IDC_OB_NSWBOOT0, kFieldUser2, 2},
    {IDC_OB_FLASH_BOOT, kFieldUser2, 3},
};

const Checks kFirstCommon =
    EmptyThenHex({{IDC_OB_DATA0, N::Data0}, {IDC_OB_DATA1, N::Data1}, {IDC_OB_WRP0, N::Wrp0}, {IDC_OB_WRP1, N::Wrp1}});
const Checks kWrp23Checks = EmptyThenHex({{IDC_OB_WRP2, N::Wrp2}, {IDC_OB_WRP3, N::Wrp3}});
const Checks kBorLevChecks = EmptyThenHex({{IDC_OB_BOR_LEV, N::BorLev}});
const Checks kUser3Checks = EmptyThenHex({{IDC_OB_USER3, N::User3}});
const Checks kCcmsramChecks = EmptyThenHex({{IDC_OB_CCMSRAM, N::CcmsramRst}});

// Second control set.
const Ids kWdgSw = {IDC_OB_WDG_SW};
const Ids kNrstStop = {IDC_OB_NRST_STOP};
const Ids kNrstPd = {IDC_OB2_NRST_PD};
const Ids kBootBoxes = {IDC_OB2_NBOOT0, IDC_OB2_NBOOT1, IDC_OB2_NSWBOOT0};
const Ids kBoot0Cfg = {IDC_OB2_BOOT0_CFG};
const Ids kSeries7User = {IDC_OB2_BOOT_LOCK, IDC_OB2_NRST_PA0};
const Ids kLvr = {IDC_OB2_LVR_EN, IDC_OB2_LVR_FILTER_EN, IDC_OB2_LVR_POWER, IDC_OB2_LVR_POWER_LABEL};
const Ids kWrp01 = {IDC_OB_WRP0, IDC_OB_WRP1, IDC_OB2_WRP0_LABEL, IDC_OB2_WRP1_LABEL, IDC_OB2_WRP_GROUP};
const Ids kUser24 = {IDC_OB2_USER2, IDC_OB2_USER2_LABEL, IDC_OB2_USER4, IDC_OB2_USER4_LABEL};
const Ids kUser3 = {IDC_OB2_USER3, IDC_OB2_USER3_LABEL};
const Ids kUser5 = {IDC_OB2_USER5, IDC_OB2_USER5_LABEL};
const Ids kUser6 = {IDC_OB2_USER6, IDC_OB2_USER6_LABEL};

const std::vector<BitBox> kUserBoxes = {
    {IDC_OB_WDG_SW, kFieldUser, 0},     {IDC_OB_NRST_STOP, kFieldUser, 1}, {IDC_OB2_NRST_PD, kFieldUser, 2},
    {IDC_OB2_NBOOT0, kFieldUser, 3},    {IDC_OB2_NBOOT1, kFieldUser, 4},   {IDC_OB2_NSWBOOT0, kFieldUser, 5},
    {IDC_OB2_BOOT0_CFG, kFieldUser, 6},
};
const std::vector<BitBox> kSeries7Boxes = {
    {IDC_OB_WDG_SW, kFieldUser, 0},          {IDC_OB_NRST_STOP, kFieldUser, 1}, {IDC_OB2_NRST_PD, kFieldUser, 2},
    {IDC_OB2_BOOT_LOCK, kFieldUser, 3},      {IDC_OB2_NRST_PA0, kFieldUser, 4}, {IDC_OB2_LVR_EN, kFieldUser3, 4},
    {IDC_OB2_LVR_FILTER_EN, kFieldUser3, 5},
};
// A family-12 project: the USER boxes that series 12 keeps a bit of the same name for, in the series-3 places.
const std::vector<BitBox> kProject12Boxes = {
    {IDC_OB2_NBOOT0, kFieldUser, 3},
    {IDC_OB2_NBOOT1, kFieldUser, 4},
    {IDC_OB2_NSWBOOT0, kFieldUser, 5},
};
const std::vector<BitBox> kSeries12Boxes = {
    {IDC_OB2_NBOOT0, kFieldUser3, 0},
    {IDC_OB2_NBOOT1, kFieldUser3, 1},
    {IDC_OB2_NSWBOOT0, kFieldUser3, 2},
    {IDC_OB2_BOOT0_CFG, kFieldUser3, 3},
};

const Checks kSecondCommon = EmptyThenHex({{IDC_OB_DATA0, N::Data0}, {IDC_OB_DATA1, N::Data1}});
const Checks kWrp01Checks = EmptyThenHex({{IDC_OB_WRP0, N::Wrp0}, {IDC_OB_WRP1, N::Wrp1}});

// clang-format off
const EditorRow kFirst01{EditorKind::First, kWrp23, {}, kFirstBoxes, {}, Join({kFirstCommon, kWrp23Checks}), {}};
const EditorRow kFirst2{EditorKind::First, Join({kWrp23, kUser2Group, kBorLev}), {}, kFirstBoxes, {},
                        Join({kFirstCommon, kWrp23Checks, kBorLevChecks}), {}, IDC_OB_BOR_LEV};
const EditorRow kFirst5{EditorKind::First, kUser2Group, {}, kFirstBoxes, {}, kFirstCommon, {}};
const EditorRow kFirst8{EditorKind::First, Join({kWrp23, kUser2Group, kSeries89}), {}, kFirstBoxes, {},
                        Join({kFirstCommon, kWrp23Checks, kUser3Checks, kCcmsramChecks}), {}, 0, 0, true, false, true};
const EditorRow kFirst9{EditorKind::First, Join({kWrp23, kUser2Group, kSeries89, kSeries9}), {}, kFirstBoxes, {},
                        Join({kFirstCommon, kCcmsramChecks, kWrp23Checks, kUser3Checks,
                              HexOnly({{IDC_OB_DATA2, N::Data2}, {IDC_OB_DATA3, N::Data3}})}),
                        {}, 0, 0, true, true, true};
// The project form of families 8 and 9 has no DBANK, Data2 or Data3, and checks CCMSRAM_RST last.
const EditorRow kProject89{EditorKind::First, Join({kWrp23, kUser2Group, kSeries89}), {}, kFirstBoxes, {},
                           Join({kFirstCommon, kWrp23Checks, kUser3Checks, kCcmsramChecks}), {}, 0, 0, true, false, true};
// A family without a layout of its own: the controls of families 0 and 1 and a USER2 that enters no text.
const EditorRow kProjectOther{EditorKind::First, Join({kWrp23, kUser2Group}), {}, kFirstBoxes, {},
                              Join({kFirstCommon, kWrp23Checks}), {}};

const EditorRow kSecond346{EditorKind::Second, Join({kWdgSw, kNrstStop, kNrstPd, kBootBoxes, kWrp01}), {}, kUserBoxes,
                           {}, Join({kSecondCommon, kWrp01Checks}), {}};
const EditorRow kSecond7{EditorKind::Second, Join({kWdgSw, kNrstStop, kNrstPd, kSeries7User, kLvr, kUser24, kUser3}),
                         {IDC_OB2_USER3},
                         kSeries7Boxes, {},
                         Join({kSecondCommon, EmptyThenHex({{IDC_OB2_USER2, N::User2}, {IDC_OB2_USER3, N::User3},
                                                            {IDC_OB2_USER4, N::User4}})}),
                         {}, 0, IDC_OB2_LVR_POWER};
const EditorRow kSecond11{EditorKind::Second,
                          Join({kWdgSw, kNrstStop, kNrstPd, kBootBoxes, kBoot0Cfg, kWrp01, kWrp23, kUser24, kUser3,
                                kUser5, kUser6}),
                          {},
                          kUserBoxes, {},
                          Join({kSecondCommon,
                                EmptyThenHex({{IDC_OB_WRP0, N::Wrp0}, {IDC_OB_WRP1, N::Wrp1}, {IDC_OB_WRP2, N::Wrp2},
                                              {IDC_OB_WRP3, N::Wrp3}}),
                                EmptyThenHex({{IDC_OB2_USER2, N::User2}, {IDC_OB2_USER3, N::User3},
                                              {IDC_OB2_USER4, N::User4}, {IDC_OB2_USER5, N::User5},
                                              {IDC_OB2_USER6, N::User6}})}),
                          {}};
const EditorRow kSecond12{EditorKind::Second,
                          Join({kWdgSw, kNrstPd, kBootBoxes, kBoot0Cfg, kWrp01, kUser24, kUser3, kUser5}),
                          {IDC_OB2_USER3, IDC_OB2_USER5}, kSeries12Boxes,
                          {{IDC_OB_WDG_SW, kFieldUser0, IDC_OB2_USER5}, {IDC_OB2_NRST_PD, kFieldUser, IDC_OB_USER}},
                          Join({kSecondCommon, kWrp01Checks,
                                EmptyThenHex({{IDC_OB2_USER2, N::User2}, {IDC_OB2_USER4, N::User4}})}),
                          {{IDC_OB_WDG_SW, u"IWDG_SW"}, {IDC_OB2_NRST_PD, u"PF3_NRST"},
                           {IDC_OB2_USER5_LABEL, u"USER0(h):"}}};
// Series 12 has no nRST_STOP and keeps PF3_NRST where family 3 has nRST_PD: a project offers neither. Nor does it
// offer WDG_SW: the chip's IWDG_SW is a 16-bit word that a download project leaves as the chip holds it.
const EditorRow kProject12{EditorKind::Second, Join({kBootBoxes, kWrp01}), {}, kProject12Boxes, {},
                           Join({kSecondCommon, kWrp01Checks}), {}};
// clang-format on

const std::vector<int> kFirstSeriesControls = Join({kWrp23, kUser2Group, kBorLev, kSeries89, kSeries9});
const std::vector<int> kSecondSeriesControls = Join({kWdgSw, kNrstStop, kNrstPd, kBootBoxes, kBoot0Cfg, kSeries7User,
                                                     kLvr, kWrp01, kWrp23, kUser24, kUser3, kUser5, kUser6});

const std::vector<FieldEdit> kFirstEdits = {
    {IDC_OB_RDP, kFieldRdp},     {IDC_OB_RDP2, kFieldRdp2},   {IDC_OB_USER, kFieldUser},
    {IDC_OB_USER2, kFieldUser2}, {IDC_OB_USER3, kFieldUser3}, {IDC_OB_CCMSRAM, kFieldCcmsramRst},
    {IDC_OB_DBANK, kFieldDbank}, {IDC_OB_DATA0, kFieldData0}, {IDC_OB_DATA1, kFieldData1},
    {IDC_OB_DATA2, kFieldData2}, {IDC_OB_DATA3, kFieldData3}, {IDC_OB_WRP0, kFieldWrp0},
    {IDC_OB_WRP1, kFieldWrp1},   {IDC_OB_WRP2, kFieldWrp2},   {IDC_OB_WRP3, kFieldWrp3},
};
const std::vector<FieldEdit> kSecondEdits = {
    {IDC_OB_RDP, kFieldRdp},      {IDC_OB_RDP2, kFieldRdp2},    {IDC_OB_USER, kFieldUser},
    {IDC_OB_DATA0, kFieldData0},  {IDC_OB_DATA1, kFieldData1},  {IDC_OB_WRP0, kFieldWrp0},
    {IDC_OB_WRP1, kFieldWrp1},    {IDC_OB_WRP2, kFieldWrp2},    {IDC_OB_WRP3, kFieldWrp3},
    {IDC_OB2_USER2, kFieldUser2}, {IDC_OB2_USER3, kFieldUser3}, {IDC_OB2_USER4, kFieldUser4},
    {IDC_OB2_USER5, kFieldUser5}, {IDC_OB2_USER6, kFieldUser6},
};

}  // namespace

EditorKind EditorKindOf(uint8_t series) {
    switch (series) {
        case 3:
        case 4:
        case 6:
        case 7:
        case 11:
        case 12:
            return EditorKind::Second;
        default:
            return EditorKind::First;
    }
}

const EditorRow& DeviceEditorRow(uint8_t series) {
    switch (series) {
        case 2:
            return kFirst2;
        case 5:
            return kFirst5;
        case 8:
            return kFirst8;
        case 9:
            return kFirst9;
        case 3:
        case 4:
        case 6:
            return kSecond346;
        case 7:
            return kSecond7;
        case 11:
            return kSecond11;
        case 12:
            return kSecond12;
        default:
            return kFirst01;
    }
}

const EditorRow& ProjectEditorRow(uint8_t family, EditorKind kind) {
    if (kind == EditorKind::Second) {
        if (family == 7) return kSecond7;
        if (family == 11) return kSecond11;
        if (family == 12) return kProject12;
        return kSecond346;
    }
    switch (family) {
        case 0:
        case 1:
            return kFirst01;
        case 2:
            return kFirst2;
        case 5:
            return kFirst5;
        case 8:
        case 9:
            return kProject89;
        default:
            return kProjectOther;
    }
}

const std::vector<int>& SeriesControls(EditorKind kind) {
    return kind == EditorKind::First ? kFirstSeriesControls : kSecondSeriesControls;
}

const std::vector<FieldEdit>& FieldEdits(EditorKind kind) {
    return kind == EditorKind::First ? kFirstEdits : kSecondEdits;
}

OptionField FieldOfEdit(const FieldEdit& edit, uint8_t series, bool project) {
    if (!project && series == 12 && edit.editId == IDC_OB2_USER5) return kFieldUser0;
    return edit.field;
}
