#include "tools/EncFileOutput.h"

#include "core/Translation.h"
#include "framework/Files.h"
#include "tools/EncFiles.h"
#include "tools/ToolMessage.h"

fw::Text EncFileFolder(fw::TextView workDir) {
    const fw::Text folder = fw::JoinPath(workDir, u"EncFile");
    if (!fw::FolderExists(folder)) fw::CreateFolders(folder);
    return folder;
}

bool WriteEncFile(const fw::Window* owner, fw::TextView workDir, fw::TextView fileName,
                  const std::vector<uint8_t>& bytes, fw::Text& outputPath) {
    const std::optional<fw::Text> path = EncOutputPath(EncFileFolder(workDir), fileName);
    if (!path) return false;
    if (!fw::WriteFileAtomic(*path, bytes)) {
        ShowToolMessage(owner, *path + TranslateText(u"文件打开失败！"));
        return false;
    }
    outputPath = *path;
    return true;
}
