// The check after a read of one of the chip's own records (the external option record, an OTP item).
#pragma once

#include <cstddef>

#include "devicelib/OvMcuCmdDll.h"

class CQXDownloadToolDlg;

// True when the library answered success with at least `wanted` bytes; the byte count it reports is not trusted
// beyond the block's data area (`dataSize`). Otherwise false, after the red line that says why: an answer shorter
// than asked would show, and later write back, bytes the chip never gave.
bool RecordReadSucceeded(CQXDownloadToolDlg& window, StatusCode status, size_t returned, size_t dataSize,
                         size_t wanted);
