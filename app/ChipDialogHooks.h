// Dialogs of the chip tools that the window's own commands open. The tools subsystem builds on app/, so it installs
// them at program start (RegisterToolCommands); until then a command that needs one ends as if it was cancelled.
#pragma once

#include <functional>
#include <optional>

#include "framework/Text.h"

class CQXDownloadToolDlg;

// The chip-series chooser: true when the user chose a model (the window's m_chipSeries then follows it).
using ChipSeriesChooser = std::function<bool(CQXDownloadToolDlg&)>;
// The external flash key dialog: the accepted key (32 hex digits), nothing when cancelled.
using ExternalFlashKeyAsker = std::function<std::optional<fw::Text>(CQXDownloadToolDlg&)>;

void SetChipSeriesChooser(ChipSeriesChooser chooser);
void SetExternalFlashKeyAsker(ExternalFlashKeyAsker asker);

bool ChooseChipSeries(CQXDownloadToolDlg& window);
std::optional<fw::Text> AskExternalFlashKey(CQXDownloadToolDlg& window);
