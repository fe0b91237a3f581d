#include "app/ChipKeyStore.h"

#include "core/BuiltinKeys.h"
#include "core/Des.h"
#include "framework/Format.h"
#include "framework/Profile.h"

void StoreChipKey(std::span<fw::Text> table, int entry, const fw::Text& keyHex) {
    if (entry < 0 || entry >= static_cast<int>(table.size())) return;
    table[entry] = keyHex;
    fw::WriteProfileString(u"Settings", fw::Format(u"Key%d", entry),
                           DesCryptHex(kDesEncrypt, keyHex, g_strProfileKeyCipherKey));
}
