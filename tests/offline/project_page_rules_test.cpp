// The project page's family of a series name and the states of its controls, without a window.
#include <gtest/gtest.h>

#include "framework/Text.h"
#include "offline/ProjectPageRules.h"

namespace {

TEST(ProjectPageRules, OptionFamilyOfEverySeriesGroupAndTheOrderOfTheTests) {
    const struct {
        const char16_t* series;
        int family;
    } cases[] = {
        {u"VK517", 0},
        {u"VK51W", 0},
        {u"VK615", 1},
        {u"VK422", 2},
        {u"VK44X", 2},
        {u"VK632", 3},
        {u"VK230", 4},
        {u"VK601", 5},
        {u"VK918", 5},
        {u"VK231", 6},
        {u"VK203", 7},
        {u"VK713", 8},
        {u"VK73X", 9},
        {u"VK810", 10},
        {u"VK262", 11},
        {u"VK233", 12},
        // Lower case matches: the name is upper-cased first.
        {u"vk51r", 0},
        {u"vk266xx", 11},
        // The first listed name the text contains decides, whatever comes first in the text.
        {u"VK73 VK422", 2},
        {u"VK73/VK727", 8},
        {u"VK233-VK230", 4},
        {u"VK615VK517", 0},
        // The main window's names written with X are not the page's.
        {u"VK51X", -1},
        {u"VK72X", -1},
        {u"VK82X", -1},
        {u"", -1},
        {u"VK7", -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OptionFamilyOf(c.series), c.family) << fw::TextToUtf8(c.series);
    }
}

// The states of the boxes that differ between the rows; the command buttons follow `enable` alone.
struct ControlCase {
    const char* what;
    ProjectPageState state;
    bool composing, forceSwd, interfaceList, optionBox, snBox, partitionBox, chipKeyBox;
};

ProjectPageState State(bool editable, int family, bool uart) {
    ProjectPageState s;
    s.editable = editable;
    s.family = family;
    s.uartChosen = uart;
    return s;
}

ProjectPageState Checked(ProjectPageState s, bool option, bool partition, bool sn) {
    s.optionChecked = option;
    s.partitionChecked = partition;
    s.snChecked = sn;
    return s;
}

TEST(ProjectPageRules, ControlStatesByEditingStateFamilyAndInterface) {
    const ControlCase cases[] = {
        // what, state, composing, forceSwd, interface, option, sn, partition, chip key
        {"new project, no series", State(true, -1, false), true, true, false, false, false, false, false},
        {"new project, UART asked without a family", State(true, -1, true), true, true, false, false, false, false,
         false},
        {"editable SWD", State(true, 0, false), true, false, true, true, true, false, false},
        {"editable UART", State(true, 0, true), true, false, true, true, true, true, true},
        {"editable, all configured", Checked(State(true, 0, true), true, true, true), true, false, true, false, false,
         false, true},
        {"read-only, nothing configured", State(false, 0, true), false, false, false, false, false, false, false},
        {"read-only, all configured", Checked(State(false, 0, true), true, true, true), false, false, false, true, true,
         true, false},
        {"family 8 forces SWD", State(true, 8, true), true, true, false, true, true, false, false},
        {"family 10 forces SWD", State(true, 10, true), true, true, false, true, true, false, false},
        {"family 3: partitions but no chip keys", State(true, 3, true), true, false, true, true, true, true, false},
        {"family 11: partitions but no chip keys", State(true, 11, true), true, false, true, true, true, true, false},
        {"family 4: no partitions", State(true, 4, true), true, false, true, true, true, false, false},
        {"family 12: no partitions", State(true, 12, true), true, false, true, true, true, false, false},
    };
    for (const ControlCase& c : cases) {
        SCOPED_TRACE(c.what);
        for (const bool enable : {true, false}) {
            ProjectPageState state = c.state;
            state.enable = enable;
            const ProjectPageControls got = ProjectPageControlsOf(state);
            EXPECT_EQ(got.projectCommands, enable);
            EXPECT_EQ(got.composing, c.composing);
            EXPECT_EQ(got.forceSwd, c.forceSwd);
            EXPECT_EQ(got.interfaceList, c.interfaceList);
            EXPECT_EQ(got.optionBox, c.optionBox);
            EXPECT_EQ(got.snBox, c.snBox);
            EXPECT_EQ(got.partitionBox, c.partitionBox);
            EXPECT_EQ(got.chipKeyBox, c.chipKeyBox);
        }
    }
}

TEST(ProjectPageRules, LimitEditIsTouchedOnlyWhileItsBoxIsChecked) {
    for (const bool editable : {true, false}) {
        ProjectPageState s = State(editable, 0, false);
        EXPECT_FALSE(ProjectPageControlsOf(s).touchLimitEdit);
        s.limitChecked = true;
        const ProjectPageControls got = ProjectPageControlsOf(s);
        EXPECT_TRUE(got.touchLimitEdit);
        EXPECT_EQ(got.limitEdit, editable);
    }
}

}  // namespace
