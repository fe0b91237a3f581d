#include "core/FileFilters.h"

#include <vector>

#include "core/Translation.h"

namespace {

fw::Text Entry(const fw::Text& text, fw::TextView patterns) { return text + u"|" + fw::Text(patterns) + u"|"; }

struct TypedEntry {
    fw::TextView patterns;  // what the last extension is looked up in: it does not change with the language
    fw::Text entry;
};

fw::Text BuildFilter(fw::TextView lastExtension, bool withProjects) {
    std::vector<TypedEntry> entries = {
        {u"*.bin", BinFilesEntry()},
        {u"*.hex", HexFilesEntry()},
        {u"*.enc", EncFilesEntry()},
    };
    if (withProjects) entries.push_back({u"*.dlpf", DownloadProjectFilesEntry()});
    fw::Text wanted(lastExtension);
    fw::Remove(wanted, u' ');
    fw::MakeLower(wanted);
    size_t first = 0;  // the bin entry leads unless another entry's pattern holds the text
    if (!wanted.empty()) {
        for (size_t i = 1; i < entries.size(); ++i) {
            if (fw::Find(entries[i].patterns, wanted) >= 0) {
                first = i;
                break;
            }
        }
    }
    fw::Text filter = entries[first].entry;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (i != first) filter += entries[i].entry;
    }
    return filter + u"|";
}

}  // namespace

fw::Text BinFilesEntry() { return Entry(TranslateText(u"Bin文件(*.bin)"), u"*.bin"); }
fw::Text HexFilesEntry() { return Entry(TranslateText(u"Hex文件(*.hex)"), u"*.hex"); }
fw::Text EncFilesEntry() { return Entry(TranslateText(u"Enc文件(*.enc)"), u"*.enc"); }
fw::Text BinOrEncFilesEntry() { return Entry(TranslateText(u"Bin/Enc文件(*.bin/*.enc)"), u"*.bin;*.enc"); }
fw::Text DownloadProjectFilesEntry() { return Entry(TranslateText(u"下载工程文件(*.dlpf)"), u"*.dlpf"); }
fw::Text LinkProjectFilesEntry() { return Entry(TranslateText(u"项目文件(*.ovpf)"), u"*.ovpf"); }

fw::Text BuildFileFilter(fw::TextView lastExtension) { return BuildFilter(lastExtension, false); }

fw::Text BuildProjectFileFilter(fw::TextView lastExtension) { return BuildFilter(lastExtension, true); }
