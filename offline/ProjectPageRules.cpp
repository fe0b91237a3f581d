#include "offline/ProjectPageRules.h"

#include <array>

namespace {

struct FamilyName {
    const char16_t* text;
    int family;
};

// Order matters: "VK73" would also match names of other groups if it came before them.
constexpr std::array<FamilyName, 36> kFamilyNames = {{
    {u"VK517", 0},  {u"VK515", 0},  {u"VK512", 0},  {u"VK511", 0},  {u"VK51R", 0},  {u"VK51W", 0},
    {u"VK615", 1},  {u"VK425", 2},  {u"VK422", 2},  {u"VK44X", 2},  {u"VK43X", 2},  {u"VK232", 3},
    {u"VK632", 3},  {u"VK230", 4},  {u"VK420", 5},  {u"VK401", 5},  {u"VK601", 5},  {u"VK917", 5},
    {u"VK918", 5},  {u"VK231", 6},  {u"VK203", 7},  {u"VK233", 12}, {u"VK727", 8},  {u"VK722", 8},
    {u"VK714", 8},  {u"VK713", 8},  {u"VK73", 9},   {u"VK828", 10}, {u"VK827", 10}, {u"VK825", 10},
    {u"VK815", 10}, {u"VK812", 10}, {u"VK810", 10}, {u"VK266", 11}, {u"VK265", 11}, {u"VK262", 11},
}};

bool OnlySwd(int family) { return family == 7 || family == 8 || family == 9 || family == 10; }

}  // namespace

int OptionFamilyOf(fw::TextView seriesName) {
    const fw::Text upper = fw::ToUpper(seriesName);
    for (const FamilyName& name : kFamilyNames) {
        if (upper.find(name.text) != fw::Text::npos) return name.family;
    }
    return -1;
}

bool FamilyHasPartitions(int family) {
    return family != -1 && family != 4 && family != 6 && family != 7 && family != 10 && family != 12;
}

bool FamilyHasChipKeys(int family) { return FamilyHasPartitions(family) && family != 3 && family != 11; }

ProjectPageControls ProjectPageControlsOf(const ProjectPageState& state) {
    ProjectPageControls c;
    const bool e = state.editable;
    c.projectCommands = state.enable;
    c.composing = e;
    c.touchLimitEdit = state.limitChecked;
    c.limitEdit = e;
    bool uart = state.uartChosen;
    if (state.family == -1 || OnlySwd(state.family)) {
        c.forceSwd = true;
        c.interfaceList = false;
        uart = false;
    } else {
        c.interfaceList = e;
    }
    // A checked box can be opened only to view it, an unchecked one only to configure it.
    const auto configurable = [e](bool checked) { return checked ? !e : e; };
    if (state.family != -1) {
        c.optionBox = configurable(state.optionChecked);
        c.snBox = configurable(state.snChecked);
    }
    if (uart && FamilyHasPartitions(state.family)) {
        c.partitionBox = configurable(state.partitionChecked);
        c.chipKeyBox = FamilyHasChipKeys(state.family) && e;
    }
    return c;
}
