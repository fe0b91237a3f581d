// What each option-byte editor does for one chip series: which of its controls show, which fields its edits
// hold, which bit each box sets, the special controls of the series and the order in which its fields are
// checked. The four editors run on these rows; the series are data, not code.
#pragma once

#include <cstdint>
#include <vector>

#include "core/OptionLayouts.h"

// The two control sets: series 0, 1, 2, 5, 8, 9 and series 3, 4, 6, 7, 11, 12.
enum class EditorKind : uint8_t { First, Second };

struct FieldEdit {
    int editId;
    OptionField field;
};

struct BitBox {
    int boxId;
    OptionField field;
    int bit;
};

// Series 12's two 16-bit words: "5AA5" when the box is on, "FFFF" when it is off.
struct WordBox {
    int boxId;
    OptionField field;
    int editId;
};

// The names the field messages use; BOR_LEV is a control of its own, not an option byte.
enum class CheckedName : uint8_t {
    Data0,
    Data1,
    Data2,
    Data3,
    Wrp0,
    Wrp1,
    Wrp2,
    Wrp3,
    User2,
    User3,
    User4,
    User5,
    User6,
    CcmsramRst,
    BorLev,
};

struct FieldCheck {
    int editId;
    CheckedName name;
    bool empty;  // true: refused when empty; false: refused when not all hex digits
};

struct EditorRow {
    EditorKind kind;
    std::vector<int> shown;     // of the kind's series-dependent controls, those this series shows
    std::vector<int> disabled;  // shown, but set only through boxes
    std::vector<BitBox> boxes;
    std::vector<WordBox> words;
    std::vector<FieldCheck> checks;
    std::vector<std::pair<int, const char16_t*>> captions;  // controls renamed for this series
    int borLevEdit = 0;                                     // USER2 bits 6..4 typed as a number
    int lvrEdit = 0;                                        // USER3 bits 3..0 typed as a number
    bool userLists = false;                                 // NRST_SEL and BOR_LVL
    bool dbankBox = false;
    bool ccmsramBox = false;
};

const EditorRow& DeviceEditorRow(uint8_t series);
const EditorRow& ProjectEditorRow(uint8_t family, EditorKind kind);
EditorKind EditorKindOf(uint8_t series);  // Second for 3, 4, 6, 7, 11, 12; First otherwise

// The controls of a kind whose visibility depends on the series, and the edits that hold option fields.
const std::vector<int>& SeriesControls(EditorKind kind);
const std::vector<FieldEdit>& FieldEdits(EditorKind kind);
// Series 12 shows its USER0 word in the USER5 place.
OptionField FieldOfEdit(const FieldEdit& edit, uint8_t series, bool project);
