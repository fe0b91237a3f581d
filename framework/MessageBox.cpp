#include "framework/MessageBox.h"

#include <mutex>
#include <thread>

#include "framework/Host.h"
#include "framework/UiThread.h"
#include "framework/Window.h"

namespace fw {

namespace {

std::mutex g_titleMutex;
Text g_title = u"QXDownloadTool";

}  // namespace

int MessageBox(const Window* owner, TextView text, TextView caption, uint32_t style,
               const std::vector<std::pair<int, Text>>& labels) {
    MessageBoxRequest request;
    request.owner = owner ? owner->Handle() : 0;
    request.text = Text(text);
    request.caption = Text(caption);
    request.style = style;
    request.buttonLabels = labels;
    request.thread = std::this_thread::get_id();
    int answer = 0;
    RunOnUi([&] {
        if (Host* host = CurrentHost()) answer = host->ShowMessageBox(request);
    });
    return answer;
}

int PlainMessageBox(TextView text, uint32_t style) { return MessageBox(nullptr, text, ApplicationTitle(), style); }

void SetApplicationTitle(TextView title) {
    std::lock_guard lock(g_titleMutex);
    g_title = Text(title);
}

Text ApplicationTitle() {
    std::lock_guard lock(g_titleMutex);
    return g_title;
}

}  // namespace fw
