// The translated messages of a refused option-byte field.
#pragma once

#include "framework/Text.h"
#include "optionbytes/EditorRows.h"

fw::Text FieldEmptyMessage(CheckedName name);
fw::Text FieldNotHexMessage(CheckedName name);
