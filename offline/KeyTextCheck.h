// What the key dialogs accept in a key edit: 32 hex digits, blanks and tabs between them allowed.
#pragma once

#include "core/MessageBoxEx.h"
#include "framework/Text.h"
#include "framework/Window.h"

// The refusals of one key edit, already translated.
struct KeyTextMessages {
    const fw::Text empty, notHex, length;
};

// Removes blanks and tabs from text; false after the message of the first check that fails (empty, not hex, not
// 32 digits), shown over owner.
bool KeyTextAccepted(fw::Text& text, const KeyTextMessages& messages, const CMessageBoxEx& box,
                     const fw::Window* owner);
