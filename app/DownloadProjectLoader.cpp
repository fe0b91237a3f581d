#include "app/DownloadProjectLoader.h"

namespace {

DownloadProjectLoader& Loader() {
    static DownloadProjectLoader loader;
    return loader;
}

}  // namespace

void SetDownloadProjectLoader(DownloadProjectLoader loader) { Loader() = std::move(loader); }

bool LoadDownloadProject(CQXDownloadToolDlg& window, fw::TextView path) { return Loader() && Loader()(window, path); }
