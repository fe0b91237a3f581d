// The OK box every file tool shows its messages in, owned by the tool's window; texts come in translated.
#pragma once

#include "core/MessageBoxEx.h"
#include "framework/Window.h"

inline void ShowToolMessage(const fw::Window* owner, const fw::Text& text) {
    CMessageBoxEx().MessageBox(owner, text, 0);
}
