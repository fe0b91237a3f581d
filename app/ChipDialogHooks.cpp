#include "app/ChipDialogHooks.h"

namespace {

ChipSeriesChooser& SeriesChooser() {
    static ChipSeriesChooser chooser;
    return chooser;
}

ExternalFlashKeyAsker& KeyAsker() {
    static ExternalFlashKeyAsker asker;
    return asker;
}

}  // namespace

void SetChipSeriesChooser(ChipSeriesChooser chooser) { SeriesChooser() = std::move(chooser); }

void SetExternalFlashKeyAsker(ExternalFlashKeyAsker asker) { KeyAsker() = std::move(asker); }

bool ChooseChipSeries(CQXDownloadToolDlg& window) { return SeriesChooser() && SeriesChooser()(window); }

std::optional<fw::Text> AskExternalFlashKey(CQXDownloadToolDlg& window) {
    if (!KeyAsker()) return std::nullopt;
    return KeyAsker()(window);
}
