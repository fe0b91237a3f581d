// Open and save dialogs taking "Text|pattern;pattern|...||" filters, and the folder chooser. Any thread may
// show them; the user-interface thread does.
#pragma once

#include <optional>
#include <vector>

#include "framework/Host.h"
#include "framework/Text.h"

namespace fw {

class Window;

inline constexpr uint32_t OFN_READONLY = 0x00000001;
inline constexpr uint32_t OFN_OVERWRITEPROMPT = 0x00000002;
inline constexpr uint32_t OFN_HIDEREADONLY = 0x00000004;
inline constexpr uint32_t OFN_NOCHANGEDIR = 0x00000008;
inline constexpr uint32_t OFN_ALLOWMULTISELECT = 0x00000200;
inline constexpr uint32_t OFN_PATHMUSTEXIST = 0x00000800;
inline constexpr uint32_t OFN_FILEMUSTEXIST = 0x00001000;
inline constexpr uint32_t OFN_EXPLORER = 0x00080000;

class FileDialog {
public:
    FileDialog(bool openFileDialog, TextView defaultExtension = {}, TextView fileName = {},
               uint32_t flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, TextView filter = {},
               const Window* owner = nullptr);

    void SetInitialFolder(TextView folder) { m_request.initialFolder = Text(folder); }
    void SetTitle(TextView title) { m_request.title = Text(title); }
    void SetFilterIndex(int oneBased) { m_request.filterIndex = oneBased > 0 ? oneBased - 1 : 0; }

    // IDOK when the user chose, IDCANCEL otherwise.
    int DoModal();

    Text GetPathName() const;   // the full path
    Text GetFileName() const;   // name with extension
    Text GetFileExt() const;    // extension without the dot
    Text GetFileTitle() const;  // name without extension
    Text GetFolderPath() const;
    std::vector<Text> GetPathNames() const { return m_result.paths; }
    int GetFilterIndex() const { return m_result.filterIndex + 1; }  // one-based, as callers count filters

    const FileDialogRequest& Request() const { return m_request; }

private:
    FileDialogRequest m_request;
    FileDialogResult m_result;
};

// The chosen folder, nullopt when the user cancelled.
std::optional<Text> BrowseForFolder(const Window* owner, TextView title, TextView initialFolder = {});

}  // namespace fw
