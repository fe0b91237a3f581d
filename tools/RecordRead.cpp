#include "tools/RecordRead.h"

#include "app/MainWindow.h"
#include "app/MainWindowState.h"
#include "app/ReadAnswer.h"
#include "core/StatusText.h"
#include "core/Translation.h"

bool RecordReadSucceeded(CQXDownloadToolDlg& window, StatusCode status, size_t returned, size_t dataSize,
                         size_t wanted) {
    if (status != CMD_STATUS_OK) {
        window.AppendLog(StatusCodeToText(static_cast<int32_t>(status)), kLogRed);
        return false;
    }
    if (!AnswerIsWhole(returned, dataSize, wanted)) {
        window.AppendLog(TranslateText(u"返回的数据长度不正确！"), kLogRed);
        return false;
    }
    return true;
}
