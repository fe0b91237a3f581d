#include "tools/EncFileOutput.h"

#include "core/IntelHex.h"
#include "core/Translation.h"
#include "framework/FileDialog.h"
#include "framework/Files.h"
#include "framework/Format.h"
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

bool ChooseEncSource(const fw::Window* owner, fw::TextView filter, EncSourceFile& source) {
    fw::FileDialog dialog(true, {}, {}, fw::OFN_HIDEREADONLY, filter, owner);
    if (dialog.DoModal() != fw::IDOK) return false;
    source = {dialog.GetPathName(), dialog.GetFileName(), dialog.GetFileExt()};
    return true;
}

bool ReadEncSource(const fw::Window* owner, const EncSourceFile& source, std::vector<uint8_t>& plaintext) {
    if (source.path.empty()) {
        ShowToolMessage(owner, TranslateText(u"请先选择原始文件"));
        return false;
    }
    switch (ReadPlaintext(source.path, source.extension, plaintext)) {
        case PlaintextRead::Ok:
            return true;
        case PlaintextRead::BinOpenFailed:
            ShowToolMessage(owner, TranslateText(u"BIN文件打开失败！"));
            return false;
        case PlaintextRead::SpanTooLarge:
            ShowToolMessage(owner, fw::Format(TranslateText(u"HEX文件的数据地址跨度超过任何芯片的FLASH容量（%dKB）！"),
                                              static_cast<int>(kHexMaxSpan / 1024)));
            return false;
        case PlaintextRead::OpenFailed:
            break;
    }
    ShowToolMessage(owner, TranslateText(u"文件打开失败！"));
    return false;
}
