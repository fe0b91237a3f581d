#include "framework/FileDialog.h"

#include "framework/UiThread.h"
#include "framework/Window.h"

namespace fw {

namespace {

FileDialogResult Show(const FileDialogRequest& request) {
    FileDialogResult result;
    RunOnUi([&] {
        if (Host* host = CurrentHost()) result = host->ShowFileDialog(request);
    });
    if (result.paths.empty()) result.accepted = false;
    return result;
}

TextView NameOf(TextView path) {
    const size_t slash = path.find_last_of(u"/\\");
    return slash == TextView::npos ? path : path.substr(slash + 1);
}

}  // namespace

FileDialog::FileDialog(bool openFileDialog, TextView defaultExtension, TextView fileName, uint32_t flags,
                       TextView filter, const Window* owner) {
    m_request.kind = openFileDialog ? FileDialogKind::Open : FileDialogKind::Save;
    m_request.owner = owner ? owner->Handle() : 0;
    m_request.filters = ParseFileFilter(filter);
    m_request.fileName = Text(fileName);
    Text ext(defaultExtension);
    if (!ext.empty() && ext.front() == u'.') ext.erase(0, 1);
    m_request.defaultExtension = ext;
    m_request.overwritePrompt = !openFileDialog && (flags & OFN_OVERWRITEPROMPT);
    m_request.fileMustExist = openFileDialog && (flags & OFN_FILEMUSTEXIST);
    m_request.multiSelect = openFileDialog && (flags & OFN_ALLOWMULTISELECT);
}

int FileDialog::DoModal() {
    m_result = Show(m_request);
    return m_result.accepted ? IDOK : IDCANCEL;
}

Text FileDialog::GetPathName() const { return m_result.paths.empty() ? Text() : m_result.paths.front(); }

Text FileDialog::GetFileName() const { return Text(NameOf(GetPathName())); }

Text FileDialog::GetFileExt() const {
    const Text name = GetFileName();
    const size_t dot = name.rfind(u'.');
    return dot == Text::npos ? Text() : name.substr(dot + 1);
}

Text FileDialog::GetFileTitle() const {
    const Text name = GetFileName();
    const size_t dot = name.rfind(u'.');
    return dot == Text::npos ? name : name.substr(0, dot);
}

Text FileDialog::GetFolderPath() const {
    const Text path = GetPathName();
    const size_t slash = path.find_last_of(u"/\\");
    return slash == Text::npos ? Text() : path.substr(0, slash);
}

std::optional<Text> BrowseForFolder(const Window* owner, TextView title, TextView initialFolder) {
    FileDialogRequest request;
    request.kind = FileDialogKind::Folder;
    request.owner = owner ? owner->Handle() : 0;
    request.title = Text(title);
    request.initialFolder = Text(initialFolder);
    const FileDialogResult result = Show(request);
    if (!result.accepted) return std::nullopt;
    return result.paths.front();
}

}  // namespace fw
