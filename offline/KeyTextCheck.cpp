#include "offline/KeyTextCheck.h"

#include "core/HexText.h"

bool KeyTextAccepted(fw::Text& text, const KeyTextMessages& messages, const CMessageBoxEx& box,
                     const fw::Window* owner) {
    fw::Remove(text, u' ');
    fw::Remove(text, u'\t');
    const fw::Text* failure = nullptr;
    if (text.empty()) {
        failure = &messages.empty;
    } else if (!IsHexText(text)) {
        failure = &messages.notHex;
    } else if (text.size() != 32) {
        failure = &messages.length;
    }
    if (failure) box.MessageBox(owner, *failure, fw::MB_OK);
    return failure == nullptr;
}
