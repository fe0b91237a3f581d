// The program's message box: the caption and button language follow the program's interface language, not the
// desktop's. Texts come in already translated.
#pragma once

#include <cstdint>

#include "framework/Text.h"

namespace fw {
class Window;
}

// 1: the interface is English ("Tip", buttons relabelled in English); any other value: Chinese ("提示").
extern int g_bEnglishUi;

class CMessageBoxEx {
public:
    // Shows text with the buttons, icon and default button of style (MB_*; 0 is an OK box) over owner (may be
    // null) and answers the pressed button's id. Callable from any thread; a worker's box blocks only that worker.
    int MessageBox(const fw::Window* owner, fw::Text text, uint32_t style = 0) const;
};
