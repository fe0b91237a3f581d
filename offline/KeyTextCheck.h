// What the key dialogs accept in a key edit: 32 hex digits, blanks and tabs between them allowed.
#pragma once

#include "core/MessageBoxEx.h"
#include "framework/Text.h"
#include "framework/Window.h"

// The refusals of one key edit, already translated, and which of the two digit checks comes first: the dialogs
// differ in it, and a text that fails both shows the message of the first.
struct KeyTextMessages {
    const fw::Text empty, notHex, length;
    const bool lengthFirst = false;
};

// Removes blanks and tabs from text; false after the message of the first check that fails (empty, then not hex
// and not 32 digits in the order of `messages`), shown over owner.
bool KeyTextAccepted(fw::Text& text, const KeyTextMessages& messages, const CMessageBoxEx& box,
                     const fw::Window* owner);
