// The translated messages of a refused option-byte field or write.
#pragma once

#include "framework/Text.h"
#include "optionbytes/EditorRows.h"

class CQXDownloadToolDlg;
namespace fw {
class Window;
}

fw::Text FieldEmptyMessage(CheckedName name);
fw::Text FieldNotHexMessage(CheckedName name);

// A write refused because the read before it came back short: told in a box over `parent` and logged in red.
void RefuseIncompleteRead(CQXDownloadToolDlg& window, const fw::Window* parent);
