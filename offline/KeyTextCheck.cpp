#include "offline/KeyTextCheck.h"

#include "core/HexText.h"

bool KeyTextAccepted(fw::Text& text, const KeyTextMessages& messages, const CMessageBoxEx& box,
                     const fw::Window* owner) {
    fw::Remove(text, u' ');
    fw::Remove(text, u'\t');
    const fw::Text* failure = nullptr;
    const bool hex = IsHexText(text), whole = text.size() == 32;
    if (text.empty()) {
        failure = &messages.empty;
    } else if (messages.lengthFirst ? !whole : !hex) {
        failure = messages.lengthFirst ? &messages.length : &messages.notHex;
    } else if (!hex || !whole) {
        failure = !hex ? &messages.notHex : &messages.length;
    }
    if (failure) box.MessageBox(owner, *failure, fw::MB_OK);
    return failure == nullptr;
}
