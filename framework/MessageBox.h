// Message boxes. Any thread may ask: the box is shown by the user-interface thread and only the asking thread
// waits for the answer (a worker's question blocks that worker, never the windows).
#pragma once

#include <utility>
#include <vector>

#include "framework/Styles.h"
#include "framework/Text.h"

namespace fw {

class Window;

// Shows `text` with `caption` and the buttons, icon and default button of `style` (MB_*); answers the pressed
// button's id (IDOK, IDYES ...), or 0 when no host can show it. `labels` relabels buttons by id; buttons not
// listed keep the host's own labels.
int MessageBox(const Window* owner, TextView text, TextView caption, uint32_t style = MB_OK,
               const std::vector<std::pair<int, Text>>& labels = {});

// The framework's own box: the application's title as caption, no relabelling.
int PlainMessageBox(TextView text, uint32_t style = MB_OK);

void SetApplicationTitle(TextView title);
Text ApplicationTitle();  // "QXDownloadTool" until set

}  // namespace fw
